#include "bus_client.h"

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace test_support {

BusConnection::BusConnection(const std::string &address) {
    sd_bus *bus = nullptr;
    int r = sd_bus_new(&bus);
    if (r >= 0) r = sd_bus_set_address(bus, address.c_str());
    if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0) r = sd_bus_start(bus);
    if (r < 0) {
        sd_bus_unref(bus);
        openResult_ = r;
        return;
    }
    bus_ = bus;
}

BusConnection::~BusConnection() {
    sd_bus_flush_close_unref(bus_);
}

void BusConnection::finish(CallResult &result, sd_bus_error *error, sd_bus_message *reply) {
    if (result.result < 0) {
        result.errorName = error->name != nullptr ? error->name : "local failure";
    } else if (reply != nullptr && sd_bus_message_has_signature(reply, "s")) {
        const char *text = nullptr;
        if (sd_bus_message_read(reply, "s", &text) >= 0 && text != nullptr) result.answer = text;
    }
    sd_bus_error_free(error);
    sd_bus_message_unref(reply);
}

bool BusConnection::name_has_owner(const char *name) {
    if (!ok()) return false;
    sd_bus_message *reply = nullptr;
    int owned = 0;
    const bool answered = sd_bus_call_method(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                             "org.freedesktop.DBus", "NameHasOwner", nullptr,
                                             &reply, "s", name) >= 0 &&
                          sd_bus_message_read(reply, "b", &owned) >= 0;
    sd_bus_message_unref(reply);
    return answered && owned != 0;
}

namespace {

// The child's result travels as three length-prefixed fields: result, error name, answer.
void write_field(int fd, const std::string &text) {
    const std::uint32_t length = static_cast<std::uint32_t>(text.size());
    if (write(fd, &length, sizeof length) != sizeof length) return;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

bool read_exact(int fd, void *out, std::size_t size, std::chrono::steady_clock::time_point until) {
    auto *bytes = static_cast<char *>(out);
    std::size_t done = 0;
    while (done < size) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        const ssize_t n = read(fd, bytes + done, size - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool read_field(int fd, std::string &text, std::chrono::steady_clock::time_point until) {
    std::uint32_t length = 0;
    if (!read_exact(fd, &length, sizeof length, until)) return false;
    text.resize(length);
    return read_exact(fd, text.data(), length, until);
}

}  // namespace

CallResult run_as_user(uid_t uid, gid_t gid, const std::function<CallResult()> &work,
                       std::chrono::milliseconds timeout) {
    int fds[2];
    if (pipe(fds) != 0) return CallResult{-1, "pipe failed", {}};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (setgroups(0, nullptr) != 0 || setresgid(gid, gid, gid) != 0 ||
            setresuid(uid, uid, uid) != 0)
            _exit(3);
        const CallResult result = work();
        write_field(fds[1], std::to_string(result.result));
        write_field(fds[1], result.errorName);
        write_field(fds[1], result.answer);
        _exit(0);
    }
    close(fds[1]);
    CallResult result{-1, "child failed", {}};
    const auto until = std::chrono::steady_clock::now() + timeout;
    std::string number, errorName, answer;
    if (pid > 0 && read_field(fds[0], number, until) && read_field(fds[0], errorName, until) &&
        read_field(fds[0], answer, until)) {
        result = CallResult{std::stoi(number), errorName, answer};
    }
    close(fds[0]);
    if (pid > 0) {
        kill(pid, SIGKILL);  // harmless when it has already exited; ends a hung child
        waitpid(pid, nullptr, 0);
    }
    return result;
}

}  // namespace test_support
