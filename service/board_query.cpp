#include "board_query.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "signing_relay.h"

namespace {

// Adding an operation is adding its row here.
constexpr std::initializer_list<board_operation> BOARD_OPERATIONS = {
    {"DeRiViduz", run_sign_operation},
};

constexpr char RECEIVED_LINE[] = "quellarion: received message \n";
constexpr char PROCESSED_LINE[] = "quellarion: message processed \n";

const board_operation *find_operation(const char *name,
                                      std::span<const board_operation> operations) {
    for (const board_operation &operation : operations) {
        if (std::strcmp(operation.name, name) == 0) return &operation;
    }
    return nullptr;
}

// Everything between the two progress lines; the result is what the handler returns.
int answer_call(sd_bus_message *message, std::span<const board_operation> operations) {
    const char *name = nullptr;
    const char *argument = nullptr;
    int r = sd_bus_message_read(message, "ss", &name, &argument);
    if (r < 0) {
        std::fprintf(stderr, "Failed to parse parameters: %d\n", r);
        return -1;
    }

    char reply[REPLY_BUFFER_SIZE];
    std::memset(reply, 0, sizeof reply);
    if (const board_operation *operation = find_operation(name, operations)) {
        if (!operation->run(argument, reply)) {
            std::fputs("unknown error\n", stderr);
            return -1;
        }
        // The answer is sent as a C string: never let it run past the buffer.
        reply[REPLY_BUFFER_SIZE - 1] = '\0';
    }
    return sd_bus_reply_method_return(message, "s", reply);
}

}  // namespace

void log_progress(const char *line) {
    std::fputs(line, stdout);
    std::fflush(stdout);
}

int dispatch_board_query(sd_bus_message *message, std::span<const board_operation> operations) {
    log_progress(RECEIVED_LINE);
    const int result = answer_call(message, operations);
    if (result < 0) std::fprintf(stderr, "check_process fail r:%d \n", result);
    log_progress(PROCESSED_LINE);
    return result;
}

int handle_board_query(sd_bus_message *message, void *, sd_bus_error *) {
    return dispatch_board_query(message,
                                std::span(BOARD_OPERATIONS.begin(), BOARD_OPERATIONS.size()));
}

const sd_bus_vtable board_query_vtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("dovazorerevozoredevo", "ss", "s", handle_board_query,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};
