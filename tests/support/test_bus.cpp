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

// The project's private-bus configuration with its placeholders filled in.
std::string bus_configuration(const std::string &socketPath) {
    std::string text = read_file(QUELLARION_BUS_CONFIG);
    const std::pair<std::string, std::string> fills[] = {{"@SOCKET_PATH@", socketPath},
                                                         {"@POLICY_FILE@", QUELLARION_POLICY_FILE}};
    for (const auto &[placeholder, value] : fills) {
        for (std::size_t at = text.find(placeholder); at != std::string::npos;
             at = text.find(placeholder, at + value.size()))
            text.replace(at, placeholder.size(), value);
    }
    return text;
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

testing::AssertionResult TestBus::start(const std::string &serviceDir) {
    char pattern[] = "/tmp/quellarion-bus-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return testing::AssertionFailure() << "mkdtemp failed";
    folder_ = pattern;
    // Unprivileged test clients must reach the socket inside.
    chmod(folder_.c_str(), 0755);

    const std::string configPath = folder_ + "/bus.conf";
    std::string configuration = bus_configuration(folder_ + "/system_bus_socket");
    if (!serviceDir.empty()) {
        const std::size_t end = configuration.rfind("</busconfig>");
        if (end != std::string::npos)
            configuration.insert(end, "  <servicedir>" + serviceDir + "</servicedir>\n");
    }
    if (configuration.find("<busconfig>") == std::string::npos)
        return testing::AssertionFailure() << "cannot read " << QUELLARION_BUS_CONFIG;
    std::ofstream(configPath) << configuration;

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
