#include "test_bus.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace test_support {

namespace {

constexpr int ADDRESS_FD = 3;
constexpr int ADDRESS_WAIT_MS = 15000;

// A system bus as a distribution would configure it, shrunk to what the tests need: only the
// bus driver may be called by default, and the project's own policy file opens up the service.
std::string bus_configuration(const std::string &socketPath) {
    return R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=)" +
           socketPath + R"(</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus"
           send_interface="org.freedesktop.DBus.Introspectable"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Peer"/>
  </policy>
  <include>)" QUELLARION_POLICY_FILE R"(</include>
</busconfig>
)";
}

// Reads the daemon's address line from fd, waiting at most ADDRESS_WAIT_MS.
std::string read_address(int fd) {
    std::string text;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(ADDRESS_WAIT_MS);
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
        char chunk[256];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) return {};
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return text.substr(0, text.find('\n'));
}

}  // namespace

TestBus::~TestBus() {
    stop_daemon();
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

testing::AssertionResult TestBus::start() {
    char pattern[] = "/tmp/quellarion-bus-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return testing::AssertionFailure() << "mkdtemp failed";
    folder_ = pattern;
    // Unprivileged test clients must reach the socket inside.
    chmod(folder_.c_str(), 0755);

    const std::string configPath = folder_ + "/bus.conf";
    std::ofstream(configPath) << bus_configuration(folder_ + "/system_bus_socket");

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return testing::AssertionFailure() << "pipe failed";
    const int writeEnd = pipeFds[1];
    ChildOptions options;
    options.argv = {"dbus-daemon", "--config-file=" + configPath, "--nofork",
                    "--print-address=" + std::to_string(ADDRESS_FD)};
    options.stderrPath = folder_ + "/daemon.log";
    options.beforeExec = [writeEnd] {
        // dup2 onto itself would keep close-on-exec set.
        if (writeEnd == ADDRESS_FD) return fcntl(ADDRESS_FD, F_SETFD, 0) == 0;
        return dup2(writeEnd, ADDRESS_FD) == ADDRESS_FD;
    };
    daemon_ = ChildProcess(options);
    close(pipeFds[1]);
    address_ = read_address(pipeFds[0]);
    close(pipeFds[0]);

    if (!daemon_.started()) return testing::AssertionFailure() << "dbus-daemon did not start";
    if (address_.empty()) {
        return testing::AssertionFailure()
               << "dbus-daemon printed no address; its log: " << read_file(folder_ + "/daemon.log");
    }
    return testing::AssertionSuccess();
}

bool TestBus::stop_daemon() {
    daemon_.stop();
    return !daemon_.running();
}

}  // namespace test_support
