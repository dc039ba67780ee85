// Faults under load: a slow simulated driver and several concurrent callers, each sending all
// its signing calls at once. Every call is answered, each caller's in the order it sent them,
// and the driver sees each caller's challenges in that order; a driver that fails every other
// request gets "signature error" answered for exactly those requests.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "reference_signature.h"
#include "test_bus.h"

namespace {

using namespace test_support;

constexpr int CALLERS = 4;
constexpr int CALLS_EACH = 5;

std::string challenge_of(int caller, int call) {
    return std::string(60, 'e') + char('0' + caller) + '0' + char('0' + call) + '0';
}

// One caller: sends its calls without waiting, then collects the answers (or the errors' names)
// in the order they come; each call's challenge differs, and so does its signature.
std::vector<std::string> call_all_at_once(int caller) {
    BusConnection client;
    std::vector<std::string> answers;
    const auto onReply = [](sd_bus_message *reply, void *list, sd_bus_error *) {
        const char *text = "(unreadable)";
        if (sd_bus_message_is_method_error(reply, nullptr))
            text = sd_bus_message_get_error(reply)->name;
        else
            sd_bus_message_read(reply, "s", &text);
        static_cast<std::vector<std::string> *>(list)->push_back(text);
        return 0;
    };
    for (int call = 0; call < CALLS_EACH; ++call) {
        if (sd_bus_call_method_async(client.get(), nullptr, SERVICE_NAME, OBJECT_PATH, SERVICE_NAME,
                                     METHOD_NAME, onReply, &answers, "ss", "DeRiViduz",
                                     challenge_of(caller, call).c_str()) < 0)
            return answers;
    }
    // Waits only when nothing is left to process, as replies may already be queued.
    while (answers.size() < CALLS_EACH) {
        const int processed = sd_bus_process(client.get(), nullptr);
        if (processed < 0) break;
        if (processed == 0 && sd_bus_wait(client.get(), 60000000) < 0) break;
    }
    return answers;
}

// The challenges of the driver's signing requests in the order it received them, each with its
// result.
std::vector<std::pair<std::string, std::string>> driver_requests(const std::string &log) {
    static const std::regex line(
        "ioctl fd=\\d+ request=0xc0086301 challenge=([0-9a-f]+) result=(.*)");
    std::vector<std::pair<std::string, std::string>> requests;
    for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it)
        requests.emplace_back((*it)[1], (*it)[2]);
    return requests;
}

class FaultsUnderLoad : public testing::Test {
protected:
    // Starts the service with a driver of delayMs per request and the extra settings, runs the
    // callers together, and returns each caller's answers.
    std::vector<std::vector<std::string>> run(const std::string &delayMs,
                                              const std::vector<std::string> &settings) {
        EXPECT_TRUE(bus_.start());
        std::vector<std::string> env = {
            std::string("LD_PRELOAD=") + SMC_SIM_LIBRARY, std::string("SMC_SIM_SEED=") + SEED_HEX,
            "SMC_SIM_DELAY_MS=" + delayMs, "SMC_SIM_LOG=" + bus_.folder() + "/driver.log",
            "ASAN_OPTIONS=verify_asan_link_order=0"};
        env.insert(env.end(), settings.begin(), settings.end());
        EXPECT_TRUE(service_.start(bus_, {}, env));
        std::vector<std::vector<std::string>> answers(CALLERS);
        std::vector<std::jthread> callers;
        for (int i = 0; i < CALLERS; ++i)
            callers.emplace_back([i, &answers] { answers[i] = call_all_at_once(i); });
        callers.clear();  // joins them
        EXPECT_TRUE(service_.logged(CALLERS * CALLS_EACH));
        EXPECT_EQ(service_.stderr_text(), "");
        return answers;
    }

    // The driver got every request once, each caller's in its order, and every failing
    // (failEvery-th) request, and only those, has "signature error" as its answer.
    void check(const std::vector<std::vector<std::string>> &answers, std::size_t failEvery) {
        const std::string log = read_file(bus_.folder() + "/driver.log");
        const auto requests = driver_requests(log);
        ASSERT_EQ(requests.size(), std::size_t(CALLERS * CALLS_EACH)) << log;
        std::map<std::string, bool> failed;
        std::map<char, std::string> order;  // caller digit -> its call digits as the driver saw
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const auto &[challenge, result] = requests[i];
            failed[challenge] = (i + 1) % failEvery == 0;
            EXPECT_EQ(result, failed[challenge] ? "-1 errno=5" : "0") << i;
            order[challenge[60]] += challenge[62];
        }
        for (int caller = 0; caller < CALLERS; ++caller) {
            EXPECT_EQ(order[char('0' + caller)], "01234") << "caller " << caller;
            ASSERT_EQ(answers[caller].size(), std::size_t(CALLS_EACH)) << "caller " << caller;
            for (int k = 0; k < CALLS_EACH; ++k) {
                const std::string challenge = challenge_of(caller, k);
                EXPECT_EQ(answers[caller][k], failed.at(challenge)
                                                  ? "signature error"
                                                  : reference_signature(SEED_HEX, challenge))
                    << "caller " << caller << " answer " << k;
            }
        }
    }

    TestBus bus_;
    ServiceProcess service_;
};

TEST_F(FaultsUnderLoad, SlowDriverAnswersEveryCallerInOrder) {
    check(run("40", {}), SIZE_MAX);
}

TEST_F(FaultsUnderLoad, DriverFailingEveryOtherRequestGetsSignatureErrorForExactlyThose) {
    check(run("10", {"SMC_SIM_FAIL_EVERY=2"}), 2);
}

}  // namespace
