#include "bus_service.h"

#include <cstdio>

namespace {

constexpr char TIME_LIMIT_LINE[] = "Time limit exceeded, no message received, exit now.\n";
static_assert(sizeof TIME_LIMIT_LINE - 1 == 52);

// The slot is released before the connection; both release calls accept null.
struct bus_handles {
    sd_bus *bus = nullptr;
    sd_bus_slot *slot = nullptr;

    bus_handles() = default;
    bus_handles(const bus_handles &) = delete;
    bus_handles &operator=(const bus_handles &) = delete;
    ~bus_handles() {
        sd_bus_slot_unref(slot);
        sd_bus_flush_close_unref(bus);
    }
};

}  // namespace

int serve_until_idle(sd_bus *bus, std::uint64_t waitLimitUsec) {
    for (;;) {
        int r = sd_bus_process(bus, nullptr);
        if (r < 0) {
            std::fprintf(stderr, "Failed to sd_bus_process: %d\n", r);
            return 1;
        }
        if (r > 0) continue;

        r = sd_bus_wait(bus, waitLimitUsec);
        if (r < 0) {
            std::fprintf(stderr, "Failed to sd_bus_wait: %d\n", r);
            return 1;
        }
        if (r == 0) {
            std::fwrite(TIME_LIMIT_LINE, 1, sizeof TIME_LIMIT_LINE - 1, stdout);
            std::fflush(stdout);
            return 0;
        }
    }
}

int run_bus_service(const sd_bus_vtable *vtable, std::uint64_t waitLimitUsec) {
    bus_handles handles;
    int r = sd_bus_open_system(&handles.bus);
    if (r < 0) {
        std::fprintf(stderr, "Failed to connect to system bus: %d\n", r);
        return 1;
    }
    r = sd_bus_add_object_vtable(handles.bus, &handles.slot, OBJECT_PATH, SERVICE_NAME, vtable,
                                 nullptr);
    if (r < 0) {
        std::fprintf(stderr, "Failed to issue method call: %d\n", r);
        return 1;
    }
    // Flags 0: no queueing for the name, and no taking it over from another owner.
    r = sd_bus_request_name(handles.bus, SERVICE_NAME, 0);
    if (r < 0) {
        std::fprintf(stderr, "Failed to acquire service name: %d\n", r);
        return 1;
    }
    return serve_until_idle(handles.bus, waitLimitUsec);
}
