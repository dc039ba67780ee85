/* A stand-in for the signing driver behind /dev/smc_dri, loaded with LD_PRELOAD. It answers
 * open, ioctl and close for that one path and hands every other call to the C library. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdbool.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include "sim_config.h"
#include "sim_log.h"
#include "sim_sign.h"

#define EXPORT __attribute__((visibility("default")))

static const char DEVICE_PATH[] = "/dev/smc_dri";
static const unsigned SMC_IOCTL_SIGN = 0xC0086301u;

/* Which descriptors are the device, one bit each; atomics keep it sound if threads share it.
 * A descriptor beyond the table is refused at open rather than left untracked. */
enum { MAX_TRACKED_FD = 4096, BITS_PER_WORD = 8 * sizeof(unsigned long) };
static unsigned long device_fds[MAX_TRACKED_FD / BITS_PER_WORD];

static void mark_device_fd(int fd) {
    __atomic_fetch_or(&device_fds[fd / BITS_PER_WORD], 1ul << (fd % BITS_PER_WORD),
                      __ATOMIC_SEQ_CST);
}

/* Returns whether fd was the device. */
static bool unmark_device_fd(int fd) {
    if (fd < 0 || fd >= MAX_TRACKED_FD) return false;
    unsigned long bit = 1ul << (fd % BITS_PER_WORD);
    return (__atomic_fetch_and(&device_fds[fd / BITS_PER_WORD], ~bit, __ATOMIC_SEQ_CST) & bit) != 0;
}

static bool is_device_fd(int fd) {
    if (fd < 0 || fd >= MAX_TRACKED_FD) return false;
    unsigned long word = __atomic_load_n(&device_fds[fd / BITS_PER_WORD], __ATOMIC_SEQ_CST);
    return (word >> (fd % BITS_PER_WORD) & 1ul) != 0;
}

static void *real_function(const char *name, void **slot) {
    void *function = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
    if (function == NULL) {
        function = dlsym(RTLD_NEXT, name);
        if (function == NULL) {
            /* Nothing sensible to hand the call to; say so instead of jumping to address 0. */
            static const char MESSAGE[] = "smc-sim: no next definition of a wrapped function\n";
            (void)syscall(SYS_write, 2, MESSAGE, sizeof MESSAGE - 1);
            abort();
        }
        __atomic_store_n(slot, function, __ATOMIC_RELEASE);
    }
    return function;
}

/* A descriptor a real open hands out may carry the number of a device descriptor that was
 * closed behind our back (dup2, close_range); it is a plain file from now on. */
static int passed_through(int fd) {
    if (fd >= 0) (void)unmark_device_fd(fd);
    return fd;
}

static bool needs_mode(int flags) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

static bool is_device_path(const char *path) {
    return path != NULL && strcmp(path, DEVICE_PATH) == 0;
}

static bool load_config(struct smc_sim_config *config) {
    const char *bad_name = "";
    if (smc_sim_read_config(config, &bad_name)) return true;
    /* A mistyped setting would otherwise pass unnoticed as the default mode. */
    static const char PREFIX[] = "smc-sim: malformed ";
    (void)syscall(SYS_write, 2, PREFIX, sizeof PREFIX - 1);
    (void)syscall(SYS_write, 2, bad_name, strlen(bad_name));
    (void)syscall(SYS_write, 2, "\n", 1);
    return false;
}

static int open_failed(const char *via, int flags, int error) {
    smc_sim_log("open flags=0x%x fd=-1 errno=%d via=%s", (unsigned)flags, error, via);
    errno = error;
    return -1;
}

/* Device descriptors are duplicates of one memory file made on first use: a real, unique number
 * that close and the kernel treat as usual, for a fraction of the cost of a new file each time,
 * so that benchmarks of a caller measure the caller. The copy is checked against the file's
 * identity because a program may have closed the original (close_range) and reused its number. */
enum { TEMPLATE_FD_FLOOR = 1000 };
static pthread_mutex_t template_lock = PTHREAD_MUTEX_INITIALIZER;
static int template_fd = -1;
static dev_t template_device;
static ino_t template_inode;

static bool is_template_copy(int fd) {
    struct stat info;
    return fstat(fd, &info) == 0 && info.st_dev == template_device && info.st_ino == template_inode;
}

static int new_device_fd(bool close_on_exec) {
    pthread_mutex_lock(&template_lock);
    int copy = -1;
    int error = EIO;
    for (int attempt = 0; attempt < 2 && copy < 0; ++attempt) {
        if (template_fd < 0) {
            int fd = memfd_create("smc_dri", MFD_CLOEXEC);
            struct stat info;
            if (fd < 0 || fstat(fd, &info) != 0) {
                error = errno;
                if (fd >= 0) (void)syscall(SYS_close, fd);
                break;
            }
            /* Kept out of the low numbers, so the caller sees the descriptors it would get
             * without the stand-in; where the limit forbids, it stays where it is. */
            int high = fcntl(fd, F_DUPFD_CLOEXEC, TEMPLATE_FD_FLOOR);
            if (high >= 0) {
                (void)syscall(SYS_close, fd);
                fd = high;
            }
            template_fd = fd;
            template_device = info.st_dev;
            template_inode = info.st_ino;
        }
        copy = fcntl(template_fd, close_on_exec ? F_DUPFD_CLOEXEC : F_DUPFD, 0);
        if (copy < 0 && errno != EBADF) {
            error = errno;
            break;
        }
        if (copy >= 0 && !is_template_copy(copy)) {
            (void)syscall(SYS_close, copy);
            copy = -1;
        }
        /* Gone or taken over by another file; the number is no longer ours to close. */
        if (copy < 0) template_fd = -1;
    }
    pthread_mutex_unlock(&template_lock);
    if (copy < 0) errno = error;
    return copy;
}

static int open_device(const char *via, int flags) {
    struct smc_sim_config config;
    if (!load_config(&config)) return open_failed(via, flags, EINVAL);
    if (config.mode == SMC_SIM_ABSENT) return open_failed(via, flags, ENOENT);
    int fd = new_device_fd((flags & O_CLOEXEC) != 0);
    if (fd < 0) return open_failed(via, flags, errno);
    if (fd >= MAX_TRACKED_FD) {
        (void)syscall(SYS_close, fd);
        return open_failed(via, flags, EMFILE);
    }
    mark_device_fd(fd);
    smc_sim_log("open flags=0x%x fd=%d via=%s", (unsigned)flags, fd, via);
    return fd;
}

static void sleep_ms(unsigned milliseconds) {
    struct timespec left = {milliseconds / 1000, (long)(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

static int device_ioctl(int fd, unsigned request, void *argument) {
    int saved_errno = errno;
    struct smc_sim_config config;
    if (!load_config(&config)) {
        smc_sim_log("ioctl fd=%d request=0x%x result=-1 errno=%d", fd, request, EINVAL);
        errno = EINVAL;
        return -1;
    }
    if (request != SMC_IOCTL_SIGN || argument == NULL) {
        int error = request != SMC_IOCTL_SIGN ? ENOTTY : EFAULT;
        smc_sim_log("ioctl fd=%d request=0x%x result=-1 errno=%d", fd, request, error);
        errno = error;
        return -1;
    }
    if (config.delay_ms > 0) sleep_ms(config.delay_ms);

    /* The record: 32 challenge bytes, then the 64 signature bytes the driver fills. */
    uint8_t *record = argument;
    char challenge_hex[2 * SMC_SIM_CHALLENGE_BYTES + 1];
    smc_sim_format_hex(record, SMC_SIM_CHALLENGE_BYTES, challenge_hex);
    int result = 0;
    int error = 0;
    /* Signing requests of this process, counted for SMC_SIM_FAIL_EVERY. */
    static unsigned long requests;
    unsigned long request_number = __atomic_add_fetch(&requests, 1, __ATOMIC_SEQ_CST);
    bool failing_turn = config.fail_every > 0 && request_number % config.fail_every == 0;
    if (config.mode == SMC_SIM_IOCTL_FAIL || failing_turn) {
        result = -1;
        error = config.ioctl_errno;
    } else if (config.mode == SMC_SIM_IOCTL_ONE) {
        result = 1;
    } else if (config.mode != SMC_SIM_NO_WRITE) {
        uint8_t signature[SMC_SIM_SIGNATURE_BYTES];
        if (smc_sim_sign(&config, record, signature)) {
            memcpy(record + SMC_SIM_CHALLENGE_BYTES, signature, sizeof signature);
        } else {
            result = -1;
            error = EIO;
        }
    }
    if (result < 0) {
        smc_sim_log("ioctl fd=%d request=0x%x challenge=%s result=-1 errno=%d", fd, request,
                    challenge_hex, error);
        errno = error;
    } else {
        smc_sim_log("ioctl fd=%d request=0x%x challenge=%s result=%d", fd, request, challenge_hex,
                    result);
        errno = saved_errno;
    }
    return result;
}

typedef int (*open_function)(const char *, int, ...);
typedef int (*openat_function)(int, const char *, int, ...);
typedef int (*open_2_function)(const char *, int);
typedef int (*openat_2_function)(int, const char *, int);
typedef int (*ioctl_function)(int, unsigned long, ...);
typedef int (*close_function)(int);

static void *real_open, *real_open64, *real_open_2, *real_open64_2;
static void *real_openat, *real_openat64, *real_openat_2, *real_openat64_2;
static void *real_ioctl, *real_close;

#define REAL(type, name, slot) ((type)real_function(name, &slot))

/* The mode argument exists only with O_CREAT or O_TMPFILE; reading it otherwise is undefined. */
#define READ_MODE(flags, mode)        \
    do {                              \
        if (needs_mode(flags)) {      \
            va_list args;             \
            va_start(args, flags);    \
            mode = va_arg(args, int); \
            va_end(args);             \
        }                             \
    } while (0)

EXPORT int open(const char *path, int flags, ...) {
    if (is_device_path(path)) return open_device("open", flags);
    int mode = 0;
    READ_MODE(flags, mode);
    return passed_through(REAL(open_function, "open", real_open)(path, flags, mode));
}

EXPORT int open64(const char *path, int flags, ...) {
    if (is_device_path(path)) return open_device("open64", flags);
    int mode = 0;
    READ_MODE(flags, mode);
    return passed_through(REAL(open_function, "open64", real_open64)(path, flags, mode));
}

EXPORT int __open_2(const char *path, int flags) {
    if (is_device_path(path)) return open_device("__open_2", flags);
    return passed_through(REAL(open_2_function, "__open_2", real_open_2)(path, flags));
}

EXPORT int __open64_2(const char *path, int flags) {
    if (is_device_path(path)) return open_device("__open64_2", flags);
    return passed_through(REAL(open_2_function, "__open64_2", real_open64_2)(path, flags));
}

/* An absolute path ignores the directory descriptor, so openat names the device the same way. */
EXPORT int openat(int dir_fd, const char *path, int flags, ...) {
    if (is_device_path(path)) return open_device("openat", flags);
    int mode = 0;
    READ_MODE(flags, mode);
    return passed_through(REAL(openat_function, "openat", real_openat)(dir_fd, path, flags, mode));
}

EXPORT int openat64(int dir_fd, const char *path, int flags, ...) {
    if (is_device_path(path)) return open_device("openat64", flags);
    int mode = 0;
    READ_MODE(flags, mode);
    return passed_through(
        REAL(openat_function, "openat64", real_openat64)(dir_fd, path, flags, mode));
}

EXPORT int __openat_2(int dir_fd, const char *path, int flags) {
    if (is_device_path(path)) return open_device("__openat_2", flags);
    return passed_through(
        REAL(openat_2_function, "__openat_2", real_openat_2)(dir_fd, path, flags));
}

EXPORT int __openat64_2(int dir_fd, const char *path, int flags) {
    if (is_device_path(path)) return open_device("__openat64_2", flags);
    return passed_through(
        REAL(openat_2_function, "__openat64_2", real_openat64_2)(dir_fd, path, flags));
}

/* Requests are compared as 32-bit numbers: a caller passing the code as a negative int sees it
 * sign-extended in the unsigned long. */
EXPORT int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    if (is_device_fd(fd)) return device_ioctl(fd, (unsigned)request, argument);
    return REAL(ioctl_function, "ioctl", real_ioctl)(fd, request, argument);
}

/* The mark goes before the real close, so a descriptor number reused by another thread's open
 * right after the close keeps its own mark. */
EXPORT int close(int fd) {
    bool was_device = unmark_device_fd(fd);
    int result = REAL(close_function, "close", real_close)(fd);
    if (was_device) {
        if (result == 0) {
            smc_sim_log("close fd=%d result=0", fd);
        } else {
            smc_sim_log("close fd=%d result=%d errno=%d", fd, result, errno);
        }
    }
    return result;
}
