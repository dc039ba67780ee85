#include "launch.h"

#include <cstdlib>
#include <sstream>

namespace test_support {

namespace {

std::string variable(const char *name) {
    const char *value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::vector<std::string> launcher() {
    std::istringstream words(variable("QUELLARION_TEST_LAUNCHER"));
    std::vector<std::string> out;
    for (std::string word; words >> word;) out.push_back(word);
    return out;
}

// Each path of a colon-separated list, mapped.
std::string target_paths(const std::string &list) {
    std::string out;
    std::istringstream paths(list);
    for (std::string path; std::getline(paths, path, ':');) {
        out += (out.empty() ? "" : ":") + target_path(path);
    }
    return out;
}

// True when the programs run under qemu's user-mode emulation.
bool emulated() {
    const std::vector<std::string> words = launcher();
    return !words.empty() && words[0].find("qemu-") != std::string::npos;
}

}  // namespace

std::string target_path(const std::string &builtPath) {
    const std::string buildDir = QUELLARION_BUILD_DIR;
    const std::string target = variable("QUELLARION_TEST_TARGET_BUILD");
    if (target.empty() || !builtPath.starts_with(buildDir + "/")) return builtPath;
    return target + builtPath.substr(buildDir.size());
}

std::vector<std::string> launch_command(std::vector<std::string> argv,
                                        std::vector<std::string> &env) {
    std::vector<std::string> command = launcher();
    const bool underQemu = emulated();
    const std::string runOptions = variable("ASAN_OPTIONS");
    for (auto entry = env.begin(); entry != env.end();) {
        // A test's sanitizer options add to those of the whole run (no leak checks under qemu).
        if (entry->starts_with("ASAN_OPTIONS=") && !runOptions.empty()) {
            *entry = "ASAN_OPTIONS=" + runOptions + ":" + entry->substr(13);
        }
        if (!entry->starts_with("LD_PRELOAD=")) {
            ++entry;
            continue;
        }
        const std::string preload = "LD_PRELOAD=" + target_paths(entry->substr(11));
        if (!underQemu) {
            *entry++ = preload;
            continue;
        }
        command.insert(command.end(), {"-E", preload});
        entry = env.erase(entry);
    }
    argv[0] = target_path(argv[0]);
    command.insert(command.end(), argv.begin(), argv.end());
    return command;
}

}  // namespace test_support
