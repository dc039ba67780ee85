// "DeRiViduz" end to end: the real daemon on a private bus with the simulated signing driver
// preloaded, answers checked against Ed25519 and against what reached the driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>

#include "reference_signature.h"
#include "test_bus.h"

namespace {

using namespace test_support;

constexpr char SIGNATURE_ERROR[] = "signature error";
const std::string CHALLENGE = "00112233445566778899aabbccddeeff0123456789abcdeffedcba9876543210";

// The driver's log of one exchange: an open with O_RDWR alone, the signing request with these
// challenge bytes, and one close of the same descriptor.
std::string logged_exchange(const std::string &challenge, const std::string &result) {
    return "open flags=0x2 fd=([0-9]+) via=\\w+\nioctl fd=\\1 request=0xc0086301 challenge=" +
           challenge + " result=" + result + "\nclose fd=\\1 result=0\n";
}

TEST(Signing, AnswersAndWhatReachesTheDriver) {
    std::string upper = CHALLENGE;
    std::ranges::transform(upper, upper.begin(), ::toupper);
    const std::string signature = reference_signature(SEED_HEX, CHALLENGE);
    const std::string padding(54, '5');
    struct Case {
        const char *mode;
        std::string challenge, answer;
        std::string log;  // a pattern of the whole driver log
    };
    const Case cases[] = {
        {"ed25519", CHALLENGE, signature, logged_exchange(CHALLENGE, "0")},
        {"ed25519", upper, signature, logged_exchange(CHALLENGE, "0")},
        {"ed25519", "", SIGNATURE_ERROR, ""},
        {"ed25519", CHALLENGE.substr(1), SIGNATURE_ERROR, ""},
        {"ed25519", CHALLENGE + "0", SIGNATURE_ERROR, ""},
        {"ed25519", CHALLENGE + CHALLENGE, SIGNATURE_ERROR, ""},
        {"no-write", "zz-1 1+11z" + padding, std::string(128, '0'),
         logged_exchange("00ff010101" + padding, "0")},
        {"absent", CHALLENGE, SIGNATURE_ERROR, "open flags=0x2 fd=-1 errno=2 via=\\w+\n"},
        {"ioctl-fail", CHALLENGE, SIGNATURE_ERROR, logged_exchange(CHALLENGE, "-1 errno=5")},
        {"ioctl-one", CHALLENGE, SIGNATURE_ERROR, logged_exchange(CHALLENGE, "1")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " '" + c.challenge + "'");
        TestBus bus;
        ASSERT_TRUE(bus.start());
        const std::string driverLog = bus.folder() + "/driver.log";
        ServiceProcess service;
        ASSERT_TRUE(service.start(
            bus, {},
            {std::string("LD_PRELOAD=") + SMC_SIM_LIBRARY, std::string("SMC_SIM_MODE=") + c.mode,
             std::string("SMC_SIM_SEED=") + SEED_HEX, "SMC_SIM_LOG=" + driverLog,
             "ASAN_OPTIONS=verify_asan_link_order=0"}));
        const CallResult r = BusConnection().query("DeRiViduz", c.challenge);
        EXPECT_EQ(r.error, "");
        EXPECT_EQ(r.answer, c.answer);
        // The processed line follows the reply; wait for it before reading the error stream.
        EXPECT_TRUE(service.logged(1));
        EXPECT_EQ(service.stderr_text(),
                  c.mode == std::string("absent") ? "Cannot open device!\n" : "");
        const std::string log = read_file(driverLog);
        EXPECT_TRUE(std::regex_match(log, std::regex(c.log))) << log;
    }
}

}  // namespace
