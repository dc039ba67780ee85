// The simulated signing driver seen from outside: a probe program runs each exchange with the
// library preloaded, and the key tool and libsodium check what the driver wrote.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "child_process.h"

namespace {

const std::string kChallenge = "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08";
const std::string kChallengeLogged =
    "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
const std::string kFill = [] {
    std::string s;
    for (int i = 0; i < 64; ++i) s += "5a";
    return s;
}();
const std::vector<std::string> kVariants = {"open",   "open64",   "__open_2",   "__open64_2",
                                            "openat", "openat64", "__openat_2", "__openat64_2"};

class SmcSim : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/smc-sim-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        log_ = dir_ + "/driver.log";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // One exchange through the probe; the log starts empty for each call.
    std::map<std::string, std::string> probe(const std::string &variant, const std::string &path,
                                             std::vector<std::string> env = {},
                                             const std::string &flags = "2",
                                             const std::string &request = "0xc0086301",
                                             const std::string &other_file = "") {
        std::filesystem::remove(log_);
        const char *asan = std::getenv("ASAN_OPTIONS");
        env.push_back(std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") +
                      ":verify_asan_link_order=0");
        env.push_back(std::string("LD_PRELOAD=") + SMC_SIM_LIBRARY);
        env.push_back("SMC_SIM_LOG=" + log_);
        std::vector<std::string> argv = {SMC_SIM_PROBE, variant, path, flags, request, kChallenge};
        if (!other_file.empty()) argv.push_back(other_file);
        last_ = run_child(argv, env, dir_);
        EXPECT_EQ(last_.exit_status, 0) << variant << " " << path << ": " << last_.err;
        return parse_fields(last_.out);
    }

    ChildResult tool(const std::vector<std::string> &args, std::vector<std::string> env = {}) {
        std::vector<std::string> argv = {SMC_SIM_KEY_TOOL};
        argv.insert(argv.end(), args.begin(), args.end());
        return run_child(argv, env, dir_);
    }

    bool verifies(const std::string &signature, std::vector<std::string> env = {}) {
        ChildResult verdict = tool({"verify", kChallenge, signature}, env);
        return verdict.exit_status == 0 && verdict.out == "valid\n";
    }

    std::vector<std::string> log_lines() { return read_lines(log_); }

    std::string dir_;
    std::string log_;
    ChildResult last_;
};

TEST_F(SmcSim, EveryOpenVariantReachesTheDevice) {
    for (const auto &variant : kVariants) {
        auto fields = probe(variant, "/dev/smc_dri");
        const std::string fd = fields["open"];
        ASSERT_GE(std::atoi(fd.c_str()), 0) << variant << ": errno " << fields["open_errno"];
        EXPECT_EQ(fields["cloexec"], "0") << variant;
        EXPECT_EQ(fields["ioctl"], "0") << variant;
        EXPECT_TRUE(verifies(fields["signature"])) << variant << ": " << fields["signature"];
        EXPECT_EQ(fields["close"], "0") << variant;
        EXPECT_EQ(fields["close_again_errno"], std::to_string(EBADF)) << variant;
        std::vector<std::string> expected = {
            "open flags=0x2 fd=" + fd + " via=" + variant,
            "ioctl fd=" + fd + " request=0xc0086301 challenge=" + kChallengeLogged + " result=0",
            "close fd=" + fd + " result=0"};
        EXPECT_EQ(log_lines(), expected) << variant;
    }
}

TEST_F(SmcSim, CloseOnExecIsKept) {
    auto fields = probe("open", "/dev/smc_dri", {}, std::to_string(O_RDWR | O_CLOEXEC));
    EXPECT_EQ(fields["cloexec"], "1");
    ASSERT_FALSE(log_lines().empty());
    EXPECT_EQ(log_lines()[0].rfind("open flags=0x80002 fd=", 0), 0u) << log_lines()[0];
}

TEST_F(SmcSim, DescriptorsClosedBehindItsBackAreNotReused) {
    const std::string other = dir_ + "/other.txt";
    std::ofstream(other) << "other file";
    auto fields = probe("open", "/dev/smc_dri", {}, "2", "0xc0086301", other);
    ASSERT_GE(std::atoi(fields["other"].c_str()), 3);
    ASSERT_GE(std::atoi(fields["open"].c_str()), 3);
    EXPECT_NE(fields["open"], fields["other"]);
    EXPECT_EQ(fields["read"], "");  // a copy of the other file would read "other file"
    EXPECT_TRUE(verifies(fields["signature"]));
    EXPECT_EQ(fields["close"], "0");
    EXPECT_EQ(log_lines().size(), 5u);  // two opens, one ioctl, two closes
}

TEST_F(SmcSim, OtherPathsPassThrough) {
    const std::string plain = dir_ + "/plain.txt";
    std::ofstream(plain) << "plain file";
    for (const auto &variant : kVariants) {
        for (const std::string &path : {plain, std::string("/dev/smc_dri2")}) {
            auto fields = probe(variant, path);
            if (path == plain) {
                ASSERT_GE(std::atoi(fields["open"].c_str()), 0) << variant;
                EXPECT_EQ(fields["read"], "plain file") << variant;
                // A regular file knows no ioctl; the kernel, not the stand-in, says so.
                EXPECT_EQ(fields["ioctl_errno"], std::to_string(ENOTTY)) << variant;
                EXPECT_EQ(fields["signature"], kFill) << variant;
            } else {
                EXPECT_EQ(fields["open"], "-1") << variant;
                EXPECT_EQ(fields["open_errno"], std::to_string(ENOENT)) << variant;
            }
            EXPECT_TRUE(log_lines().empty()) << variant << " " << path;
        }
    }
}

TEST_F(SmcSim, CreatingOpensPassTheirMode) {
    for (const std::string variant : {"open", "open64", "openat", "openat64"}) {
        const std::string created = dir_ + "/" + variant + ".new";
        auto fields = probe(variant, created, {}, std::to_string(O_CREAT | O_EXCL | O_WRONLY));
        ASSERT_GE(std::atoi(fields["open"].c_str()), 0) << variant;
        struct stat info {};
        ASSERT_EQ(stat(created.c_str(), &info), 0) << variant;
        EXPECT_EQ(info.st_mode & 0777, 0600u) << variant;
    }
}

TEST_F(SmcSim, ModesAnswerAsConfigured) {
    enum Signature { Verifies, FastBytes, Untouched };
    struct Case {
        const char *name;
        std::vector<std::string> env;
        int open_errno;  // 0: the open succeeds
        int ioctl_result;
        int ioctl_errno;
        Signature signature;
    };
    const std::vector<Case> cases = {
        {"default", {}, 0, 0, 0, Verifies},
        {"ed25519", {"SMC_SIM_MODE=ed25519"}, 0, 0, 0, Verifies},
        {"fast", {"SMC_SIM_MODE=fast"}, 0, 0, 0, FastBytes},
        {"absent", {"SMC_SIM_MODE=absent"}, ENOENT, 0, 0, Untouched},
        {"ioctl-fail", {"SMC_SIM_MODE=ioctl-fail"}, 0, -1, EIO, Untouched},
        {"ioctl-fail EBUSY",
         {"SMC_SIM_MODE=ioctl-fail", "SMC_SIM_ERRNO=16"},
         0,
         -1,
         EBUSY,
         Untouched},
        {"ioctl-one", {"SMC_SIM_MODE=ioctl-one"}, 0, 1, 0, Untouched},
        {"no-write", {"SMC_SIM_MODE=no-write"}, 0, 0, 0, Untouched},
        {"unknown mode", {"SMC_SIM_MODE=signed"}, EINVAL, 0, 0, Untouched},
        {"short seed", {"SMC_SIM_SEED=" + std::string(63, '1')}, EINVAL, 0, 0, Untouched},
        {"delay with unit", {"SMC_SIM_DELAY_MS=5ms"}, EINVAL, 0, 0, Untouched},
        {"errno zero", {"SMC_SIM_ERRNO=0"}, EINVAL, 0, 0, Untouched},
    };
    for (const auto &c : cases) {
        auto fields = probe("open", "/dev/smc_dri", c.env);
        auto lines = log_lines();
        if (c.open_errno != 0) {
            EXPECT_EQ(fields["open"], "-1") << c.name;
            EXPECT_EQ(fields["open_errno"], std::to_string(c.open_errno)) << c.name;
            std::vector<std::string> expected = {
                "open flags=0x2 fd=-1 errno=" + std::to_string(c.open_errno) + " via=open"};
            EXPECT_EQ(lines, expected) << c.name;
            if (c.open_errno == EINVAL) {
                EXPECT_NE(last_.err.find("smc-sim: malformed SMC_SIM_"), std::string::npos)
                    << c.name << ": " << last_.err;
            }
            continue;
        }
        EXPECT_EQ(fields["ioctl"], std::to_string(c.ioctl_result)) << c.name;
        if (c.ioctl_result < 0) {
            EXPECT_EQ(fields["ioctl_errno"], std::to_string(c.ioctl_errno)) << c.name;
        }
        const std::string &signature = fields["signature"];
        switch (c.signature) {
            case Verifies:
                EXPECT_TRUE(verifies(signature)) << c.name;
                break;
            case FastBytes:
                EXPECT_FALSE(verifies(signature)) << c.name;
                EXPECT_EQ(tool({"sign", kChallenge}, c.env).out, signature + "\n") << c.name;
                EXPECT_NE(signature, kFill) << c.name;
                break;
            case Untouched:
                EXPECT_EQ(signature, kFill) << c.name;
                break;
        }
        // Whatever the ioctl did, the one open is matched by one close.
        ASSERT_EQ(lines.size(), 3u) << c.name;
        std::string result = c.ioctl_result < 0 ? "-1 errno=" + std::to_string(c.ioctl_errno)
                                                : std::to_string(c.ioctl_result);
        EXPECT_EQ(lines[1], "ioctl fd=" + fields["open"] + " request=0xc0086301 challenge=" +
                                kChallengeLogged + " result=" + result)
            << c.name;
        EXPECT_EQ(lines[2], "close fd=" + fields["open"] + " result=0") << c.name;
    }
}

TEST_F(SmcSim, OnlyTheSignRequestIsAnswered) {
    struct Case {
        const char *request;
        const char *logged;
        bool signs;
    };
    const Case cases[] = {
        {"0xc0086301", "0xc0086301", true},
        {"0xffffffffc0086301", "0xc0086301", true},  // the code passed as a negative int
        {"0xc0086302", "0xc0086302", false},
        {"0x40086301", "0x40086301", false},
        {"0x5401", "0x5401", false},
    };
    for (const auto &c : cases) {
        auto fields = probe("open", "/dev/smc_dri", {}, "2", c.request);
        auto lines = log_lines();
        ASSERT_EQ(lines.size(), 3u) << c.request;
        if (c.signs) {
            EXPECT_EQ(fields["ioctl"], "0") << c.request;
            EXPECT_TRUE(verifies(fields["signature"])) << c.request;
        } else {
            EXPECT_EQ(fields["ioctl"], "-1") << c.request;
            EXPECT_EQ(fields["ioctl_errno"], std::to_string(ENOTTY)) << c.request;
            EXPECT_EQ(fields["signature"], kFill) << c.request;
            EXPECT_EQ(lines[1], "ioctl fd=" + fields["open"] + " request=" + c.logged +
                                    " result=-1 errno=" + std::to_string(ENOTTY))
                << c.request;
        }
    }
}

TEST_F(SmcSim, SlowDriverHoldsTheCaller) {
    for (const std::string mode : {"ed25519", "ioctl-fail"}) {
        auto fields =
            probe("open", "/dev/smc_dri", {"SMC_SIM_MODE=" + mode, "SMC_SIM_DELAY_MS=300"});
        EXPECT_GE(std::atol(fields["ioctl_ms"].c_str()), 300) << mode;
        EXPECT_EQ(fields["close"], "0") << mode;
    }
}

TEST_F(SmcSim, SeedSelectsTheKey) {
    ASSERT_GE(sodium_init(), 0);
    const std::string own_seed = "00112233445566778899aabbccddeeff00112233445566778899AABBCCDDEEFF";
    const std::vector<std::string> own_env = {"SMC_SIM_SEED=" + own_seed};
    unsigned char own_seed_bytes[crypto_sign_SEEDBYTES];
    ASSERT_EQ(sodium_hex2bin(own_seed_bytes, sizeof own_seed_bytes, own_seed.c_str(),
                             own_seed.size(), nullptr, nullptr, nullptr),
              0);
    struct Case {
        const char *name;
        std::vector<std::string> env;
        const unsigned char *seed;
        std::vector<std::string> other_env;  // a key that must not verify
    };
    const Case cases[] = {
        {"fixed test seed",
         {},
         reinterpret_cast<const unsigned char *>("quellarion smc-sim test seed #1!"),
         own_env},
        {"own seed", own_env, own_seed_bytes, {}},
    };
    for (const auto &c : cases) {
        unsigned char public_key[crypto_sign_PUBLICKEYBYTES];
        unsigned char secret_key[crypto_sign_SECRETKEYBYTES];
        crypto_sign_seed_keypair(public_key, secret_key, c.seed);
        char public_hex[2 * sizeof public_key + 1];
        sodium_bin2hex(public_hex, sizeof public_hex, public_key, sizeof public_key);
        EXPECT_EQ(tool({"pubkey"}, c.env).out, std::string(public_hex) + "\n") << c.name;

        auto fields = probe("__open_2", "/dev/smc_dri", c.env);
        EXPECT_TRUE(verifies(fields["signature"], c.env)) << c.name;
        EXPECT_FALSE(verifies(fields["signature"], c.other_env)) << c.name;
    }
}

TEST_F(SmcSim, KeyToolRejectsMalformedInput) {
    const std::string signature = tool({"sign", kChallenge}).out.substr(0, 128);
    ASSERT_TRUE(verifies(signature));
    std::string flipped = signature;
    flipped[10] = flipped[10] == '0' ? '1' : '0';
    struct Case {
        const char *name;
        std::vector<std::string> args;
        std::vector<std::string> env;
        int status;
    };
    const std::vector<Case> cases = {
        {"flipped signature", {"verify", kChallenge, flipped}, {}, 1},
        {"other challenge", {"verify", std::string(64, '0'), signature}, {}, 1},
        {"short challenge", {"verify", kChallenge.substr(1), signature}, {}, 2},
        {"long signature", {"verify", kChallenge, signature + "00"}, {}, 2},
        {"non-hex signature", {"verify", kChallenge, "zz" + signature.substr(2)}, {}, 2},
        {"sign without challenge", {"sign"}, {}, 2},
        {"no command", {}, {}, 2},
        {"unknown command", {"keygen"}, {}, 2},
        {"malformed seed", {"pubkey"}, {"SMC_SIM_SEED=xyz"}, 2},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(tool(c.args, c.env).exit_status, c.status) << c.name;
    }
}

}  // namespace
