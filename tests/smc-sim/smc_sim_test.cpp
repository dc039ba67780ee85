// The simulated signing driver seen from outside: a probe program makes one exchange with the
// library preloaded; its output and the driver's log must match what each setting promises.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
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
constexpr char ED25519[] = "SMC_SIM_MODE=ed25519";

// The probe's output once the open succeeded.
std::string opened(const std::string &ioctl, const std::string &sig,
                   const std::string &ms = "\\d+") {
    return "open=\\d+ errno=0\nioctl=" + ioctl + " ms=" + ms + "\nsignature=" + sig + "\nclose=0\n";
}

// The driver's log of one exchange: open, the signing request, one close of the same descriptor.
std::string logged(const std::string &result, const std::string &variant = "open") {
    return "open flags=0x2 fd=([0-9]+) via=" + variant + "\nioctl fd=\\1 request=0xc0086301 " +
           "challenge=" + CHALLENGE + " result=" + result + "\nclose fd=\\1 result=0\n";
}

TEST(SmcSim, ExchangesAnswerAsConfiguredAndOtherPathsPassThrough) {
    const std::string folder = testing::TempDir() + "smc-sim-test." + std::to_string(getpid());
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    struct Case {
        std::string output, log;  // patterns of the probe's whole output and the driver's log
        std::string setting = ED25519, variant = "open", path = "/dev/smc_dri";
    };
    std::vector<Case> cases = {
        // Ed25519 is the default mode.
        {opened("0 errno=0", SIGNATURE, "([3-9][0-9]{2}|[0-9]{4,})"), logged("0"),
         "SMC_SIM_DELAY_MS=300"},
        {opened("0 errno=0", "(?!" + SIGNATURE + "|" + UNTOUCHED + ")[0-9a-f]{128}"), logged("0"),
         "SMC_SIM_MODE=fast"},
        {"open=-1 errno=2\n", "open flags=0x2 fd=-1 errno=2 via=open\n", "SMC_SIM_MODE=absent"},
        {opened("-1 errno=5", UNTOUCHED), logged("-1 errno=5"), "SMC_SIM_MODE=ioctl-fail"},
        {opened("1 errno=0", UNTOUCHED), logged("1"), "SMC_SIM_MODE=ioctl-one"},
        {opened("0 errno=0", UNTOUCHED), logged("0"), "SMC_SIM_MODE=no-write"},
        // A mistyped setting is refused rather than taken as the default.
        {"open=-1 errno=22\n", "open flags=0x2 fd=-1 errno=22 via=open\n", "SMC_SIM_MODE=signed"},
        {"open=-1 errno=22\n", "open flags=0x2 fd=-1 errno=22 via=open\n", "SMC_SIM_FAIL_EVERY=0"},
        // The process's first signing request is the first of every one.
        {opened("-1 errno=5", UNTOUCHED), logged("-1 errno=5"), "SMC_SIM_FAIL_EVERY=1"},
        {"open=-1 errno=2\n", "", ED25519, "open", "/dev/smc_dri2"},
    };
    for (const char *variant : {"open", "open64", "__open_2", "__open64_2", "openat", "openat64",
                                "__openat_2", "__openat64_2"}) {
        cases.push_back({opened("0 errno=0", SIGNATURE), logged("0", variant), ED25519, variant});
        // Another device knows no such request: the kernel, not the stand-in, says so.
        cases.push_back({opened("-1 errno=25", UNTOUCHED), "", ED25519, variant, "/dev/null"});
    }
    for (const Case &c : cases) {
        SCOPED_TRACE(c.variant + " " + c.path + " " + c.setting);
        const std::string logPath = folder + "/log" + std::to_string(&c - cases.data());
        ChildProcess probe;
        probe.start({{SMC_SIM_PROBE, c.variant, c.path, CHALLENGE},
                     {"LD_PRELOAD=" SMC_SIM_LIBRARY, "SMC_SIM_LOG=" + logPath,
                      "SMC_SIM_SEED=" + SEED, "ASAN_OPTIONS=verify_asan_link_order=0", c.setting},
                     folder + "/out",
                     {}});
        EXPECT_EQ(probe.wait_for_exit(milliseconds(20000)), 0);
        const std::string out = read_file(folder + "/out"), log = read_file(logPath);
        EXPECT_TRUE(std::regex_match(out, std::regex(c.output))) << out;
        EXPECT_TRUE(std::regex_match(log, std::regex(c.log))) << log;
    }
    std::filesystem::remove_all(folder);
}

TEST(SmcSim, KeyToolVerifiesOnlyTheDriversSignature) {
    // The second is a good signature, of another challenge.
    for (const auto &[signature, status] :
         {std::pair{SIGNATURE, 0}, std::pair{reference_signature(SEED, std::string(64, '0')), 1}}) {
        ChildProcess tool;
        tool.start(
            {{SMC_SIM_KEY_TOOL, "verify", CHALLENGE, signature}, {"SMC_SIM_SEED=" + SEED}, {}, {}});
        EXPECT_EQ(tool.wait_for_exit(milliseconds(20000)), status) << signature;
    }
}

}  // namespace
