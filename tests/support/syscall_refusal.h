// Makes one system call fail with a chosen errno in the calling process and everything it execs:
// a seccomp filter, for provoking failures that the real system will not produce on demand.
#pragma once

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

namespace test_support {

#if defined(__x86_64__)
constexpr std::uint32_t FILTER_ARCH = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t FILTER_ARCH = AUDIT_ARCH_AARCH64;
#else
#error "no seccomp architecture for this target"
#endif

// Refuses syscall number nr with errorNumber when its first argument's low 32 bits equal
// firstArg (any first argument when matchAnyArg). Needs root, or no_new_privs already set.
inline bool refuse_syscall(long nr, int errorNumber, bool matchAnyArg, std::uint32_t firstArg = 0) {
    const auto refuse = static_cast<std::uint32_t>(SECCOMP_RET_ERRNO) |
                        (static_cast<std::uint32_t>(errorNumber) & SECCOMP_RET_DATA);
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, FILTER_ARCH, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(nr), 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, firstArg, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, matchAnyArg ? refuse : SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, refuse),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

}  // namespace test_support
