// The operation "DeRiViduz": a 32-byte challenge, written as 64 hex digits, is signed by the
// driver behind /dev/smc_dri and answered as 128 lower-case hex digits.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t CHALLENGE_BYTES = 32;
constexpr std::size_t SIGNATURE_BYTES = 64;
constexpr std::size_t CHALLENGE_TEXT_LENGTH = 2 * CHALLENGE_BYTES;
constexpr std::size_t SIGNATURE_TEXT_LENGTH = 2 * SIGNATURE_BYTES;

// The record exchanged with the driver by address: it reads the challenge, writes the signature.
struct smc_sign_request {
    std::uint8_t challenge[CHALLENGE_BYTES];
    std::uint8_t signature[SIGNATURE_BYTES];
};

// _IOWR('c', 1, 8 bytes): the size field names the pointer-sized argument, not the record.
constexpr unsigned int SMC_IOCTL_SIGN = 0xC0086301;
constexpr const char SMC_DEVICE_PATH[] = "/dev/smc_dri";

// Decodes length characters into count bytes, two characters a byte, each pair read as strtoul
// base 16 reads it (no validation; the low 8 bits are kept). Fails unless length == 2 * count.
bool hex_to_bytes(const char *text, std::size_t length, std::uint8_t *bytes, std::size_t count);

// Writes count bytes as 2 * count lower-case hex digits and a terminator; text must hold
// capacity + 1 bytes. Fails unless capacity == 2 * count.
bool bytes_to_hex(const std::uint8_t *bytes, std::size_t count, char *text, std::size_t capacity);

// Relays one challenge to the driver. On success output holds the 128-digit signature and a
// terminator; on failure it is untouched (except by a failing final encoding).
bool sign_challenge(const char *challenge, std::size_t length, char *output,
                    std::size_t outputCapacity);

// The operation itself: reply is the handler's zeroed 129-byte buffer. A failed relay is
// answered "signature error"; only a failure to write that answer is reported as failure.
bool run_sign_operation(const char *argument, char *reply);
