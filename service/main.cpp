// quellarion: raises its capability, then serves the board query object on the system bus until
// one hour passes without activity (exit 0) or a start-up or bus step fails (exit 1).
#include <cstdio>

#include "board_query.h"
#include "bus_service.h"
#include "capability.h"

int main() {
    // Progress lines must reach a file, pipe or journal as they happen, not at exit.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (!raise_dac_override()) return 1;
    return run_bus_service(board_query_vtable, IDLE_EXIT_TIMEOUT_USEC);
}
