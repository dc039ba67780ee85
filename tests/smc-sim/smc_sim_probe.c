/* One exchange with the device the way its client makes it, through the open variant named on
 * the command line, printing what each call returned:
 *   smc_sim_probe VARIANT PATH CHALLENGE_HEX
 * Run it with the simulated driver preloaded. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

/* The fortified entry points; glibc exports them but declares them only under fortification. */
int __open_2(const char *path, int flags);
int __open64_2(const char *path, int flags);
int __openat_2(int dir_fd, const char *path, int flags);
int __openat64_2(int dir_fd, const char *path, int flags);

static int open_by(const char *variant, const char *path) {
    if (strcmp(variant, "open") == 0) return open(path, O_RDWR);
    if (strcmp(variant, "open64") == 0) return open64(path, O_RDWR);
    if (strcmp(variant, "__open_2") == 0) return __open_2(path, O_RDWR);
    if (strcmp(variant, "__open64_2") == 0) return __open64_2(path, O_RDWR);
    if (strcmp(variant, "openat") == 0) return openat(AT_FDCWD, path, O_RDWR);
    if (strcmp(variant, "openat64") == 0) return openat64(AT_FDCWD, path, O_RDWR);
    if (strcmp(variant, "__openat_2") == 0) return __openat_2(AT_FDCWD, path, O_RDWR);
    if (strcmp(variant, "__openat64_2") == 0) return __openat64_2(AT_FDCWD, path, O_RDWR);
    return -2;
}

int main(int argc, char **argv) {
    struct {
        uint8_t challenge[32];
        uint8_t signature[64];
    } record;
    if (argc != 4 || strlen(argv[3]) != 2 * sizeof record.challenge) return 2;
    for (size_t i = 0; i < sizeof record.challenge; ++i)
        sscanf(argv[3] + 2 * i, "%2hhx", &record.challenge[i]);
    /* A pattern no driver writes, so an untouched signature shows. */
    memset(record.signature, 0x5A, sizeof record.signature);

    int fd = open_by(argv[1], argv[2]);
    printf("open=%d errno=%d\n", fd, fd < 0 ? errno : 0);
    if (fd < 0) return 0;
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    errno = 0;
    int result = ioctl(fd, 0xC0086301, &record);
    int error = errno;
    clock_gettime(CLOCK_MONOTONIC, &end);
    long ms = (end.tv_sec - start.tv_sec) * 1000 + (end.tv_nsec - start.tv_nsec) / 1000000;
    printf("ioctl=%d errno=%d ms=%ld\nsignature=", result, error, ms);
    for (size_t i = 0; i < sizeof record.signature; ++i) printf("%02x", record.signature[i]);
    printf("\nclose=%d\n", close(fd));
    return 0;
}
