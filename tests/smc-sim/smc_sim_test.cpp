// The simulated signing driver seen from outside: a probe program makes one exchange with the
// library preloaded; its output and the driver's log must match what each mode promises.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "child_process.h"
#include "reference_signature.h"

namespace {

using namespace test_support;

const std::string CHALLENGE = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
const std::string SEED = "00112233445566778899aabbccddeeff00112233445566778899AABBCCDDEEFF";
const std::string SIGNATURE = reference_signature(SEED, CHALLENGE);
// The signature field as the probe fills it, which no driver writes.
const std::string UNTOUCHED = "(5a){64}";

// The probe's output once the open succeeded.
std::string opened(const std::string &ioctl, const std::string &signature,
                   const std::string &ms = "[0-9]+") {
    return "open=[0-9]+ errno=0\nioctl=" + ioctl + " ms=" + ms + "\nsignature=" + signature +
           "\nclose=0\n";
}

// The driver's log of one exchange: open, the signing request, one close of the same descriptor.
std::string logged_exchange(const std::string &result, const std::string &variant = "open") {
    return "open flags=0x2 fd=([0-9]+) via=" + variant + "\nioctl fd=\\1 request=0xc0086301 " +
           "challenge=" + CHALLENGE + " result=" + result + "\nclose fd=\\1 result=0\n";
}

class SmcSim : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/smc-sim-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // Runs one exchange and checks the probe's output and the driver's whole log.
    void expect_exchange(const std::string &label, const std::string &variant,
                         const std::string &path, const std::string &setting,
                         const std::string &output, const std::string &log) {
        const std::string logPath = folder_ + "/driver.log";
        std::filesystem::remove(logPath);
        std::vector<std::string> env = {std::string("LD_PRELOAD=") + SMC_SIM_LIBRARY,
                                        "SMC_SIM_LOG=" + logPath, "SMC_SIM_SEED=" + SEED,
                                        "ASAN_OPTIONS=verify_asan_link_order=0"};
        if (!setting.empty()) env.push_back(setting);
        ChildProcess probe;
        probe.start({{SMC_SIM_PROBE, variant, path, CHALLENGE}, env, folder_ + "/out", {}});
        EXPECT_EQ(probe.wait_for_exit(milliseconds(20000)), 0) << label;
        const std::string out = read_file(folder_ + "/out"), logged = read_file(logPath);
        EXPECT_TRUE(std::regex_match(out, std::regex(output))) << label << ":\n" << out;
        EXPECT_TRUE(std::regex_match(logged, std::regex(log))) << label << ":\n" << logged;
    }

    std::string folder_;
};

TEST_F(SmcSim, EveryOpenVariantReachesTheDeviceAndOtherPathsPassThrough) {
    const std::string plain = folder_ + "/plain";
    std::ofstream(plain) << "plain file";
    for (const char *variant : {"open", "open64", "__open_2", "__open64_2", "openat", "openat64",
                                "__openat_2", "__openat64_2"}) {
        expect_exchange(variant, variant, "/dev/smc_dri", "", opened("0 errno=0", SIGNATURE),
                        logged_exchange("0", variant));
        // A regular file knows no ioctl: the kernel, not the stand-in, says so.
        expect_exchange(variant, variant, plain, "", opened("-1 errno=25", UNTOUCHED), "");
        expect_exchange(variant, variant, "/dev/smc_dri2", "", "open=-1 errno=2\n", "");
    }
}

TEST_F(SmcSim, ModesAnswerAsConfigured) {
    struct Case {
        const char *setting;
        std::string output, log;
    };
    const Case cases[] = {
        {"SMC_SIM_MODE=ed25519", opened("0 errno=0", SIGNATURE), logged_exchange("0")},
        // Ed25519 is the default mode.
        {"SMC_SIM_DELAY_MS=300", opened("0 errno=0", SIGNATURE, "([3-9][0-9]{2}|[0-9]{4,})"),
         logged_exchange("0")},
        {"SMC_SIM_MODE=fast",
         opened("0 errno=0", "(?!" + SIGNATURE + "|" + UNTOUCHED + ")[0-9a-f]{128}"),
         logged_exchange("0")},
        {"SMC_SIM_MODE=absent", "open=-1 errno=2\n", "open flags=0x2 fd=-1 errno=2 via=open\n"},
        {"SMC_SIM_MODE=ioctl-fail", opened("-1 errno=5", UNTOUCHED), logged_exchange("-1 errno=5")},
        {"SMC_SIM_MODE=ioctl-one", opened("1 errno=0", UNTOUCHED), logged_exchange("1")},
        {"SMC_SIM_MODE=no-write", opened("0 errno=0", UNTOUCHED), logged_exchange("0")},
        // A mistyped setting is refused rather than taken as the default.
        {"SMC_SIM_MODE=signed", "open=-1 errno=22\n", "open flags=0x2 fd=-1 errno=22 via=open\n"},
    };
    for (const Case &c : cases)
        expect_exchange(c.setting, "open", "/dev/smc_dri", c.setting, c.output, c.log);
}

TEST_F(SmcSim, KeyToolVerifiesOnlyTheDriversSignature) {
    std::string flipped = SIGNATURE;
    flipped[10] = flipped[10] == '0' ? '1' : '0';
    for (const auto &[signature, status] : {std::pair{SIGNATURE, 0}, std::pair{flipped, 1}}) {
        ChildProcess tool;
        tool.start(
            {{SMC_SIM_KEY_TOOL, "verify", CHALLENGE, signature}, {"SMC_SIM_SEED=" + SEED}, {}, {}});
        EXPECT_EQ(tool.wait_for_exit(milliseconds(20000)), status) << signature;
    }
}

}  // namespace
