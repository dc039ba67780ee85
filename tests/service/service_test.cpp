// The real daemon on a private bus: answers and progress lines, rejected calls, an unprivileged
// caller, start-up failures, a vanished bus and the idle hour (concurrent callers are in
// load_test); and its loop, through a probe with a short wait limit, over operations that
// misbehave.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "test_bus.h"

namespace {

using namespace test_support;

constexpr milliseconds EXIT_WAIT{20000};

class Service : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus_.start()); }

    // Runs busctl on the test bus as uid and gid 65534, expecting status, and returns its output.
    std::string busctl_as_nobody(std::vector<std::string> args, int status = 0) {
        args.insert(args.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                   "busctl", "--system"});
        ChildProcess busctl;
        busctl.start({args, {}, bus_.folder() + "/busctl.out", {}});
        EXPECT_EQ(busctl.wait_for_exit(EXIT_WAIT), status) << args.back();
        return read_file(bus_.folder() + "/busctl.out");
    }

    TestBus bus_;
    ServiceProcess service_;
};

TEST_F(Service, AnswersEveryCallOrRejectsItAndLogsEachHandledOne) {
    ASSERT_TRUE(service_.start(bus_));
    BusConnection client;
    // Only the exact name is an operation; the last argument is 1 MiB.
    const std::string hex(64, 'a');
    const std::pair<std::string, std::string> calls[] = {{"Sign", hex},
                                                         {"derividuz", hex},
                                                         {"DeRiViduz ", hex},
                                                         {"", ""},
                                                         {"unknown", std::string(1 << 20, 'x')}};
    for (const auto &[operation, argument] : calls) {
        const CallResult r = client.query(operation, argument);
        EXPECT_EQ(r.error, "") << operation;
        EXPECT_EQ(r.answer, "") << operation;
    }
    EXPECT_EQ(client.call_service("si", "DeRiViduz", 7).error,
              "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_EQ(client.query("still", "serving").error, "");
    EXPECT_TRUE(service_.logged(std::size(calls) + 1));
    EXPECT_EQ(service_.stderr_text(), "");
}

TEST_F(Service, LoopLogsEveryCallAlsoWhenItFailsAndCallsRestartTheWait) {
    // A wait limit of 1.5 s, and calls 250 ms apart for 3 s: each must start a new wait.
    ASSERT_TRUE(service_.start(bus_, {LOOP_PROBE, "1500000"}));
    BusConnection client;
    EXPECT_EQ(client.query("overrun", "").answer, std::string(128, 'y'));
    // Right after a full buffer: the reply buffer starts zeroed for every call.
    EXPECT_EQ(client.query("unknown", "").answer, "");
    EXPECT_EQ(client.query("fail", "").error, "org.freedesktop.DBus.Error.AccessDenied");
    for (int i = 0; i < 12; ++i) {
        std::this_thread::sleep_for(milliseconds(250));
        ASSERT_EQ(client.query("keep", "alive").error, "") << "call " << i;
    }
    EXPECT_EQ(service_.wait_for_exit(EXIT_WAIT), 0);
    EXPECT_TRUE(service_.logged(15, TIME_LIMIT_LINE));
    EXPECT_EQ(service_.stderr_text(), "unknown error\ncheck_process fail r:-1 \n");
}

TEST_F(Service, UnprivilegedCallerCanCallAndIntrospectButNotOwnTheName) {
    ASSERT_TRUE(service_.start(bus_));
    EXPECT_EQ(busctl_as_nobody({"call", SERVICE_NAME, OBJECT_PATH, SERVICE_NAME, METHOD_NAME, "ss",
                                "unknown", "argument"}),
              "s \"\"\n");
    // The interface has this one method and nothing else.
    const std::string members =
        busctl_as_nobody({"introspect", SERVICE_NAME, OBJECT_PATH, SERVICE_NAME});
    EXPECT_TRUE(
        std::regex_match(members, std::regex("NAME +TYPE +SIGNATURE +RESULT/VALUE +FLAGS\n"
                                             "\\.dovazorerevozoredevo +method +ss +s +-\n")))
        << members;
    // Without queueing, only the policy can refuse the request: the owner keeps the name either
    // way.
    busctl_as_nobody({"call", "org.freedesktop.DBus", "/org/freedesktop/DBus",
                      "org.freedesktop.DBus", "RequestName", "su", SERVICE_NAME, "4"},
                     1);
}

TEST_F(Service, SecondInstanceCannotClaimTheNameAndTheFirstKeepsServing) {
    ASSERT_TRUE(service_.start(bus_));
    ServiceProcess second;
    second.start(bus_);
    EXPECT_EQ(second.wait_for_exit(EXIT_WAIT), 1);
    EXPECT_EQ(second.stderr_text(), "Failed to acquire service name: -17\n");
    EXPECT_EQ(BusConnection().query("unknown", "").error, "");
    EXPECT_TRUE(service_.logged(1));
}

TEST_F(Service, LosingTheBusEndsTheServiceWithStatusOne) {
    ASSERT_TRUE(service_.start(bus_));
    bus_.stop_daemon();
    EXPECT_EQ(service_.wait_for_exit(EXIT_WAIT), 1);
    const std::string err = service_.stderr_text();
    EXPECT_TRUE(std::regex_match(err, std::regex("Failed to sd_bus_(process|wait): -[0-9]+\n")))
        << err;
    EXPECT_EQ(service_.stdout_text(), "");
}

TEST_F(Service, FailedCapabilityStepEndsStartUpBeforeTheBus) {
    const std::pair<const char *, const char *> cases[] = {
        {"--drop=cap_dac_override", "set capability failed : 1\n"},
        // SECBIT_NO_CAP_AMBIENT_RAISE: only the ambient step fails.
        {"--secbits=64", "ambient set capability cap: 1 failed: 1 \n"},
    };
    for (const auto &[option, line] : cases) {
        // Nobody listens there: a connection attempt would add its own failure line.
        std::vector<std::string> env = {"DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent"};
        std::vector<std::string> argv = {"capsh", option, "--", "-c", "exec \"$0\" \"$@\""};
        std::ranges::copy(launch_command({QUELLARION_BINARY}, env), std::back_inserter(argv));
        ServiceProcess service;
        service.start(bus_, argv, env);
        EXPECT_EQ(service.wait_for_exit(EXIT_WAIT), 1) << option;
        EXPECT_EQ(service.stderr_text(), line) << option;
        EXPECT_EQ(service.stdout_text(), "") << option;
    }
}

TEST_F(Service, IdleHourEndsTheDaemonWithStatusZero) {
    const std::string waitLog = bus_.folder() + "/ppoll.log";
    ASSERT_TRUE(service_.start(
        bus_, {},
        {std::string("LD_PRELOAD=") + PPOLL_SHORTENER, "QUELLARION_PPOLL_LOG=" + waitLog,
         "ASAN_OPTIONS=verify_asan_link_order=0"}));
    EXPECT_EQ(BusConnection().query("unknown", "").error, "");
    EXPECT_EQ(service_.wait_for_exit(EXIT_WAIT), 0);
    EXPECT_TRUE(service_.logged(1, TIME_LIMIT_LINE));
    EXPECT_EQ(service_.stderr_text(), "");
    // Every long wait the daemon asked for was exactly one hour.
    const std::string waits = read_file(waitLog);
    EXPECT_TRUE(std::regex_match(waits, std::regex("(3600\\.000000000\n)+"))) << waits;
}

}  // namespace
