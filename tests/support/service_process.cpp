#include "service_process.h"

#include <algorithm>

#include "bus_client.h"

namespace test_support {

std::string service_binary() {
    return QUELLARION_BINARY;
}

ServiceProcess::ServiceProcess(const TestBus &bus, ServiceOptions options)
    : bus_(bus), options_(std::move(options)) {}

testing::AssertionResult ServiceProcess::start(std::chrono::milliseconds timeout) {
    // The bus's folder exists only once the bus has started.
    if (bus_.folder().empty()) return testing::AssertionFailure() << "the test bus is not started";
    stdoutPath_ = bus_.folder() + "/" + options_.logName + ".stdout";
    stderrPath_ = bus_.folder() + "/" + options_.logName + ".stderr";
    ChildOptions child;
    child.argv = options_.argv.empty() ? std::vector<std::string>{service_binary()} : options_.argv;
    child.extraEnv = options_.extraEnv;
    child.extraEnv.push_back(bus_.environment_entry());
    child.stdoutPath = stdoutPath_;
    child.stderrPath = stderrPath_;
    child.beforeExec = options_.beforeExec;
    process_ = ChildProcess(child);
    if (!process_.started()) return testing::AssertionFailure() << "fork failed";
    if (!options_.waitForName) return testing::AssertionSuccess();

    BusConnection client(bus_.address());
    if (!client.ok()) {
        return testing::AssertionFailure()
               << "test client cannot connect: " << client.open_result();
    }
    const bool owned = wait_until(
        [&] { return !process_.running() || client.name_has_owner(SERVICE_NAME); }, timeout);
    if (owned && process_.running()) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << (owned ? "service exited during start-up" : "name not owned in time")
           << "; stdout: " << stdout_text() << "; stderr: " << stderr_text();
}

std::string ServiceProcess::stdout_lines(std::size_t lines,
                                         std::chrono::milliseconds timeout) const {
    std::string text;
    wait_until(
        [&] {
            text = stdout_text();
            return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= lines;
        },
        timeout);
    return text;
}

std::vector<std::string> split_lines(const std::string &text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::size_t stop = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, stop - start));
        start = stop;
    }
    return lines;
}

}  // namespace test_support
