// The bus loop and the handler through the loop probe (quellarion_core with a short wait limit
// and, on request, operations that misbehave on purpose).
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "bus_client.h"
#include "service_process.h"
#include "test_bus.h"

namespace {

using namespace test_support;
using std::chrono::milliseconds;

constexpr char RECEIVED_LINE[] = "quellarion: received message \n";
constexpr char PROCESSED_LINE[] = "quellarion: message processed \n";
constexpr char TIME_LIMIT_LINE[] = "Time limit exceeded, no message received, exit now.\n";
constexpr milliseconds EXIT_WAIT{20000};

ServiceOptions probe_options(const std::string &waitUsec, bool probeOperations) {
    ServiceOptions options;
    options.argv = {LOOP_PROBE, waitUsec};
    if (probeOperations) options.argv.push_back("probe");
    return options;
}

TEST(ServiceLoop, WaitWithoutActivityEndsTheLoopWithStatusZero) {
    TestBus bus;
    ASSERT_TRUE(bus.start());
    ServiceProcess service(bus, probe_options("1000000", false));
    ASSERT_TRUE(service.start());
    const auto status = service.process().wait_for_exit(EXIT_WAIT);
    ASSERT_TRUE(status.has_value()) << "loop did not end";
    EXPECT_EQ(exit_code(*status), 0);
    EXPECT_EQ(service.stdout_text(), TIME_LIMIT_LINE);
    EXPECT_EQ(service.stderr_text(), "");
}

TEST(ServiceLoop, CallsBeforeTheLimitRestartTheWait) {
    // Calls every 250 ms for four whole limits of 1.5 s: each one must start a new wait.
    constexpr int CALLS = 24;
    TestBus bus;
    ASSERT_TRUE(bus.start());
    ServiceProcess service(bus, probe_options("1500000", false));
    ASSERT_TRUE(service.start());
    BusConnection client(bus.address());
    for (int i = 0; i < CALLS; ++i) {
        std::this_thread::sleep_for(milliseconds(250));
        ASSERT_GE(client.query("keep", "alive").result, 0) << "call " << i;
    }
    EXPECT_TRUE(service.process().running()) << "ended while calls kept coming";

    const auto status = service.process().wait_for_exit(EXIT_WAIT);
    ASSERT_TRUE(status.has_value()) << "loop did not end after the calls stopped";
    EXPECT_EQ(exit_code(*status), 0);
    const std::vector<std::string> lines = split_lines(service.stdout_text());
    ASSERT_EQ(lines.size(), 2u * CALLS + 1);
    EXPECT_EQ(lines.back(), TIME_LIMIT_LINE);
}

TEST(ServiceLoop, HandlerAnswersAndFailuresOfOperations) {
    struct Case {
        const char *label;
        std::string operation;
        std::string argument;
        bool answered;
        std::string answer;
        std::string errorLines;
    };
    const std::string long128(128, 'q');
    const std::vector<Case> cases = {
        {"known operation", "echo", "hello", true, "hello", ""},
        {"128 characters", "echo", long128, true, long128, ""},
        {"longer argument is cut to 128", "echo", long128 + "tail", true, long128, ""},
        {"unterminated answer is cut to 128", "overrun", "", true, std::string(128, 'y'), ""},
        {"buffer is zeroed after a full one", "zeroed", "", true, "zeroed", ""},
        {"operation fails", "fail", "x", false, "", "unknown error\ncheck_process fail r:-1 \n"},
        {"reply cannot be sent", "bad-text", "", false, "", "check_process fail r:-22 \n"},
        {"case differs", "Echo", "hello", true, "", ""},
        {"trailing blank", "echo ", "hello", true, "", ""},
        {"empty name", "", "hello", true, "", ""},
    };
    TestBus bus;
    ASSERT_TRUE(bus.start());
    ServiceProcess service(bus, probe_options("60000000", true));
    ASSERT_TRUE(service.start());
    BusConnection client(bus.address());

    std::size_t stdoutSeen = 0;
    std::size_t stderrSeen = 0;
    std::size_t calls = 0;
    for (const Case &c : cases) {
        // Fill the stack with a full answer first, so a missing zeroing would show.
        ASSERT_GE(client.query("overrun", "").result, 0) << c.label;
        const CallResult r = client.query(c.operation, c.argument);
        if (c.answered) {
            EXPECT_GE(r.result, 0) << c.label << ": " << r.errorName;
            EXPECT_EQ(r.answer, c.answer) << c.label;
        } else {
            EXPECT_LT(r.result, 0) << c.label;
            EXPECT_FALSE(r.errorName.empty()) << c.label;
        }
        calls += 2;
        const std::string out = service.stdout_lines(2 * calls);
        EXPECT_EQ(out.substr(stdoutSeen),
                  std::string(RECEIVED_LINE) + PROCESSED_LINE + RECEIVED_LINE + PROCESSED_LINE)
            << c.label;
        stdoutSeen = out.size();
        const std::string err = service.stderr_text();
        EXPECT_EQ(err.substr(stderrSeen), c.errorLines) << c.label;
        stderrSeen = err.size();
    }
    EXPECT_TRUE(service.process().running());
}

}  // namespace
