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
    // Under qemu's user-mode emulation, preloads go to qemu's -E options.
    const bool underQemu = !command.empty() && command[0].find("qemu-") != std::string::npos;
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
        std::string preload;  // each path of the colon-separated list, mapped
        std::istringstream paths(entry->substr(11));
        for (std::string path; std::getline(paths, path, ':');) {
            preload += (preload.empty() ? "LD_PRELOAD=" : ":") + target_path(path);
        }
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
