#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

namespace test_support {

bool ChildProcess::start(const ChildOptions &options) {
    // Everything the child needs is built before fork, so the child only calls exec-safe
    // functions.
    std::vector<std::string> env;
    for (char **entry = environ; *entry != nullptr; ++entry) env.emplace_back(*entry);
    for (const std::string &extra : options.extraEnv) {
        const std::string key = extra.substr(0, extra.find('=') + 1);
        std::erase_if(env, [&](const std::string &e) { return e.starts_with(key); });
        env.push_back(extra);
    }
    std::vector<char *> argv, envp;
    for (const std::string &arg : options.argv) argv.push_back(const_cast<char *>(arg.c_str()));
    for (std::string &entry : env) envp.push_back(entry.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const auto redirect = [](const std::string &path, int targetFd) {
        const int fd = open(path.empty() ? "/dev/null" : path.c_str(),
                            O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || dup2(fd, targetFd) < 0) _exit(126);
    };

    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // A test that dies without its clean-up still takes its children with it.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(126);
        redirect(options.stdoutPath, STDOUT_FILENO);
        redirect(options.stderrPath, STDERR_FILENO);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    return pid_ > 0;
}

std::optional<int> ChildProcess::wait_for_exit(milliseconds timeout) {
    wait_until(
        [&] {
            int status = 0;
            if (!status_ && pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_)
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return status_ || pid_ <= 0;
        },
        timeout);
    return status_;
}

void ChildProcess::stop() {
    for (const int signal : {SIGTERM, SIGKILL}) {
        if (running()) kill(pid_, signal);
        wait_for_exit(milliseconds(3000));
    }
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool wait_until(const std::function<bool()> &condition, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

}  // namespace test_support
