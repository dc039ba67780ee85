#include "signing_relay.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board_query.h"
#include "bounds_checked.h"

static_assert(sizeof(smc_sign_request) == 96);
static_assert(offsetof(smc_sign_request, challenge) == 0);
static_assert(offsetof(smc_sign_request, signature) == 32);
static_assert(SMC_IOCTL_SIGN == _IOWR('c', 1, std::uint64_t));

namespace {

constexpr char kSignatureError[] = "signature error";
static_assert(REPLY_BUFFER_SIZE == SIGNATURE_TEXT_LENGTH + 1);

// One exchange with the driver: open, one ioctl, close on every path.
bool exchange_with_driver(smc_sign_request *request) {
    const int fd = open(SMC_DEVICE_PATH, O_RDWR);
    if (fd < 0) {
        std::fputs("Cannot open device!\n", stderr);
        return false;
    }
    const int result = ioctl(fd, SMC_IOCTL_SIGN, request);
    close(fd);
    return result == 0;
}

}  // namespace

bool hex_to_bytes(const char *text, std::size_t length, std::uint8_t *bytes, std::size_t count) {
    if (length != 2 * count) return false;
    for (std::size_t i = 0; i + 2 <= length; i += 2) {
        char pair[3];
        if (strncpy_s(pair, sizeof pair, text + i, 2) != 0) return false;
        pair[2] = '\0';
        bytes[i / 2] = static_cast<std::uint8_t>(std::strtoul(pair, nullptr, 16));
    }
    return true;
}

bool bytes_to_hex(const std::uint8_t *bytes, std::size_t count, char *text, std::size_t capacity) {
    if (capacity != 2 * count) return false;
    for (std::size_t i = 0; i < count; ++i) {
        if (sprintf_s(text + 2 * i, capacity + 1 - 2 * i, "%02x", unsigned{bytes[i]}) < 0) {
            return false;
        }
    }
    return true;
}

bool sign_challenge(const char *challenge, std::size_t length, char *output,
                    std::size_t outputCapacity) {
    if (challenge == nullptr || output == nullptr) return false;
    if (length != CHALLENGE_TEXT_LENGTH || outputCapacity != SIGNATURE_TEXT_LENGTH) return false;

    std::uint8_t challengeBytes[CHALLENGE_BYTES] = {};
    if (!hex_to_bytes(challenge, length, challengeBytes, CHALLENGE_BYTES)) return false;

    smc_sign_request request = {};
    if (memcpy_s(request.challenge, sizeof request.challenge, challengeBytes,
                 sizeof challengeBytes) != 0) {
        return false;
    }
    if (!exchange_with_driver(&request)) return false;

    std::uint8_t signature[SIGNATURE_BYTES] = {};
    if (memcpy_s(signature, sizeof signature, request.signature, sizeof request.signature) != 0) {
        return false;
    }
    return bytes_to_hex(signature, SIGNATURE_BYTES, output, outputCapacity);
}

bool run_sign_operation(const char *argument, char *reply) {
    if (sign_challenge(argument, std::strlen(argument), reply, SIGNATURE_TEXT_LENGTH)) return true;
    return strcpy_s(reply, REPLY_BUFFER_SIZE, kSignatureError) == 0;
}
