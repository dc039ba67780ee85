// The signing operation with any bytes as its argument, the simulated driver linked into this
// process in a mode the input picks, and the hex converters round trip.
#include <cstdlib>
#include <cstring>
#include <string>

#include "board_query.h"
#include "fuzz_input.h"
#include "guard_page.h"
#include "signing_relay.h"

namespace {

// The first three answer with a signature (no-write leaves the zeroed record's).
constexpr const char *kModes[] = {"fast",   "ed25519",    "no-write",
                                  "absent", "ioctl-fail", "ioctl-one"};
constexpr std::size_t kSigningModes = 3;

bool is_signature_text(const char *text) {
    if (std::strlen(text) != SIGNATURE_TEXT_LENGTH) return false;
    for (const char *c = text; *c != '\0'; ++c) {
        if (std::strchr("0123456789abcdef", *c) == nullptr) return false;
    }
    return true;
}

void check_sign_operation(FuzzInput &in) {
    const std::size_t mode = in.take_below_or_equal(std::size(kModes) - 1);
    setenv("SMC_SIM_MODE", kModes[mode], 1);
    const std::string argument = in.take_line(2 * CHALLENGE_TEXT_LENGTH);
    const std::size_t length = std::strlen(argument.c_str());
    GuardedArea argumentArea(argument.c_str(), length + 1);
    GuardedArea reply(REPLY_BUFFER_SIZE, 0);

    if (!run_sign_operation(argumentArea.begin<char>(), reply.begin<char>())) std::abort();
    const char *answer = reply.begin<char>();
    const bool signs = length == CHALLENGE_TEXT_LENGTH && mode < kSigningModes;
    if (signs ? !is_signature_text(answer) : std::strcmp(answer, "signature error") != 0) {
        std::abort();
    }
    if (std::memcmp(argumentArea.begin(), argument.c_str(), length + 1) != 0) std::abort();
}

void check_hex_round_trip(FuzzInput &in) {
    const std::string bytes = in.take_line(SIGNATURE_BYTES);
    const std::size_t count = bytes.size();
    GuardedArea text(2 * count + 1);
    const auto *raw = reinterpret_cast<const std::uint8_t *>(bytes.data());
    if (!bytes_to_hex(raw, count, text.begin<char>(), 2 * count)) std::abort();
    // No bytes write no text at all, not even a terminator.
    if (count > 0 && std::strlen(text.begin<char>()) != 2 * count) std::abort();
    GuardedArea decoded(count);
    if (!hex_to_bytes(text.begin<char>(), 2 * count, decoded.begin<std::uint8_t>(), count) ||
        std::memcmp(decoded.begin(), raw, count) != 0) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput in{data, size};
    check_sign_operation(in);
    check_hex_round_trip(in);
    return 0;
}
