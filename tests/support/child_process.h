// Child processes for end-to-end tests: started with extra environment and their output in files,
// waited for with a time limit, and always stopped by pid.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

using std::chrono::milliseconds;

struct ChildOptions {
    std::vector<std::string> argv;
    // "NAME=value" entries added to (or replacing) the test's own environment.
    std::vector<std::string> extraEnv;
    // Files that receive the child's standard output and error; empty means /dev/null.
    std::string stdoutPath;
    std::string stderrPath;
};

// One child process, started once and stopped (SIGTERM, then SIGKILL) when the object goes away.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess &) = delete;
    ~ChildProcess() { stop(); }

    bool start(const ChildOptions &options);
    pid_t pid() const { return pid_; }
    // The exit status (-1 after a signal) once the child has ended within timeout, else nothing.
    std::optional<int> wait_for_exit(milliseconds timeout);
    bool running() { return pid_ > 0 && !wait_for_exit(milliseconds(0)); }
    void stop();

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

std::string read_file(const std::string &path);

// Polls condition every few milliseconds until it holds or timeout passes.
bool wait_until(const std::function<bool()> &condition, milliseconds timeout);

}  // namespace test_support
