// Bus activation end to end: a private system-type bus whose service folder holds an activation
// file of the test's own, starting this build's daemon with the simulated driver and the ppoll
// shortener preloaded (so its idle hour passes in moments). Calls made while nothing runs, while
// it starts, after it was killed and after its idle exit are all answered.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "reference_signature.h"
#include "test_bus.h"

namespace {

using namespace test_support;

constexpr milliseconds EXIT_WAIT{30000};

// Each caller on its own connection, all at once: half sign a challenge of their own, half call
// an unknown operation. Returns how many answers were wrong or missing.
int concurrent_calls(int callers) {
    std::atomic<int> wrong = 0;
    std::vector<std::jthread> threads;  // joined when they go away
    for (int i = 0; i < callers; ++i) {
        threads.emplace_back([i, &wrong] {
            const std::string challenge = std::string(62, 'c') + char('a' + i % 6) + '0';
            const bool signs = i % 2 == 0;
            const CallResult r = BusConnection().query(signs ? "DeRiViduz" : "unknown", challenge);
            const std::string expected = signs ? reference_signature(SEED_HEX, challenge) : "";
            wrong += !r.error.empty() || r.answer != expected;
        });
    }
    threads.clear();
    return wrong;
}

TEST(Activation, CallsStartTheServiceAgainAfterItEndsAndNoneIsLost) {
    // The service's output goes to files of its own, as the bus daemon's go nowhere.
    char pattern[] = "/tmp/quellarion-activated-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string files = pattern;
    std::vector<std::string> env = {
        std::string("LD_PRELOAD=") + SMC_SIM_LIBRARY + ":" + PPOLL_SHORTENER,
        std::string("SMC_SIM_SEED=") + SEED_HEX, "QUELLARION_PPOLL_LOG=" + files + "/ppoll.log",
        "ASAN_OPTIONS=verify_asan_link_order=0"};
    const std::vector<std::string> command = launch_command({QUELLARION_BINARY}, env);
    std::string exec = "/usr/bin/env";
    for (const std::string &word : env) exec += " " + word;
    for (const std::string &word : command) exec += " " + word;
    TestBus bus;
    ASSERT_TRUE(bus.start("[D-BUS Service]\nName=com.vorlix.quellarion\nExec=/bin/sh -c 'exec " +
                          exec + " >>" + files + "/stdout 2>>" + files + "/stderr'\n"));

    // Nothing runs: the first calls start it, and those made while it starts wait for it.
    EXPECT_EQ(service_owner_pid(), 0);
    EXPECT_EQ(concurrent_calls(6), 0);
    const pid_t first = service_owner_pid();
    ASSERT_GT(first, 0);

    // Killed, it is started again by the next calls.
    kill(first, SIGKILL);
    EXPECT_TRUE(wait_until([] { return service_owner_pid() == 0; }, EXIT_WAIT));
    EXPECT_EQ(concurrent_calls(4), 0);
    const pid_t second = service_owner_pid();
    EXPECT_GT(second, 0);
    EXPECT_NE(second, first);

    // After its idle exit, too.
    EXPECT_TRUE(wait_until([] { return service_owner_pid() == 0; }, EXIT_WAIT));
    EXPECT_EQ(concurrent_calls(3), 0);
    EXPECT_TRUE(wait_until([] { return service_owner_pid() == 0; }, EXIT_WAIT));

    // Every call was handled once by one of the three instances, and the two that were not killed
    // said why they ended. The killed one may not have written its last line.
    const std::string out = read_file(files + "/stdout");
    const auto occurrences = [&out](const std::string &line) {
        std::size_t n = 0;
        for (auto at = out.find(line); at != std::string::npos; at = out.find(line, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(occurrences(RECEIVED_LINE), 13u) << out;
    EXPECT_EQ(occurrences(TIME_LIMIT_LINE), 2u) << out;
    EXPECT_EQ(read_file(files + "/stderr"), "");
    std::filesystem::remove_all(files);
}

}  // namespace
