// The service's loop and handler with a wait limit given on the command line:
//   loop_probe WAIT_USEC            the service's own object table
//   loop_probe WAIT_USEC probe      the same handler over operations that misbehave on purpose
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "board_query.h"
#include "bus_service.h"

namespace {

bool fail(const char *, char *) {
    return false;
}

// Copies the argument, as much as fits in 128 characters.
bool echo(const char *argument, char *reply) {
    std::strncpy(reply, argument, REPLY_BUFFER_SIZE - 1);
    return true;
}

// Leaves every byte of the buffer set, without a terminator.
bool overrun(const char *, char *reply) {
    std::memset(reply, 'y', REPLY_BUFFER_SIZE);
    return true;
}

// Reports whether the buffer arrived with all its bytes zero.
bool zeroed(const char *, char *reply) {
    bool clean = true;
    for (std::size_t i = 0; i < REPLY_BUFFER_SIZE; ++i) clean = clean && reply[i] == 0;
    std::strcpy(reply, clean ? "zeroed" : "dirty");
    return true;
}

// An answer that is no valid UTF-8, so sending the reply fails.
bool bad_text(const char *, char *reply) {
    std::strcpy(reply, "\xff\xfe");
    return true;
}

constexpr board_operation PROBE_OPERATIONS[] = {
    {"fail", fail},     {"echo", echo},         {"overrun", overrun},
    {"zeroed", zeroed}, {"bad-text", bad_text},
};

int handle_probe(sd_bus_message *message, void *, sd_bus_error *) {
    return dispatch_board_query(message, PROBE_OPERATIONS);
}

const sd_bus_vtable probe_vtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("dovazorerevozoredevo", "ss", "s", handle_probe, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fputs("usage: loop_probe WAIT_USEC [probe]\n", stderr);
        return 2;
    }
    const std::uint64_t waitLimit = std::strtoull(argv[1], nullptr, 10);
    const bool probe = argc > 2 && std::string_view(argv[2]) == "probe";
    return run_bus_service(probe ? probe_vtable : board_query_vtable, waitLimit);
}
