/* What the simulated driver writes into the signature field. */
#ifndef SMC_SIM_SIGN_H
#define SMC_SIM_SIGN_H

#include <stdbool.h>
#include <stdint.h>

#include "sim_config.h"

/* Fills signature for the challenge as the configured mode does on a successful ioctl: Ed25519
 * under the configured seed, or in fast mode a cheap mix of the challenge bytes. Every other
 * mode signs like ed25519. False only if the cryptography library cannot start. */
bool smc_sim_sign(const struct smc_sim_config *config,
                  const uint8_t challenge[SMC_SIM_CHALLENGE_BYTES],
                  uint8_t signature[SMC_SIM_SIGNATURE_BYTES]);

bool smc_sim_public_key(const uint8_t seed[SMC_SIM_SEED_BYTES],
                        uint8_t public_key[SMC_SIM_PUBKEY_BYTES]);

bool smc_sim_verify(const uint8_t public_key[SMC_SIM_PUBKEY_BYTES],
                    const uint8_t challenge[SMC_SIM_CHALLENGE_BYTES],
                    const uint8_t signature[SMC_SIM_SIGNATURE_BYTES]);

#endif
