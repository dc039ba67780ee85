// The real daemon on a private bus: answers and progress lines, rejected calls, an unprivileged
// caller, start-up failures, a vanished bus, the idle hour and a burst of concurrent callers.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "bus_client.h"
#include "service_process.h"
#include "test_bus.h"

namespace {

using namespace test_support;

constexpr milliseconds EXIT_WAIT{20000};

class Service : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus_.start()); }

    // Runs busctl on the test bus as uid and gid 65534, expecting status, and returns its output.
    std::string busctl_as_nobody(std::vector<std::string> args, int status = 0) {
        args.insert(args.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                   "busctl", "--system"});
        const std::string out = bus_.folder() + "/busctl.out";
        ChildProcess busctl;
        busctl.start({args, {bus_.environment_entry()}, out, {}});
        EXPECT_EQ(busctl.wait_for_exit(EXIT_WAIT), status) << args.back();
        return read_file(out);
    }

    TestBus bus_;
    ServiceProcess service_{bus_, {}};
};

TEST_F(Service, AnswersEveryCallOrRejectsItAndLogsEachHandledOne) {
    ASSERT_TRUE(service_.start());
    struct Case {
        const char *label;
        std::function<CallResult(BusConnection &)> call;
        const char *error;  // the error reply's name; empty when answered
    };
    constexpr char INVALID_ARGS[] = "org.freedesktop.DBus.Error.InvalidArgs";
    const auto query = [](std::string operation, std::string argument) {
        return [=](BusConnection &c) { return c.query(operation, argument); };
    };
    const std::vector<Case> cases = {
        {"unknown name", query("Sign", std::string(64, 'a')), ""},
        {"case differs", query("derividuz", std::string(64, 'a')), ""},
        {"trailing blank", query("DeRiViduz ", std::string(64, 'a')), ""},
        {"empty name", query("", ""), ""},
        {"argument of 1 MiB", query("unknown", std::string(1 << 20, 'x')), ""},
        {"one string", [](BusConnection &c) { return c.call_service("s", "DeRiViduz"); },
         INVALID_ARGS},
        {"string and integer", [](BusConnection &c) { return c.call_service("si", "a", 7); },
         INVALID_ARGS},
    };
    BusConnection client(bus_.address());
    std::size_t handled = 0;
    for (const Case &c : cases) {
        const CallResult r = c.call(client);
        EXPECT_EQ(r.errorName, c.error) << c.label;
        EXPECT_EQ(r.answer, "") << c.label;
        handled += *c.error == '\0' ? 1 : 0;
    }
    EXPECT_GE(client.query("still", "serving").result, 0);
    EXPECT_EQ(service_.stdout_lines(2 * (handled + 1)), paired_lines(handled + 1));
    EXPECT_EQ(service_.stderr_text(), "");
}

TEST_F(Service, UnprivilegedCallerCanCallAndIntrospectButNotOwnTheName) {
    ASSERT_TRUE(service_.start());
    EXPECT_EQ(busctl_as_nobody({"call", SERVICE_NAME, OBJECT_PATH, SERVICE_NAME, METHOD_NAME, "ss",
                                "unknown", "argument"}),
              "s \"\"\n");
    // The interface has this one method and nothing else.
    const std::string members =
        busctl_as_nobody({"introspect", SERVICE_NAME, OBJECT_PATH, SERVICE_NAME});
    EXPECT_TRUE(
        std::regex_match(members, std::regex("NAME +TYPE +SIGNATURE +RESULT/VALUE +FLAGS\n"
                                             "\\.dovazorerevozoredevo +method +ss +s +-\n")))
        << members;
    // Without queueing, only the policy can refuse the request: the owner keeps the name either
    // way.
    busctl_as_nobody({"call", "org.freedesktop.DBus", "/org/freedesktop/DBus",
                      "org.freedesktop.DBus", "RequestName", "su", SERVICE_NAME, "4"},
                     1);
}

TEST_F(Service, SecondInstanceCannotClaimTheNameAndTheFirstKeepsServing) {
    ASSERT_TRUE(service_.start());
    ServiceProcess second(bus_, {{}, {}, "second", false});
    ASSERT_TRUE(second.start());
    EXPECT_EQ(second.process().wait_for_exit(EXIT_WAIT), 1);
    EXPECT_EQ(second.stderr_text(), "Failed to acquire service name: -17\n");
    EXPECT_GE(BusConnection(bus_.address()).query("unknown", "").result, 0);
    EXPECT_EQ(service_.stdout_lines(2), paired_lines(1));
}

TEST_F(Service, LosingTheBusEndsTheServiceWithStatusOne) {
    ASSERT_TRUE(service_.start());
    bus_.stop_daemon();
    EXPECT_EQ(service_.process().wait_for_exit(EXIT_WAIT), 1);
    const std::string err = service_.stderr_text();
    EXPECT_TRUE(std::regex_match(err, std::regex("Failed to sd_bus_(process|wait): -[0-9]+\n")))
        << err;
    EXPECT_EQ(service_.stdout_text(), "");
}

TEST_F(Service, FailedCapabilityStepEndsStartUpBeforeTheBus) {
    struct Case {
        const char *option;
        const char *line;
    };
    const Case cases[] = {
        {"--drop=cap_dac_override", "set capability failed : 1\n"},
        // SECBIT_NO_CAP_AMBIENT_RAISE: only the ambient step fails.
        {"--secbits=64", "ambient set capability cap: 1 failed: 1 \n"},
    };
    for (const Case &c : cases) {
        // Nobody listens there: a connection attempt would add its own failure line.
        ServiceProcess service(bus_,
                               {{"capsh", c.option, "--", "-c", "exec \"$0\"", service_binary()},
                                {"DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent"},
                                "capsh",
                                false});
        ASSERT_TRUE(service.start());
        EXPECT_EQ(service.process().wait_for_exit(EXIT_WAIT), 1) << c.option;
        EXPECT_EQ(service.stderr_text(), c.line) << c.option;
        EXPECT_EQ(service.stdout_text(), "") << c.option;
    }
}

TEST_F(Service, IdleHourEndsTheDaemonWithStatusZero) {
    const std::string waitLog = bus_.folder() + "/ppoll.log";
    ServiceProcess service(
        bus_, {{},
               {std::string("LD_PRELOAD=") + PPOLL_SHORTENER, "QUELLARION_PPOLL_LOG=" + waitLog,
                "QUELLARION_SHORT_WAIT_MS=3000", "ASAN_OPTIONS=verify_asan_link_order=0"}});
    ASSERT_TRUE(service.start());
    EXPECT_GE(BusConnection(bus_.address()).query("unknown", "").result, 0);
    EXPECT_EQ(service.process().wait_for_exit(EXIT_WAIT), 0);
    EXPECT_EQ(service.stdout_text(), paired_lines(1) + TIME_LIMIT_LINE);
    EXPECT_EQ(service.stderr_text(), "");
    // Every long wait the daemon asked for was exactly one hour.
    const std::string waits = read_file(waitLog);
    const std::string hour = "3600.000000000\n";
    ASSERT_FALSE(waits.empty());
    for (std::size_t at = 0; at < waits.size(); at += hour.size())
        EXPECT_EQ(waits.substr(at, hour.size()), hour);
}

TEST_F(Service, BurstOfConcurrentCallersIsAnsweredCompletely) {
    constexpr int CLIENTS = 6;
    constexpr int CALLS_EACH = 40;
    ASSERT_TRUE(service_.start());
    // Each client process sends all its calls at once, then waits for one more synchronous call,
    // which is answered after all earlier ones from this client.
    std::vector<pid_t> clients;
    for (int i = 0; i < CLIENTS; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            BusConnection client(bus_.address());
            for (int k = 0; k < CALLS_EACH; ++k) {
                sd_bus_message *call = nullptr;
                if (sd_bus_message_new_method_call(client.get(), &call, SERVICE_NAME, OBJECT_PATH,
                                                   SERVICE_NAME, METHOD_NAME) < 0 ||
                    sd_bus_message_append(call, "ss", "burst", "x") < 0 ||
                    sd_bus_call_async(client.get(), nullptr, call, nullptr, nullptr, 0) < 0)
                    _exit(3);
                sd_bus_message_unref(call);
            }
            _exit(client.query("burst", "last").result >= 0 ? 0 : 4);
        }
        clients.push_back(pid);
    }
    for (pid_t pid : clients) {
        int status = -1;
        if (!wait_until([&] { return waitpid(pid, &status, WNOHANG) == pid; }, EXIT_WAIT)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "client " << pid;
    }
    const std::size_t calls = CLIENTS * (CALLS_EACH + 1);
    EXPECT_EQ(service_.stdout_lines(2 * calls), paired_lines(calls));
    EXPECT_TRUE(service_.process().running());
}

}  // namespace
