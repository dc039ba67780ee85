/* Runs one device exchange the way a client of /dev/smc_dri would, through the open variant
 * named on the command line, and prints what each call returned as key=value lines:
 *   smc_sim_probe VARIANT PATH FLAGS REQUEST CHALLENGE_HEX [OTHER_FILE]
 * With OTHER_FILE it first opens and closes the device, closes every descriptor above 2 the
 * way some daemons do, and opens OTHER_FILE, which then holds a number the driver used.
 * Run it with the simulated driver preloaded. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

/* The fortified entry points; glibc exports them but declares them only under fortification. */
int __open_2(const char *path, int flags);
int __open64_2(const char *path, int flags);
int __openat_2(int dir_fd, const char *path, int flags);
int __openat64_2(int dir_fd, const char *path, int flags);

static int open_by(const char *variant, const char *path, int flags) {
    const mode_t mode = 0600;
    if (strcmp(variant, "open") == 0) return open(path, flags, mode);
    if (strcmp(variant, "open64") == 0) return open64(path, flags, mode);
    if (strcmp(variant, "__open_2") == 0) return __open_2(path, flags);
    if (strcmp(variant, "__open64_2") == 0) return __open64_2(path, flags);
    if (strcmp(variant, "openat") == 0) return openat(AT_FDCWD, path, flags, mode);
    if (strcmp(variant, "openat64") == 0) return openat64(AT_FDCWD, path, flags, mode);
    if (strcmp(variant, "__openat_2") == 0) return __openat_2(AT_FDCWD, path, flags);
    if (strcmp(variant, "__openat64_2") == 0) return __openat64_2(AT_FDCWD, path, flags);
    fprintf(stderr, "unknown open variant %s\n", variant);
    exit(2);
}

static void print_hex(const char *key, const uint8_t *bytes, size_t count) {
    printf("%s=", key);
    for (size_t i = 0; i < count; ++i) printf("%02x", bytes[i]);
    putchar('\n');
}

int main(int argc, char **argv) {
    if (argc != 6 && argc != 7) {
        fputs("usage: smc_sim_probe VARIANT PATH FLAGS REQUEST CHALLENGE_HEX [OTHER_FILE]\n",
              stderr);
        return 2;
    }
    int flags = (int)strtol(argv[3], NULL, 0);
    unsigned long request = strtoul(argv[4], NULL, 0);
    struct {
        uint8_t challenge[32];
        uint8_t signature[64];
    } record;
    if (strlen(argv[5]) != 2 * sizeof record.challenge) return 2;
    for (size_t i = 0; i < sizeof record.challenge; ++i) {
        char pair[3] = {argv[5][2 * i], argv[5][2 * i + 1], '\0'};
        record.challenge[i] = (uint8_t)strtoul(pair, NULL, 16);
    }
    /* A pattern no driver writes, so an untouched signature field is visible. */
    memset(record.signature, 0x5A, sizeof record.signature);

    if (argc == 7) {
        /* A small descriptor limit keeps every number low, the driver's own included. */
        struct rlimit limit = {16, 16};
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return 3;
        int earlier = open(argv[2], flags);
        if (earlier >= 0) close(earlier);
        if (close_range(3, ~0u, 0) != 0) return 3;
        printf("other=%d\n", open(argv[6], O_RDONLY));
    }

    errno = 0;
    int fd = open_by(argv[1], argv[2], flags);
    printf("open=%d\nopen_errno=%d\n", fd, fd < 0 ? errno : 0);
    if (fd < 0) return 0;
    printf("cloexec=%d\n", (fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0);

    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    errno = 0;
    int result = ioctl(fd, request, &record);
    int error = errno;
    clock_gettime(CLOCK_MONOTONIC, &end);
    long elapsed_ms = (end.tv_sec - start.tv_sec) * 1000 + (end.tv_nsec - start.tv_nsec) / 1000000;
    printf("ioctl=%d\nioctl_errno=%d\nioctl_ms=%ld\n", result, error, elapsed_ms);
    print_hex("signature", record.signature, sizeof record.signature);

    char data[64];
    ssize_t got = read(fd, data, sizeof data - 1);
    data[got > 0 ? got : 0] = '\0';
    printf("read=%s\n", data);

    errno = 0;
    printf("close=%d\n", close(fd));
    result = close(fd);
    printf("close_again=%d\nclose_again_errno=%d\n", result, errno);
    return 0;
}
