#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace test_support {

namespace {

void redirect(const std::string &path, int targetFd) {
    const char *file = path.empty() ? "/dev/null" : path.c_str();
    const int fd = open(file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) _exit(126);
    if (dup2(fd, targetFd) < 0) _exit(126);
}

// Everything the child needs is built before fork, so the child only calls exec-safe functions
// (and the caller's beforeExec hook).
struct ExecPlan {
    std::vector<std::string> env;
    std::vector<char *> argv;
    std::vector<char *> envp;
};

ExecPlan make_plan(const ChildOptions &options) {
    ExecPlan plan;
    for (char **entry = environ; *entry != nullptr; ++entry) plan.env.emplace_back(*entry);
    for (const std::string &extra : options.extraEnv) {
        const std::string key = extra.substr(0, extra.find('=') + 1);
        std::erase_if(plan.env, [&](const std::string &e) { return e.starts_with(key); });
        plan.env.push_back(extra);
    }
    for (const std::string &arg : options.argv)
        plan.argv.push_back(const_cast<char *>(arg.c_str()));
    plan.argv.push_back(nullptr);
    for (std::string &entry : plan.env) plan.envp.push_back(entry.data());
    plan.envp.push_back(nullptr);
    return plan;
}

}  // namespace

ChildProcess::ChildProcess(const ChildOptions &options) {
    if (options.argv.empty()) return;
    ExecPlan plan = make_plan(options);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // A test that dies without its clean-up still takes its children with it.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(126);
        redirect(options.stdoutPath, STDOUT_FILENO);
        redirect(options.stderrPath, STDERR_FILENO);
        if (options.beforeExec && !options.beforeExec()) _exit(127);
        execvpe(plan.argv[0], plan.argv.data(), plan.envp.data());
        _exit(127);
    }
    pid_ = pid;
}

ChildProcess::ChildProcess(ChildProcess &&other) noexcept
    : pid_(other.pid_), status_(other.status_) {
    other.pid_ = -1;
}

ChildProcess &ChildProcess::operator=(ChildProcess &&other) noexcept {
    if (this != &other) {
        stop();
        pid_ = other.pid_;
        status_ = other.status_;
        other.pid_ = -1;
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::running() {
    if (pid_ <= 0 || status_) return false;
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) status_ = status;
    return r == 0;
}

std::optional<int> ChildProcess::wait_for_exit(milliseconds timeout) {
    if (pid_ <= 0) return std::nullopt;
    wait_until([&] { return !running(); }, timeout);
    return status_;
}

std::optional<int> ChildProcess::stop(milliseconds grace) {
    if (pid_ <= 0) return std::nullopt;
    if (running()) {
        kill(pid_, SIGTERM);
        if (!wait_for_exit(grace)) {
            kill(pid_, SIGKILL);
            wait_for_exit(grace);
        }
    }
    return status_;
}

int exit_code(int waitStatus) {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool wait_until(const std::function<bool()> &condition, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(milliseconds(10));
    }
}

}  // namespace test_support
