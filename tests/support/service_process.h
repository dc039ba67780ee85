// The quellarion daemon (or another program serving the same name) started on a test bus, with
// its standard output and error in files and the start counted as done once it owns the name.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "test_bus.h"

namespace test_support {

constexpr char RECEIVED_LINE[] = "quellarion: received message \n";
constexpr char PROCESSED_LINE[] = "quellarion: message processed \n";
constexpr char TIME_LIMIT_LINE[] = "Time limit exceeded, no message received, exit now.\n";

struct ServiceOptions {
    // The program and its arguments; empty means the quellarion binary of this build.
    std::vector<std::string> argv;
    // Extra "NAME=value" entries; they may replace the bus address too.
    std::vector<std::string> extraEnv;
    // Tells the log files of several services on one bus apart.
    std::string logName = "service";
    // When false, start() returns as soon as the process runs (for starts expected to fail).
    bool waitForName = true;
};

class ServiceProcess {
public:
    ServiceProcess(const TestBus &bus, ServiceOptions options)
        : bus_(bus), options_(std::move(options)) {}

    testing::AssertionResult start(milliseconds timeout = milliseconds(20000));

    std::string stdout_text() const { return read_file(logPath_ + ".stdout"); }
    std::string stderr_text() const { return read_file(logPath_ + ".stderr"); }
    // Standard output once it holds at least lines lines (or whatever it holds after a while):
    // a caller may see its reply before the service has written the line that follows it.
    std::string stdout_lines(std::size_t lines) const;
    ChildProcess &process() { return process_; }

private:
    const TestBus &bus_;
    ServiceOptions options_;
    std::string logPath_;
    ChildProcess process_;
};

// The path of the quellarion binary under test.
std::string service_binary();

// What standard output holds after calls handled calls: each its received and processed line.
std::string paired_lines(std::size_t calls);

}  // namespace test_support
