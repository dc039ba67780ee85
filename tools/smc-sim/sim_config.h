/* Settings of the simulated signing driver, read from the environment at each device call so
 * that one process can switch modes between calls. */
#ifndef SMC_SIM_CONFIG_H
#define SMC_SIM_CONFIG_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#define SMC_SIM_SEED_BYTES 32
#define SMC_SIM_PUBKEY_BYTES 32
#define SMC_SIM_CHALLENGE_BYTES 32
#define SMC_SIM_SIGNATURE_BYTES 64
#define SMC_SIM_MAX_DELAY_MS 600000

enum smc_sim_mode {
    SMC_SIM_ED25519,    /* sign with Ed25519 (default) */
    SMC_SIM_FAST,       /* cheap deterministic bytes, no cryptography */
    SMC_SIM_ABSENT,     /* open fails with ENOENT */
    SMC_SIM_IOCTL_FAIL, /* ioctl returns -1 with SMC_SIM_ERRNO (default EIO) */
    SMC_SIM_IOCTL_ONE,  /* ioctl returns 1 */
    SMC_SIM_NO_WRITE,   /* ioctl returns 0 and leaves the signature as it was */
};

struct smc_sim_config {
    enum smc_sim_mode mode;
    unsigned delay_ms;
    int ioctl_errno;
    unsigned fail_every; /* 0, or N: every Nth signing request fails as in ioctl-fail */
    uint8_t seed[SMC_SIM_SEED_BYTES];
};

/* Reads SMC_SIM_MODE, SMC_SIM_DELAY_MS, SMC_SIM_ERRNO, SMC_SIM_FAIL_EVERY and SMC_SIM_SEED. On a
 * malformed value returns false and points *bad_name at the variable's name. */
bool smc_sim_read_config(struct smc_sim_config *config, const char **bad_name);

/* Decodes exactly 2 * count hexadecimal digits of either case and nothing else. */
bool smc_sim_parse_hex(const char *text, uint8_t *out, size_t count);

/* Writes 2 * count lower-case digits and a terminating zero. */
void smc_sim_format_hex(const uint8_t *bytes, size_t count, char *text);

#endif
