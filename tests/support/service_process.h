// The quellarion daemon (or another program serving the same name) started on a test bus, with
// its standard output and error in files and the start counted as done once it owns the name.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "test_bus.h"

namespace test_support {

struct ServiceOptions {
    // The program and its arguments; empty means the quellarion binary of this build.
    std::vector<std::string> argv;
    // Extra "NAME=value" entries, e.g. LD_PRELOAD of a simulated driver and its settings.
    std::vector<std::string> extraEnv;
    // Runs in the child before exec.
    std::function<bool()> beforeExec;
    // Tells the log files of several services on one bus apart.
    std::string logName = "service";
    // When false, start() returns as soon as the process runs (for starts expected to fail).
    bool waitForName = true;
};

class ServiceProcess {
public:
    ServiceProcess(const TestBus &bus, ServiceOptions options);

    // Starts the process; with waitForName, succeeds once the name is owned on the bus.
    testing::AssertionResult start(std::chrono::milliseconds timeout = std::chrono::seconds(20));

    std::string stdout_text() const { return read_file(stdoutPath_); }
    // Standard output once it holds at least lines lines (or whatever it holds after timeout):
    // a caller may see its reply before the service has written the line that follows it.
    std::string stdout_lines(std::size_t lines,
                             std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    std::string stderr_text() const { return read_file(stderrPath_); }
    ChildProcess &process() { return process_; }

private:
    const TestBus &bus_;
    ServiceOptions options_;
    std::string stdoutPath_;
    std::string stderrPath_;
    ChildProcess process_;
};

// The path of the quellarion binary under test.
std::string service_binary();

// Splits text into lines, each keeping its terminating newline.
std::vector<std::string> split_lines(const std::string &text);

}  // namespace test_support
