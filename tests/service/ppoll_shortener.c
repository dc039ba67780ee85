/* Preloaded into the service by the idle tests: every ppoll wait of ten minutes or more is
 * written to the file named by QUELLARION_PPOLL_LOG (as seconds.nanoseconds) and then cut to
 * QUELLARION_SHORT_WAIT_MS milliseconds, so an hour-long idle limit passes in moments. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef int (*ppoll_fn)(struct pollfd *, nfds_t, const struct timespec *, const sigset_t *);

enum { LONG_WAIT_SEC = 600 };

static void record_wait(const struct timespec *timeout) {
    const char *path = getenv("QUELLARION_PPOLL_LOG");
    if (path == NULL) return;
    char line[64];
    const int length = snprintf(line, sizeof line, "%lld.%09ld\n", (long long)timeout->tv_sec,
                                (long)timeout->tv_nsec);
    const int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    if (length > 0 && write(fd, line, (size_t)length) < 0) {
        /* nothing more to do: the test sees the missing line */
    }
    close(fd);
}

int ppoll(struct pollfd *fds, nfds_t count, const struct timespec *timeout, const sigset_t *mask) {
    ppoll_fn real = (ppoll_fn)dlsym(RTLD_NEXT, "ppoll");
    struct timespec shortened;
    if (timeout != NULL && timeout->tv_sec >= LONG_WAIT_SEC) {
        record_wait(timeout);
        const char *text = getenv("QUELLARION_SHORT_WAIT_MS");
        const long ms = text != NULL ? strtol(text, NULL, 10) : 1000;
        shortened.tv_sec = ms / 1000;
        shortened.tv_nsec = (ms % 1000) * 1000000L;
        timeout = &shortened;
    }
    return real(fds, count, timeout, mask);
}
