// Connecting to the system bus, exporting the object, claiming the name and serving until the bus
// has been idle for one whole wait or a bus call fails.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>

constexpr char SERVICE_NAME[] = "com.vorlix.quellarion";
constexpr char OBJECT_PATH[] = "/com/vorlix/quellarion";
constexpr std::uint64_t IDLE_EXIT_TIMEOUT_USEC = 3'600'000'000;

// Runs the connection, export, name claim and loop with vtable on OBJECT_PATH, each wait limited
// to waitLimitUsec. Returns the exit status: 0 after an idle wait, 1 after any failure (its line
// already written to standard error).
int run_bus_service(const sd_bus_vtable *vtable, std::uint64_t waitLimitUsec);

// Processes everything pending, then waits at most waitLimitUsec for activity, over and over.
// Returns 0 once a wait ends without activity, 1 when processing or waiting fails.
int serve_until_idle(sd_bus *bus, std::uint64_t waitLimitUsec);
