// The service's loop and dispatcher over operations that misbehave on purpose, with the wait
// limit in microseconds given on the command line.
#include <cstdlib>
#include <cstring>

#include "board_query.h"
#include "bus_service.h"

namespace {

bool fail(const char *, char *) {
    return false;
}

// Leaves every byte of the buffer set, without a terminator.
bool overrun(const char *, char *reply) {
    std::memset(reply, 'y', REPLY_BUFFER_SIZE);
    return true;
}

constexpr board_operation PROBE_OPERATIONS[] = {{"fail", fail}, {"overrun", overrun}};

int handle_probe(sd_bus_message *message, void *, sd_bus_error *) {
    return dispatch_board_query(message, PROBE_OPERATIONS);
}

const sd_bus_vtable probe_vtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("dovazorerevozoredevo", "ss", "s", handle_probe, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

}  // namespace

int main(int, char **argv) {
    return run_bus_service(probe_vtable, std::strtoull(argv[1], nullptr, 10));
}
