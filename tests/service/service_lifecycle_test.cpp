// The real daemon's start-up and end: capabilities, a second instance, a vanished bus, the idle
// exit, and a burst of concurrent callers.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <regex>
#include <string>
#include <vector>

#include "bus_client.h"
#include "service_process.h"
#include "syscall_refusal.h"
#include "test_bus.h"

namespace {

using namespace test_support;
using std::chrono::milliseconds;

constexpr char RECEIVED_LINE[] = "quellarion: received message \n";
constexpr char PROCESSED_LINE[] = "quellarion: message processed \n";
constexpr char TIME_LIMIT_LINE[] = "Time limit exceeded, no message received, exit now.\n";
constexpr unsigned long SECBIT_NO_CAP_AMBIENT_RAISE_BIT = 0x40;
constexpr milliseconds EXIT_WAIT{20000};

bool full_match(const std::string &text, const char *pattern) {
    return std::regex_match(text, std::regex(pattern));
}

TEST(ServiceLifecycle, SecondInstanceCannotClaimTheNameAndTheFirstKeepsServing) {
    TestBus bus;
    ASSERT_TRUE(bus.start());
    ServiceProcess first(bus, ServiceOptions{});
    ASSERT_TRUE(first.start());

    ServiceOptions secondOptions;
    secondOptions.logName = "second";
    secondOptions.waitForName = false;
    ServiceProcess second(bus, secondOptions);
    ASSERT_TRUE(second.start());
    const auto status = second.process().wait_for_exit(EXIT_WAIT);
    ASSERT_TRUE(status.has_value()) << "second instance still running";
    EXPECT_EQ(exit_code(*status), 1);
    EXPECT_TRUE(full_match(second.stderr_text(), "Failed to acquire service name: -[0-9]+\n"))
        << second.stderr_text();
    EXPECT_EQ(second.stdout_text(), "");

    BusConnection client(bus.address());
    const CallResult r = client.query("unknown", "");
    EXPECT_GE(r.result, 0) << r.errorName;
    EXPECT_TRUE(first.process().running());
    EXPECT_EQ(first.stdout_lines(2), std::string(RECEIVED_LINE) + PROCESSED_LINE);
}

TEST(ServiceLifecycle, LosingTheBusEndsTheServiceWithStatusOne) {
    TestBus bus;
    ASSERT_TRUE(bus.start());
    ServiceProcess service(bus, ServiceOptions{});
    ASSERT_TRUE(service.start());
    ASSERT_TRUE(bus.stop_daemon());

    const auto status = service.process().wait_for_exit(EXIT_WAIT);
    ASSERT_TRUE(status.has_value()) << "service still running without its bus";
    EXPECT_EQ(exit_code(*status), 1);
    EXPECT_TRUE(full_match(service.stderr_text(), "Failed to sd_bus_(process|wait): -[0-9]+\n"))
        << service.stderr_text();
    EXPECT_EQ(service.stdout_text(), "");
}

// A unix socket that accepts no connection: it only shows whether anyone tried to connect.
class ConnectionWatch {
public:
    explicit ConnectionWatch(const std::string &path) : path_(path) {
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        ok_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
              listen(fd_, 8) == 0;
    }
    ~ConnectionWatch() {
        if (fd_ >= 0) close(fd_);
        unlink(path_.c_str());
    }
    bool ok() const { return ok_; }
    std::string address() const { return "unix:path=" + path_; }
    bool someone_connected() const {
        const int client = accept(fd_, nullptr, nullptr);
        if (client < 0) return false;
        close(client);
        return true;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool ok_ = false;
};

TEST(ServiceLifecycle, FailedCapabilityStepEndsStartUpBeforeTheBus) {
    struct Case {
        const char *label;
        std::vector<std::string> prefix;
        std::function<bool()> beforeExec;
        const char *expectedLine;
    };
    const std::vector<Case> cases = {
        {"capsh drops it",
         {"capsh", "--drop=cap_dac_override", "--", "-c", "exec \"$0\""},
         {},
         "set capability failed : 1\n"},
        {"bounding set lacks it",
         {"setpriv", "--bounding-set=-dac_override"},
         {},
         "set capability failed : 1\n"},
        {"ambient raise forbidden",
         {},
         [] { return prctl(PR_SET_SECUREBITS, SECBIT_NO_CAP_AMBIENT_RAISE_BIT, 0, 0, 0) == 0; },
         "ambient set capability cap: 1 failed: 1 \n"},
        // The errno printed is the failing call's own.
        {"capget refused",
         {},
         [] { return refuse_syscall(SYS_capget, EACCES, true); },
         "get capability failed : 13\n"},
        {"capset refused",
         {},
         [] { return refuse_syscall(SYS_capset, ENOSYS, true); },
         "set capability failed : 38\n"},
        {"ambient raise refused",
         {},
         [] { return refuse_syscall(SYS_prctl, EINVAL, false, PR_CAP_AMBIENT); },
         "ambient set capability cap: 1 failed: 22 \n"},
    };
    TestBus folderOnly;
    ASSERT_TRUE(folderOnly.start());
    for (const Case &c : cases) {
        ConnectionWatch watch(folderOnly.folder() + "/watch_socket");
        ASSERT_TRUE(watch.ok()) << c.label;
        ChildOptions options;
        options.argv = c.prefix;
        options.argv.push_back(service_binary());
        options.extraEnv = {"DBUS_SYSTEM_BUS_ADDRESS=" + watch.address()};
        options.stdoutPath = folderOnly.folder() + "/cap.stdout";
        options.stderrPath = folderOnly.folder() + "/cap.stderr";
        options.beforeExec = c.beforeExec;
        ChildProcess child(options);
        const auto status = child.wait_for_exit(EXIT_WAIT);
        ASSERT_TRUE(status.has_value()) << c.label << ": still running";
        EXPECT_EQ(exit_code(*status), 1) << c.label;
        EXPECT_EQ(read_file(options.stderrPath), c.expectedLine) << c.label;
        EXPECT_EQ(read_file(options.stdoutPath), "") << c.label;
        EXPECT_FALSE(watch.someone_connected()) << c.label;
    }

    // The watch does see a service that gets past its capability steps.
    ConnectionWatch watch(folderOnly.folder() + "/watch_socket");
    ChildOptions options;
    options.argv = {service_binary()};
    options.extraEnv = {"DBUS_SYSTEM_BUS_ADDRESS=" + watch.address()};
    ChildProcess child(options);
    EXPECT_TRUE(wait_until([&] { return watch.someone_connected(); }, EXIT_WAIT));
}

TEST(ServiceLifecycle, IdleHourEndsTheDaemonWithStatusZero) {
    TestBus bus;
    ASSERT_TRUE(bus.start());
    const std::string waitLog = bus.folder() + "/ppoll.log";
    ServiceOptions options;
    options.extraEnv = {std::string("LD_PRELOAD=") + PPOLL_SHORTENER,
                        "QUELLARION_PPOLL_LOG=" + waitLog, "QUELLARION_SHORT_WAIT_MS=3000",
                        "ASAN_OPTIONS=verify_asan_link_order=0"};
    ServiceProcess service(bus, options);
    ASSERT_TRUE(service.start());
    BusConnection client(bus.address());
    EXPECT_GE(client.query("unknown", "").result, 0);

    const auto status = service.process().wait_for_exit(EXIT_WAIT);
    ASSERT_TRUE(status.has_value()) << "service did not end after its shortened idle wait";
    EXPECT_EQ(exit_code(*status), 0);
    EXPECT_EQ(service.stdout_text(), std::string(RECEIVED_LINE) + PROCESSED_LINE + TIME_LIMIT_LINE);
    EXPECT_EQ(service.stderr_text(), "");

    // Every long wait the daemon asked for was exactly one hour.
    const std::vector<std::string> waits = split_lines(read_file(waitLog));
    ASSERT_FALSE(waits.empty());
    for (const std::string &wait : waits) EXPECT_EQ(wait, "3600.000000000\n");
}

TEST(ServiceLifecycle, BurstOfConcurrentCallersIsAnsweredCompletely) {
    constexpr int CLIENTS = 6;
    constexpr int CALLS_EACH = 40;
    TestBus bus;
    ASSERT_TRUE(bus.start());
    ServiceProcess service(bus, ServiceOptions{});
    ASSERT_TRUE(service.start());

    // Each client process sends all its calls at once and then collects the replies.
    const std::string address = bus.address();
    std::vector<pid_t> clients;
    for (int i = 0; i < CLIENTS; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            BusConnection client(address);
            if (!client.ok()) _exit(2);
            std::vector<std::uint64_t> cookies;
            for (int k = 0; k < CALLS_EACH; ++k) {
                sd_bus_message *call = nullptr;
                if (sd_bus_message_new_method_call(client.get(), &call, SERVICE_NAME, OBJECT_PATH,
                                                   SERVICE_NAME, METHOD_NAME) < 0 ||
                    sd_bus_message_append(call, "ss", "burst", "x") < 0)
                    _exit(3);
                const int r = sd_bus_call_async(client.get(), nullptr, call, nullptr, nullptr, 0);
                sd_bus_message_unref(call);
                if (r < 0) _exit(4);
            }
            // The last synchronous call is answered after all earlier ones from this client.
            _exit(client.query("burst", "last").result >= 0 ? 0 : 5);
        }
        clients.push_back(pid);
    }
    for (pid_t pid : clients) {
        int status = -1;
        const bool ended =
            wait_until([&] { return waitpid(pid, &status, WNOHANG) == pid; }, milliseconds(60000));
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        EXPECT_TRUE(ended) << "client " << pid << " did not finish";
        EXPECT_EQ(exit_code(status), 0) << "client " << pid;
    }

    const std::size_t expectedCalls = CLIENTS * (CALLS_EACH + 1);
    const std::vector<std::string> lines = split_lines(service.stdout_lines(2 * expectedCalls));
    ASSERT_EQ(lines.size(), 2 * expectedCalls);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i], i % 2 == 0 ? RECEIVED_LINE : PROCESSED_LINE) << "line " << i;
    }
    EXPECT_TRUE(service.process().running());
    BusConnection client(bus.address());
    EXPECT_GE(client.query("after", "burst").result, 0);
}

}  // namespace
