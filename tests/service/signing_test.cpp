// "DeRiViduz" end to end: the real daemon on a private bus, the simulated signing driver
// preloaded, answers checked against Ed25519 and against what reached the driver.
#include <gtest/gtest.h>
#include <sodium.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "bus_client.h"
#include "service_process.h"
#include "test_bus.h"

namespace {

using namespace test_support;

constexpr char SIGN_OPERATION[] = "DeRiViduz";
constexpr char SIGNATURE_ERROR[] = "signature error";
// The driver's key for these tests; the public key is derived here with libsodium.
constexpr char SEED_HEX[] = "4f2d1c0b8a7968574635241302f1e0dfcebdac9b8a79685746352413020100ff";

std::vector<unsigned char> from_hex(const std::string &hex) {
    std::vector<unsigned char> bytes(hex.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
    return bytes;
}

std::string random_challenge(std::mt19937 &rng) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text(64, '0');
    for (char &ch : text) ch = digits[rng() % 16];
    return text;
}

bool verifies(const std::string &challengeHex, const std::string &signatureHex) {
    if (sodium_init() < 0) return false;
    const std::vector<unsigned char> seed = from_hex(SEED_HEX);
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    crypto_sign_seed_keypair(publicKey, secretKey, seed.data());
    const std::vector<unsigned char> signature = from_hex(signatureHex);
    const std::vector<unsigned char> challenge = from_hex(challengeHex);
    return signature.size() == crypto_sign_BYTES &&
           crypto_sign_verify_detached(signature.data(), challenge.data(), challenge.size(),
                                       publicKey) == 0;
}

bool is_lower_hex(const std::string &text) {
    return std::all_of(text.begin(), text.end(),
                       [](char ch) { return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f'); });
}

std::size_t count_starting(const std::vector<std::string> &lines, const std::string &prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string &l) { return l.starts_with(prefix); });
}

// One bus and one daemon with the simulated driver in the given mode, its log in the bus folder.
struct SigningService {
    explicit SigningService(const std::string &mode) {
        started = bus.start();
        if (!started) return;
        ServiceOptions options;
        options.extraEnv = {std::string("LD_PRELOAD=") + SMC_SIM_LIBRARY,
                            "SMC_SIM_MODE=" + mode,
                            std::string("SMC_SIM_SEED=") + SEED_HEX,
                            "SMC_SIM_LOG=" + log_path(),
                            "ASAN_OPTIONS=verify_asan_link_order=0"};
        service = std::make_unique<ServiceProcess>(bus, options);
        started = service->start();
    }
    std::string log_path() const { return bus.folder() + "/driver.log"; }
    std::vector<std::string> driver_log() const { return split_lines(read_file(log_path())); }

    TestBus bus;
    std::unique_ptr<ServiceProcess> service;
    testing::AssertionResult started = testing::AssertionFailure();
};

TEST(Signing, ValidChallengeGivesAVerifiableLowerCaseSignatureInEitherCase) {
    SigningService s("ed25519");
    ASSERT_TRUE(s.started);
    BusConnection client(s.bus.address());
    std::mt19937 rng(20261206);
    const std::string lower = random_challenge(rng);
    std::string upper = lower;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);

    const CallResult a = client.query(SIGN_OPERATION, lower);
    const CallResult b = client.query(SIGN_OPERATION, upper);
    ASSERT_GE(a.result, 0) << a.errorName;
    ASSERT_GE(b.result, 0) << b.errorName;
    EXPECT_EQ(a.answer.size(), 128u);
    EXPECT_TRUE(is_lower_hex(a.answer)) << a.answer;
    EXPECT_TRUE(verifies(lower, a.answer)) << a.answer;
    EXPECT_EQ(b.answer, a.answer);

    // The driver saw O_RDWR alone, the signing request and the same bytes both times; every open
    // was closed.
    const std::vector<std::string> log = s.driver_log();
    ASSERT_EQ(log.size(), 6u) << read_file(s.log_path());
    for (int i : {0, 3}) EXPECT_TRUE(log[i].starts_with("open flags=0x2 ")) << log[i];
    const std::string ioctlLine = "request=0xc0086301 challenge=" + lower + " result=0";
    for (int i : {1, 4}) EXPECT_NE(log[i].find(ioctlLine), std::string::npos) << log[i];
    for (int i : {2, 5}) EXPECT_TRUE(log[i].starts_with("close ")) << log[i];
    EXPECT_EQ(s.service->stderr_text(), "");
}

TEST(Signing, WrongLengthsFailWithoutOpeningTheDevice) {
    SigningService s("ed25519");
    ASSERT_TRUE(s.started);
    BusConnection client(s.bus.address());
    for (std::size_t length : {0, 1, 63, 65, 128}) {
        const CallResult r = client.query(SIGN_OPERATION, std::string(length, 'a'));
        EXPECT_GE(r.result, 0) << length;
        EXPECT_EQ(r.answer, SIGNATURE_ERROR) << length;
    }
    EXPECT_EQ(read_file(s.log_path()), "") << "the device was opened";
    EXPECT_EQ(s.service->stderr_text(), "");
}

TEST(Signing, NonHexadecimalPairsReachTheDriverDecodedPairByPair) {
    SigningService s("fast");
    ASSERT_TRUE(s.started);
    BusConnection client(s.bus.address());
    struct Case {
        std::string pairs, bytes;
    };
    const std::vector<Case> cases = {
        {"zz", "00"}, {"-1", "ff"}, {" 1", "01"}, {"+1", "01"}, {"1z", "01"},
        {"AF", "af"}, {"g0", "00"}, {"-f", "f1"},
    };
    std::string challenge, expected;
    for (const Case &c : cases) {
        challenge += c.pairs;
        expected += c.bytes;
    }
    while (challenge.size() < 64) {
        challenge += "5a";
        expected += "5a";
    }
    const CallResult r = client.query(SIGN_OPERATION, challenge);
    ASSERT_GE(r.result, 0) << r.errorName;
    EXPECT_EQ(r.answer.size(), 128u);
    const std::vector<std::string> log = s.driver_log();
    ASSERT_EQ(count_starting(log, "ioctl "), 1u) << read_file(s.log_path());
    EXPECT_NE(log[1].find("challenge=" + expected + " "), std::string::npos) << log[1];
}

TEST(Signing, DriverFailuresAreAnsweredAndEveryOpenIsClosed) {
    struct Case {
        const char *mode;
        std::string answer;
        std::string stderrText;
        std::size_t opens;  // successful opens, each to be matched by one close
    };
    const std::vector<Case> cases = {
        {"absent", SIGNATURE_ERROR, "Cannot open device!\n", 0},
        {"ioctl-fail", SIGNATURE_ERROR, "", 1},
        {"ioctl-one", SIGNATURE_ERROR, "", 1},
        {"no-write", std::string(128, '0'), "", 1},
    };
    for (const Case &c : cases) {
        SigningService s(c.mode);
        ASSERT_TRUE(s.started) << c.mode;
        BusConnection client(s.bus.address());
        const CallResult r = client.query(SIGN_OPERATION, std::string(64, '7'));
        EXPECT_GE(r.result, 0) << c.mode << ": " << r.errorName;
        EXPECT_EQ(r.answer, c.answer) << c.mode;
        // The processed line follows the reply; wait for it before reading the error stream.
        s.service->stdout_lines(2);
        EXPECT_EQ(s.service->stderr_text(), c.stderrText) << c.mode;
        const std::vector<std::string> log = s.driver_log();
        EXPECT_EQ(count_starting(log, "open flags=0x2 fd=") -
                      count_starting(log, "open flags=0x2 fd=-1"),
                  c.opens)
            << c.mode;
        EXPECT_EQ(count_starting(log, "close "), c.opens) << c.mode;
        EXPECT_TRUE(s.service->process().running()) << c.mode;
    }
}

}  // namespace
