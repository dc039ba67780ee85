// The service's bus face: the object table exported on /com/vorlix/quellarion and the method
// handler behind it, which runs operations looked up by exact name.
#pragma once

#include <systemd/sd-bus.h>

#include <cstddef>
#include <span>

constexpr std::size_t REPLY_BUFFER_SIZE = 129;

// An operation reads its argument (never changed) and leaves its answer in reply, a zeroed buffer
// of REPLY_BUFFER_SIZE bytes, as a zero-terminated string. Returns false when it failed; the
// caller then answers with an error instead of the buffer.
using board_operation_fn = bool (*)(const char *argument, char *reply);

struct board_operation {
    const char *name;
    board_operation_fn run;
};

// Writes its progress line to standard output at once, also when stdout is a file or a pipe.
void log_progress(const char *line);

// One method call: reads "ss" (operation name, argument), runs the operation whose name equals the
// first string byte for byte, and replies with one string of at most 128 characters. Unknown names
// are answered with the empty string. Returns the reply's result, or -1 when no reply was sent.
int dispatch_board_query(sd_bus_message *message, std::span<const board_operation> operations);

// The sd-bus method handler: dispatch_board_query over the service's own operations.
int handle_board_query(sd_bus_message *message, void *userdata, sd_bus_error *error);

extern const sd_bus_vtable board_query_vtable[];
