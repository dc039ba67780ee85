// One exchange with the device the way its client makes it, through the open variant named on
// the command line, printing what each call returned:
//   smc_sim_probe VARIANT PATH CHALLENGE_HEX
// Run it with the simulated driver preloaded.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv) {
    struct {
        uint8_t challenge[32];
        uint8_t signature[64];
    } record;
    // Looked up as the dynamic linker binds a call to it, so the preloaded one comes first.
    void *entry = argc == 4 ? dlsym(RTLD_DEFAULT, argv[1]) : NULL;
    if (entry == NULL || strlen(argv[3]) != 2 * sizeof record.challenge) return 2;
    for (size_t i = 0; i < sizeof record.challenge; ++i)
        sscanf(argv[3] + 2 * i, "%2hhx", &record.challenge[i]);
    // A pattern no driver writes, so an untouched signature shows.
    memset(record.signature, 0x5A, sizeof record.signature);

    // The fortified variants take no mode, and O_RDWR needs none.
    int fd = strstr(argv[1], "openat") != NULL
                 ? ((int (*)(int, const char *, int))entry)(AT_FDCWD, argv[2], O_RDWR)
                 : ((int (*)(const char *, int))entry)(argv[2], O_RDWR);
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
