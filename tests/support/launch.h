// How an end-to-end test starts the programs under test. By default they are this build's and run
// directly. With QUELLARION_TEST_TARGET_BUILD naming another build folder (the board's), its
// programs and preload libraries take their place, and QUELLARION_TEST_LAUNCHER (words split at
// blanks, e.g. "qemu-aarch64 -L /usr/aarch64-linux-gnu" or "valgrind --leak-check=full") goes in
// front of each program; either variable may be used alone.
#pragma once

#include <string>
#include <vector>

namespace test_support {

// builtPath, a file of this build, or the same file in the target build.
std::string target_path(const std::string &builtPath);

// The command line that runs the program argv[0] of this build with its arguments. LD_PRELOAD
// entries of env name target libraries; under qemu they move from env to its -E options, so that
// they reach the emulated program and not qemu itself. ASAN_OPTIONS entries extend the test's own.
std::vector<std::string> launch_command(std::vector<std::string> argv,
                                        std::vector<std::string> &env);

}  // namespace test_support
