#include "test_bus.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bus_client.h"

namespace test_support {

TestBus::~TestBus() {
    daemon_.stop();
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

testing::AssertionResult TestBus::start() {
    char pattern[] = "/tmp/quellarion-bus-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return testing::AssertionFailure() << "mkdtemp failed";
    folder_ = pattern;
    // Unprivileged test clients must reach the socket inside.
    chmod(folder_.c_str(), 0755);
    const std::string socketPath = folder_ + "/system_bus_socket";
    address_ = "unix:path=" + socketPath;

    std::string config = read_file(QUELLARION_BUS_CONFIG);
    const std::pair<std::string, std::string> fills[] = {{"@SOCKET_PATH@", socketPath},
                                                         {"@POLICY_FILE@", QUELLARION_POLICY_FILE}};
    for (const auto &[placeholder, value] : fills) {
        const std::size_t at = config.find(placeholder);
        if (at == std::string::npos) return testing::AssertionFailure() << "no " << placeholder;
        config.replace(at, placeholder.size(), value);
    }
    std::ofstream(folder_ + "/bus.conf") << config;

    const std::string log = folder_ + "/daemon.log";
    daemon_.start(
        {{"dbus-daemon", "--config-file=" + folder_ + "/bus.conf", "--nofork"}, {}, {}, log});
    if (wait_until([&] { return !daemon_.running() || BusConnection(address_).ok(); },
                   milliseconds(15000)) &&
        daemon_.running())
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "dbus-daemon is not serving; its log: " << read_file(log);
}

}  // namespace test_support
