#include "capability.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

static_assert(_LINUX_CAPABILITY_VERSION_1 == 0x19980330);
static_assert(CAP_DAC_OVERRIDE == 1);
static_assert(PR_CAP_AMBIENT == 47 && PR_CAP_AMBIENT_RAISE == 2);

// The version-1 interface carries one 32-bit set of each kind.
constexpr __u32 DAC_OVERRIDE_BIT = 1u << CAP_DAC_OVERRIDE;

}  // namespace

bool raise_dac_override() {
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_1;
    header.pid = getpid();
    __user_cap_data_struct data{};

    // No installed header declares capget and capset, so they are reached by number.
    if (syscall(SYS_capget, &header, &data) < 0) {
        std::fprintf(stderr, "get capability failed : %d\n", errno);
        return false;
    }
    data.effective |= DAC_OVERRIDE_BIT;
    data.permitted |= DAC_OVERRIDE_BIT;
    data.inheritable |= DAC_OVERRIDE_BIT;
    if (syscall(SYS_capset, &header, &data) < 0) {
        std::fprintf(stderr, "set capability failed : %d\n", errno);
        return false;
    }
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_RAISE, CAP_DAC_OVERRIDE, 0, 0) != 0) {
        std::fprintf(stderr, "ambient set capability cap: %d failed: %d \n", CAP_DAC_OVERRIDE,
                     errno);
        return false;
    }
    return true;
}
