#include "sim_config.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

/* The fixed test key: anyone can derive its public key, so it proves nothing outside tests. */
static const char DEFAULT_SEED[SMC_SIM_SEED_BYTES + 1] = "quellarion smc-sim test seed #1!";

static const struct {
    const char *name;
    enum smc_sim_mode mode;
} MODE_NAMES[] = {
    {"ed25519", SMC_SIM_ED25519},     {"fast", SMC_SIM_FAST},
    {"absent", SMC_SIM_ABSENT},       {"ioctl-fail", SMC_SIM_IOCTL_FAIL},
    {"ioctl-one", SMC_SIM_IOCTL_ONE}, {"no-write", SMC_SIM_NO_WRITE},
};

static int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool smc_sim_parse_hex(const char *text, uint8_t *out, size_t count) {
    if (strlen(text) != 2 * count) return false;
    for (size_t i = 0; i < count; ++i) {
        int high = hex_digit_value(text[2 * i]);
        int low = hex_digit_value(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        out[i] = (uint8_t)(high << 4 | low);
    }
    return true;
}

void smc_sim_format_hex(const uint8_t *bytes, size_t count, char *text) {
    static const char DIGITS[] = "0123456789abcdef";
    for (size_t i = 0; i < count; ++i) {
        text[2 * i] = DIGITS[bytes[i] >> 4];
        text[2 * i + 1] = DIGITS[bytes[i] & 0xF];
    }
    text[2 * count] = '\0';
}

/* Plain decimal digits only, so that "5ms" or "-1" is reported instead of half-read. */
static bool parse_decimal(const char *text, unsigned long min, unsigned long max,
                          unsigned long *value) {
    if (text[0] == '\0' || strlen(text) > 9) return false;
    unsigned long result = 0;
    for (const char *p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
        result = result * 10 + (unsigned long)(*p - '0');
    }
    if (result < min || result > max) return false;
    *value = result;
    return true;
}

static bool parse_mode(const char *text, enum smc_sim_mode *mode) {
    for (size_t i = 0; i < sizeof MODE_NAMES / sizeof MODE_NAMES[0]; ++i) {
        if (strcmp(text, MODE_NAMES[i].name) == 0) {
            *mode = MODE_NAMES[i].mode;
            return true;
        }
    }
    return false;
}

bool smc_sim_read_config(struct smc_sim_config *config, const char **bad_name) {
    config->mode = SMC_SIM_ED25519;
    config->delay_ms = 0;
    config->ioctl_errno = EIO;
    config->fail_every = 0;
    memcpy(config->seed, DEFAULT_SEED, SMC_SIM_SEED_BYTES);

    const char *text = getenv("SMC_SIM_MODE");
    if (text != NULL && text[0] != '\0' && !parse_mode(text, &config->mode)) {
        *bad_name = "SMC_SIM_MODE";
        return false;
    }
    unsigned long number = 0;
    text = getenv("SMC_SIM_DELAY_MS");
    if (text != NULL && text[0] != '\0') {
        if (!parse_decimal(text, 0, SMC_SIM_MAX_DELAY_MS, &number)) {
            *bad_name = "SMC_SIM_DELAY_MS";
            return false;
        }
        config->delay_ms = (unsigned)number;
    }
    text = getenv("SMC_SIM_ERRNO");
    if (text != NULL && text[0] != '\0') {
        if (!parse_decimal(text, 1, 4095, &number)) {
            *bad_name = "SMC_SIM_ERRNO";
            return false;
        }
        config->ioctl_errno = (int)number;
    }
    text = getenv("SMC_SIM_FAIL_EVERY");
    if (text != NULL && text[0] != '\0') {
        if (!parse_decimal(text, 1, 1000000, &number)) {
            *bad_name = "SMC_SIM_FAIL_EVERY";
            return false;
        }
        config->fail_every = (unsigned)number;
    }
    text = getenv("SMC_SIM_SEED");
    if (text != NULL && text[0] != '\0' &&
        !smc_sim_parse_hex(text, config->seed, SMC_SIM_SEED_BYTES)) {
        *bad_name = "SMC_SIM_SEED";
        return false;
    }
    return true;
}
