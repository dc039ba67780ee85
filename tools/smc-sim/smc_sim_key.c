/* Companion of the simulated signing driver: shows its public key and checks its signatures,
 * under the same SMC_SIM_SEED (and, for sign, SMC_SIM_MODE) the driver reads. */
#include <stdio.h>
#include <string.h>

#include "sim_config.h"
#include "sim_sign.h"

enum { EXIT_VALID = 0, EXIT_INVALID = 1, EXIT_USAGE = 2 };

static int usage(void) {
    fputs(
        "usage: smc-sim-key pubkey\n"
        "       smc-sim-key sign CHALLENGE_HEX\n"
        "       smc-sim-key verify CHALLENGE_HEX SIGNATURE_HEX\n"
        "CHALLENGE_HEX is 64 and SIGNATURE_HEX 128 hexadecimal digits.\n",
        stderr);
    return EXIT_USAGE;
}

static int print_hex(const uint8_t *bytes, size_t count) {
    char text[2 * SMC_SIM_SIGNATURE_BYTES + 1];
    smc_sim_format_hex(bytes, count, text);
    return puts(text) < 0 ? EXIT_USAGE : EXIT_VALID;
}

int main(int argc, char **argv) {
    struct smc_sim_config config;
    const char *bad_name = "";
    if (!smc_sim_read_config(&config, &bad_name)) {
        fprintf(stderr, "smc-sim-key: malformed %s\n", bad_name);
        return EXIT_USAGE;
    }
    uint8_t public_key[SMC_SIM_PUBKEY_BYTES];
    uint8_t challenge[SMC_SIM_CHALLENGE_BYTES];
    uint8_t signature[SMC_SIM_SIGNATURE_BYTES];

    if (argc == 2 && strcmp(argv[1], "pubkey") == 0) {
        if (!smc_sim_public_key(config.seed, public_key)) return EXIT_USAGE;
        return print_hex(public_key, sizeof public_key);
    }
    if (argc == 3 && strcmp(argv[1], "sign") == 0) {
        if (!smc_sim_parse_hex(argv[2], challenge, sizeof challenge)) return usage();
        if (!smc_sim_sign(&config, challenge, signature)) return EXIT_USAGE;
        return print_hex(signature, sizeof signature);
    }
    if (argc == 4 && strcmp(argv[1], "verify") == 0) {
        if (!smc_sim_parse_hex(argv[2], challenge, sizeof challenge) ||
            !smc_sim_parse_hex(argv[3], signature, sizeof signature)) {
            return usage();
        }
        if (!smc_sim_public_key(config.seed, public_key)) return EXIT_USAGE;
        bool valid = smc_sim_verify(public_key, challenge, signature);
        puts(valid ? "valid" : "invalid");
        return valid ? EXIT_VALID : EXIT_INVALID;
    }
    return usage();
}
