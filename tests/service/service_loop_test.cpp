// The bus loop and the handler through the loop probe (quellarion_core with a short wait limit
// and, on request, operations that misbehave on purpose).
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "bus_client.h"
#include "service_process.h"
#include "test_bus.h"

namespace {

using namespace test_support;

TEST(ServiceLoop, CallsRestartTheWaitAndAnIdleWaitEndsTheLoopWithStatusZero) {
    // A call every 250 ms for two whole limits of 1.5 s: each one must start a new wait.
    constexpr int CALLS = 12;
    TestBus bus;
    ASSERT_TRUE(bus.start());
    ServiceProcess service(bus, {{LOOP_PROBE, "1500000"}, {}});
    ASSERT_TRUE(service.start());
    BusConnection client(bus.address());
    for (int i = 0; i < CALLS; ++i) {
        std::this_thread::sleep_for(milliseconds(250));
        ASSERT_GE(client.query("keep", "alive").result, 0) << "call " << i;
    }
    EXPECT_EQ(service.process().wait_for_exit(milliseconds(20000)), 0);
    EXPECT_EQ(service.stdout_text(), paired_lines(CALLS) + TIME_LIMIT_LINE);
    EXPECT_EQ(service.stderr_text(), "");
}

TEST(ServiceLoop, EveryCallIsLoggedAlsoWhenItsOperationFails) {
    struct Case {
        const char *operation;
        bool answered;
        std::string answer;
        std::string errorLines;
    };
    const Case cases[] = {
        {"overrun", true, std::string(128, 'y'), ""},
        // Right after a full buffer: the reply buffer starts zeroed for every call.
        {"unknown", true, "", ""},
        {"fail", false, "", "unknown error\ncheck_process fail r:-1 \n"},
    };
    TestBus bus;
    ASSERT_TRUE(bus.start());
    ServiceProcess service(bus, {{LOOP_PROBE, "60000000", "probe"}, {}});
    ASSERT_TRUE(service.start());
    BusConnection client(bus.address());
    std::string errorLines;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        const CallResult r = client.query(c.operation, "");
        EXPECT_EQ(r.result >= 0, c.answered) << c.operation << ": " << r.errorName;
        EXPECT_EQ(r.answer, c.answer) << c.operation;
        EXPECT_EQ(service.stdout_lines(2 * (i + 1)), paired_lines(i + 1)) << c.operation;
        errorLines += c.errorLines;
        EXPECT_EQ(service.stderr_text(), errorLines) << c.operation;
    }
}

}  // namespace
