#include "sim_sign.h"

#include <sodium.h>

/* Every output byte depends on one challenge byte and its position, so different challenges
 * give different answers at the cost of a few instructions. */
static void fast_sign(const uint8_t *challenge, uint8_t *signature) {
    for (unsigned i = 0; i < SMC_SIM_SIGNATURE_BYTES; ++i) {
        signature[i] = (uint8_t)(challenge[i % SMC_SIM_CHALLENGE_BYTES] ^ (i * 37u + 0x5Cu));
    }
}

bool smc_sim_sign(const struct smc_sim_config *config,
                  const uint8_t challenge[SMC_SIM_CHALLENGE_BYTES],
                  uint8_t signature[SMC_SIM_SIGNATURE_BYTES]) {
    if (config->mode == SMC_SIM_FAST) {
        fast_sign(challenge, signature);
        return true;
    }
    if (sodium_init() < 0) return false;
    uint8_t public_key[crypto_sign_PUBLICKEYBYTES];
    uint8_t secret_key[crypto_sign_SECRETKEYBYTES];
    crypto_sign_seed_keypair(public_key, secret_key, config->seed);
    crypto_sign_detached(signature, NULL, challenge, SMC_SIM_CHALLENGE_BYTES, secret_key);
    sodium_memzero(secret_key, sizeof secret_key);
    return true;
}

bool smc_sim_public_key(const uint8_t seed[SMC_SIM_SEED_BYTES],
                        uint8_t public_key[SMC_SIM_PUBKEY_BYTES]) {
    if (sodium_init() < 0) return false;
    uint8_t secret_key[crypto_sign_SECRETKEYBYTES];
    crypto_sign_seed_keypair(public_key, secret_key, seed);
    sodium_memzero(secret_key, sizeof secret_key);
    return true;
}

bool smc_sim_verify(const uint8_t public_key[SMC_SIM_PUBKEY_BYTES],
                    const uint8_t challenge[SMC_SIM_CHALLENGE_BYTES],
                    const uint8_t signature[SMC_SIM_SIGNATURE_BYTES]) {
    if (sodium_init() < 0) return false;
    return crypto_sign_verify_detached(signature, challenge, SMC_SIM_CHALLENGE_BYTES, public_key) ==
           0;
}
