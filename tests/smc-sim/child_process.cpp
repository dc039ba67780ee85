#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

extern char **environ;

namespace {

bool inherited(const std::string &entry, const std::vector<std::string> &extra_env) {
    if (entry.rfind("SMC_SIM_", 0) == 0 || entry.rfind("LD_PRELOAD=", 0) == 0) return false;
    const std::string name = entry.substr(0, entry.find('=') + 1);
    for (const auto &extra : extra_env) {
        if (extra.rfind(name, 0) == 0) return false;
    }
    return true;
}

long now_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

ChildResult run_child(const std::vector<std::string> &argv,
                      const std::vector<std::string> &extra_env, int limit_seconds) {
    std::vector<std::string> env;
    for (char **entry = environ; *entry != nullptr; ++entry) {
        if (inherited(*entry, extra_env)) env.emplace_back(*entry);
    }
    env.insert(env.end(), extra_env.begin(), extra_env.end());
    std::vector<char *> argv_ptrs, env_ptrs;
    for (const auto &a : argv) argv_ptrs.push_back(const_cast<char *>(a.c_str()));
    for (const auto &e : env) env_ptrs.push_back(const_cast<char *>(e.c_str()));
    argv_ptrs.push_back(nullptr);
    env_ptrs.push_back(nullptr);

    ChildResult result;
    int out_pipe[2], err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0) return result;
    if (pipe2(err_pipe, O_CLOEXEC) != 0) {
        close(out_pipe[0]);
        close(out_pipe[1]);
        return result;
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        execve(argv_ptrs[0], argv_ptrs.data(), env_ptrs.data());
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);

    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    std::string *sinks[2] = {&result.out, &result.err};
    const long deadline = now_ms() + limit_seconds * 1000L;
    int open_streams = pid > 0 ? 2 : 0;
    bool killed = false;
    while (open_streams > 0) {
        long left = deadline - now_ms();
        if (left <= 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (poll(fds, 2, static_cast<int>(left)) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char chunk[4096];
            ssize_t got = read(fds[i].fd, chunk, sizeof chunk);
            if (got > 0) {
                sinks[i]->append(chunk, static_cast<size_t>(got));
            } else {
                fds[i].fd = -1;
                --open_streams;
            }
        }
    }
    close(out_pipe[0]);
    close(err_pipe[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && !killed && WIFEXITED(status)) {
        result.exit_status = WEXITSTATUS(status);
    }
    return result;
}

std::map<std::string, std::string> parse_fields(const std::string &text) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        auto equals = line.find('=');
        if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return fields;
}

std::vector<std::string> read_lines(const std::string &path) {
    std::vector<std::string> lines;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) lines.push_back(line);
    return lines;
}
