// The Ed25519 signature that libsodium makes of a message under a key derived from a seed, both
// given and returned as hex: what the simulated driver must answer.
#pragma once

#include <sodium.h>

#include <string>
#include <vector>

namespace test_support {

// The simulated driver's key seed in the service tests.
constexpr char SEED_HEX[] = "4f2d1c0b8a7968574635241302f1e0dfcebdac9b8a79685746352413020100ff";

inline std::string reference_signature(const std::string &seedHex, const std::string &messageHex) {
    unsigned char seed[crypto_sign_SEEDBYTES], signature[crypto_sign_BYTES];
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES], secretKey[crypto_sign_SECRETKEYBYTES];
    std::vector<unsigned char> message(messageHex.size() / 2);
    char text[2 * crypto_sign_BYTES + 1];
    const auto decode = [](unsigned char *out, std::size_t size, const std::string &hex) {
        return sodium_hex2bin(out, size, hex.c_str(), hex.size(), nullptr, nullptr, nullptr) == 0;
    };
    if (sodium_init() < 0 || !decode(seed, sizeof seed, seedHex) ||
        !decode(message.data(), message.size(), messageHex))
        return "libsodium failed";
    crypto_sign_seed_keypair(publicKey, secretKey, seed);
    crypto_sign_detached(signature, nullptr, message.data(), message.size(), secretKey);
    return sodium_bin2hex(text, sizeof text, signature, sizeof signature);
}

}  // namespace test_support
