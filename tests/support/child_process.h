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
    // Runs in the child just before exec (e.g. dropping privileges); a false result ends the
    // child with status 127.
    std::function<bool()> beforeExec;
};

// A started child. The destructor stops it (SIGTERM, then SIGKILL) if it still runs.
class ChildProcess {
public:
    ChildProcess() = default;
    explicit ChildProcess(const ChildOptions &options);
    ChildProcess(ChildProcess &&other) noexcept;
    ChildProcess &operator=(ChildProcess &&other) noexcept;
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    ~ChildProcess();

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // True while the child has not exited (it is reaped when it has).
    bool running();
    // The raw wait status once the child has ended within timeout, else nothing.
    std::optional<int> wait_for_exit(milliseconds timeout);
    // SIGTERM, then SIGKILL after grace; returns the raw wait status.
    std::optional<int> stop(milliseconds grace = milliseconds(3000));

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// The exit status of a raw wait status, or -1 when the child did not exit normally.
int exit_code(int waitStatus);

std::string read_file(const std::string &path);

// Polls condition every few milliseconds until it holds or timeout passes.
bool wait_until(const std::function<bool()> &condition, milliseconds timeout);

}  // namespace test_support
