#include "service_process.h"

#include <algorithm>

#include "bus_client.h"

namespace test_support {

std::string service_binary() {
    return QUELLARION_BINARY;
}

testing::AssertionResult ServiceProcess::start(milliseconds timeout) {
    if (bus_.folder().empty()) return testing::AssertionFailure() << "the test bus is not started";
    logPath_ = bus_.folder() + "/" + options_.logName;
    ChildOptions child{
        options_.argv, {bus_.environment_entry()}, logPath_ + ".stdout", logPath_ + ".stderr"};
    if (child.argv.empty()) child.argv = {service_binary()};
    child.extraEnv.insert(child.extraEnv.end(), options_.extraEnv.begin(), options_.extraEnv.end());
    if (!process_.start(child)) return testing::AssertionFailure() << "fork failed";
    if (!options_.waitForName) return testing::AssertionSuccess();

    BusConnection client(bus_.address());
    const bool ended = wait_until(
        [&] { return !process_.running() || client.name_has_owner(SERVICE_NAME); }, timeout);
    if (ended && process_.running()) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << (ended ? "service exited during start-up" : "name not owned in time")
           << "; stdout: " << stdout_text() << "; stderr: " << stderr_text();
}

std::string ServiceProcess::stdout_lines(std::size_t lines) const {
    std::string text;
    wait_until(
        [&] {
            text = stdout_text();
            return static_cast<std::size_t>(std::ranges::count(text, '\n')) >= lines;
        },
        milliseconds(10000));
    return text;
}

std::string paired_lines(std::size_t calls) {
    std::string text;
    for (std::size_t i = 0; i < calls; ++i) text += std::string(RECEIVED_LINE) + PROCESSED_LINE;
    return text;
}

}  // namespace test_support
