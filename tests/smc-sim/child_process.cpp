#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
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

std::string read_file(const std::string &path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

ChildResult run_child(const std::vector<std::string> &argv,
                      const std::vector<std::string> &extra_env, const std::string &work_dir,
                      int limit_seconds) {
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
    const std::string out_path = work_dir + "/child.out", err_path = work_dir + "/child.err";

    ChildResult result;
    pid_t pid = fork();
    if (pid < 0) return result;
    if (pid == 0) {
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
        execve(argv_ptrs[0], argv_ptrs.data(), env_ptrs.data());
        _exit(127);
    }
    int status = 0;
    pid_t done = 0;
    for (int waited_ms = 0; done == 0 && waited_ms < limit_seconds * 1000; ++waited_ms) {
        done = waitpid(pid, &status, WNOHANG);
        if (done == 0) usleep(1000);
    }
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else if (done == pid && WIFEXITED(status)) {
        result.exit_status = WEXITSTATUS(status);
    }
    result.out = read_file(out_path);
    result.err = read_file(err_path);
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
