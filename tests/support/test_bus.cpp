#include "test_bus.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace test_support {

TestBus::~TestBus() {
    daemon_.stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

testing::AssertionResult TestBus::start(const std::string &activationFile) {
    char pattern[] = "/tmp/quellarion-bus-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return testing::AssertionFailure() << "mkdtemp failed";
    folder_ = pattern;
    // Unprivileged test clients must reach the socket inside.
    chmod(folder_.c_str(), 0755);
    const std::string address = "unix:path=" + folder_ + "/system_bus_socket";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    const std::string log = folder_ + "/daemon.log";
    std::string config = QUELLARION_BUS_CONFIG;
    if (!activationFile.empty()) {
        // The test's configuration adds a service folder holding only this activation file.
        const std::string services = folder_ + "/services";
        std::filesystem::create_directory(services);
        std::ofstream(services + "/" + SERVICE_NAME + ".service") << activationFile;
        config = folder_ + "/activation.conf";
        std::ofstream(config) << "<busconfig><include>" QUELLARION_BUS_CONFIG "</include>"
                              << "<servicedir>" << services << "</servicedir></busconfig>\n";
    }
    // The address given here replaces the configuration's own.
    daemon_.start({{"dbus-daemon", "--config-file=" + config, "--nofork", "--address=" + address},
                   {},
                   {},
                   log});
    if (wait_until([&] { return !daemon_.running() || BusConnection().get() != nullptr; },
                   milliseconds(15000)) &&
        daemon_.running())
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "dbus-daemon is not serving; its log: " << read_file(log);
}

pid_t service_owner_pid() {
    BusConnection client;
    sd_bus_message *reply = nullptr;
    std::uint32_t pid = 0;
    if (sd_bus_call_method(client.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "GetConnectionUnixProcessID", nullptr, &reply,
                           "s", SERVICE_NAME) >= 0)
        sd_bus_message_read(reply, "u", &pid);
    sd_bus_message_unref(reply);
    return static_cast<pid_t>(pid);
}

testing::AssertionResult ServiceProcess::start(const TestBus &bus, std::vector<std::string> argv,
                                               const std::vector<std::string> &extraEnv) {
    // Several services on one bus keep their logs apart.
    static int started = 0;
    logPath_ = bus.folder() + "/service" + std::to_string(++started);
    if (argv.empty()) argv = {QUELLARION_BINARY};
    std::vector<std::string> env = extraEnv;
    if (argv[0].starts_with(QUELLARION_BUILD_DIR "/")) argv = launch_command(argv, env);
    if (!ChildProcess::start({argv, env, logPath_ + ".stdout", logPath_ + ".stderr"}))
        return testing::AssertionFailure() << "fork failed";
    const bool ended =
        wait_until([&] { return !running() || service_owner_pid() != 0; }, milliseconds(20000));
    if (ended && running()) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << (ended ? "service exited during start-up" : "name not owned in time")
           << "; stdout: " << stdout_text() << "; stderr: " << stderr_text();
}

testing::AssertionResult ServiceProcess::logged(std::size_t calls, const std::string &tail) const {
    std::string expected, text;
    for (std::size_t i = 0; i < calls; ++i) expected += std::string(RECEIVED_LINE) + PROCESSED_LINE;
    expected += tail;
    if (wait_until([&] { return (text = stdout_text()) == expected; }, milliseconds(10000)))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "standard output:\n" << text;
}

}  // namespace test_support
