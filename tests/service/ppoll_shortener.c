/* Preloaded into the service by the idle test: every ppoll wait of ten minutes or more is
 * appended to the file named by QUELLARION_PPOLL_LOG (as seconds.nanoseconds) and then cut to
 * QUELLARION_SHORT_WAIT_MS milliseconds, so an hour-long idle limit passes in moments. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef int (*ppoll_fn)(struct pollfd *, nfds_t, const struct timespec *, const sigset_t *);

int ppoll(struct pollfd *fds, nfds_t count, const struct timespec *timeout, const sigset_t *mask) {
    ppoll_fn real = (ppoll_fn)dlsym(RTLD_NEXT, "ppoll");
    struct timespec shortened;
    if (timeout != NULL && timeout->tv_sec >= 600) {
        FILE *log = fopen(getenv("QUELLARION_PPOLL_LOG"), "ae");
        if (log != NULL) {
            fprintf(log, "%lld.%09ld\n", (long long)timeout->tv_sec, (long)timeout->tv_nsec);
            fclose(log);
        }
        const long ms = strtol(getenv("QUELLARION_SHORT_WAIT_MS"), NULL, 10);
        shortened.tv_sec = ms / 1000;
        shortened.tv_nsec = (ms % 1000) * 1000000L;
        timeout = &shortened;
    }
    return real(fds, count, timeout, mask);
}
