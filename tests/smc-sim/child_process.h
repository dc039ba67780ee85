// Runs a program with a chosen environment and collects its output, with a time limit, so a
// test never waits forever on a hung child.
#pragma once

#include <map>
#include <string>
#include <vector>

struct ChildResult {
    int exit_status = -1;  // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// Runs argv[0] with the test's environment minus every SMC_SIM_* and LD_PRELOAD variable, plus
// extra_env ("NAME=value"), whose entries replace inherited ones of the same name. Its output
// passes through files in work_dir. A child still running after the limit is killed.
ChildResult run_child(const std::vector<std::string> &argv,
                      const std::vector<std::string> &extra_env, const std::string &work_dir,
                      int limit_seconds = 30);

// "key=value" lines of the probe's output.
std::map<std::string, std::string> parse_fields(const std::string &text);

std::vector<std::string> read_lines(const std::string &path);
