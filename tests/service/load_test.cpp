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

constexpr char SEED_HEX[] = "4f2d1c0b8a7968574635241302f1e0dfcebdac9b8a79685746352413020100ff";
constexpr int CALLERS = 4;
constexpr int CALLS_EACH = 5;

std::string challenge_of(int caller, int call) {
    return std::string(60, 'e') + char('0' + caller) + '0' + char('0' + call) + '0';
}

struct Answer {
    int call;
    std::string text;  // the answer, or the error's name
};

// One caller: sends its calls without waiting, then collects the answers as they come.
std::vector<Answer> call_all_at_once(int caller) {
    BusConnection client;
    std::vector<Answer> answers;
    std::vector<std::pair<std::vector<Answer> *, int>> contexts;
    contexts.reserve(CALLS_EACH);
    for (int call = 0; call < CALLS_EACH; ++call) {
        contexts.emplace_back(&answers, call);
        const auto onReply = [](sd_bus_message *reply, void *context, sd_bus_error *) {
            auto &[list, index] = *static_cast<std::pair<std::vector<Answer> *, int> *>(context);
            const char *text = nullptr;
            if (sd_bus_message_is_method_error(reply, nullptr)) {
                list->push_back({index, sd_bus_message_get_error(reply)->name});
            } else {
                sd_bus_message_read(reply, "s", &text);
                list->push_back({index, text != nullptr ? text : "(unreadable)"});
            }
            return 0;
        };
        if (sd_bus_call_method_async(client.get(), nullptr, SERVICE_NAME, OBJECT_PATH, SERVICE_NAME,
                                     METHOD_NAME, onReply, &contexts.back(), "ss", "DeRiViduz",
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
    std::vector<std::vector<Answer>> run(const std::string &delayMs,
                                         const std::vector<std::string> &settings) {
        EXPECT_TRUE(bus_.start());
        std::vector<std::string> env = {
            std::string("LD_PRELOAD=") + SMC_SIM_LIBRARY, std::string("SMC_SIM_SEED=") + SEED_HEX,
            "SMC_SIM_DELAY_MS=" + delayMs, "SMC_SIM_LOG=" + bus_.folder() + "/driver.log",
            "ASAN_OPTIONS=verify_asan_link_order=0"};
        env.insert(env.end(), settings.begin(), settings.end());
        EXPECT_TRUE(service_.start(bus_, {}, env));
        std::vector<std::vector<Answer>> answers(CALLERS);
        std::vector<std::thread> callers;
        for (int i = 0; i < CALLERS; ++i)
            callers.emplace_back([i, &answers] { answers[i] = call_all_at_once(i); });
        for (std::thread &caller : callers) caller.join();
        EXPECT_TRUE(service_.logged(CALLERS * CALLS_EACH));
        EXPECT_EQ(service_.stderr_text(), "");
        return answers;
    }

    std::string driver_log() const { return read_file(bus_.folder() + "/driver.log"); }

    TestBus bus_;
    ServiceProcess service_;
};

TEST_F(FaultsUnderLoad, SlowDriverAnswersEveryCallerInOrder) {
    const auto answers = run("40", {});
    for (int caller = 0; caller < CALLERS; ++caller) {
        ASSERT_EQ(answers[caller].size(), std::size_t(CALLS_EACH)) << "caller " << caller;
        for (int k = 0; k < CALLS_EACH; ++k) {
            EXPECT_EQ(answers[caller][k].call, k) << "caller " << caller << " answer " << k;
            const std::string challenge = challenge_of(caller, answers[caller][k].call);
            EXPECT_EQ(answers[caller][k].text, reference_signature(SEED_HEX, challenge))
                << "caller " << caller << " call " << answers[caller][k].call;
        }
    }
    // The driver got every request once, each caller's in its order.
    std::map<char, std::string> order;  // caller digit -> its call digits as the driver saw them
    const auto requests = driver_requests(driver_log());
    ASSERT_EQ(requests.size(), std::size_t(CALLERS * CALLS_EACH)) << driver_log();
    for (const auto &[challenge, result] : requests) {
        EXPECT_EQ(result, "0") << challenge;
        order[challenge[60]] += challenge[62];
    }
    for (int caller = 0; caller < CALLERS; ++caller)
        EXPECT_EQ(order[char('0' + caller)], "01234") << "caller " << caller;
}

TEST_F(FaultsUnderLoad, DriverFailingEveryOtherRequestGetsSignatureErrorForExactlyThose) {
    const auto answers = run("10", {"SMC_SIM_FAIL_EVERY=2"});
    // The driver's second, fourth, ... request failed; its answer must be the error text.
    std::map<std::string, bool> failed;
    const auto requests = driver_requests(driver_log());
    ASSERT_EQ(requests.size(), std::size_t(CALLERS * CALLS_EACH)) << driver_log();
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].second, i % 2 == 1 ? "-1 errno=5" : "0") << i;
        failed[requests[i].first] = i % 2 == 1;
    }
    for (int caller = 0; caller < CALLERS; ++caller) {
        ASSERT_EQ(answers[caller].size(), std::size_t(CALLS_EACH)) << "caller " << caller;
        for (const Answer &a : answers[caller]) {
            const std::string challenge = challenge_of(caller, a.call);
            EXPECT_EQ(a.text, failed.at(challenge) ? "signature error"
                                                   : reference_signature(SEED_HEX, challenge))
                << "caller " << caller << " call " << a.call;
        }
    }
}

}  // namespace
