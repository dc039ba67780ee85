// A private system-type bus for one test (its own dbus-daemon, temporary folder and the project's
// policy file), sd-bus clients on it, and the service started on it with its output in files.
#pragma once

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "launch.h"

namespace test_support {

constexpr char SERVICE_NAME[] = "com.vorlix.quellarion";
constexpr char OBJECT_PATH[] = "/com/vorlix/quellarion";
constexpr char METHOD_NAME[] = "dovazorerevozoredevo";
constexpr char RECEIVED_LINE[] = "quellarion: received message \n";
constexpr char PROCESSED_LINE[] = "quellarion: message processed \n";
constexpr char TIME_LIMIT_LINE[] = "Time limit exceeded, no message received, exit now.\n";

// Started, it sets DBUS_SYSTEM_BUS_ADDRESS in the test's environment, which the clients and every
// child then use; the daemon is stopped by pid and the folder removed when the TestBus goes away.
class TestBus {
public:
    ~TestBus();
    // With activationFile, the bus also activates the service from that file's contents.
    testing::AssertionResult start(const std::string &activationFile = "");
    void stop_daemon() { daemon_.stop(); }
    // Also a place for a test's own files.
    const std::string &folder() const { return folder_; }

private:
    std::string folder_;
    ChildProcess daemon_;
};

// The process id of the service name's owner, or 0 while nobody owns it.
pid_t service_owner_pid();

struct CallResult {
    std::string error;  // the error reply's name (or a local failure); empty when answered
    std::string answer;
};

// A client connection to the test bus.
class BusConnection {
public:
    BusConnection() { sd_bus_open_system(&bus_); }
    BusConnection(const BusConnection &) = delete;
    ~BusConnection() { sd_bus_flush_close_unref(bus_); }
    sd_bus *get() const { return bus_; }

    // The service's method with any argument types; reads a string from the reply when it has
    // one.
    template <typename... Args>
    CallResult call_service(const char *types, Args... args) {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message *reply = nullptr;
        CallResult result;
        const char *text = nullptr;
        if (sd_bus_call_method(bus_, SERVICE_NAME, OBJECT_PATH, SERVICE_NAME, METHOD_NAME, &error,
                               &reply, types, args...) < 0)
            result.error = error.name != nullptr ? error.name : "local failure";
        else if (sd_bus_message_read(reply, "s", &text) >= 0)
            result.answer = text;
        sd_bus_error_free(&error);
        sd_bus_message_unref(reply);
        return result;
    }

    CallResult query(const std::string &operation, const std::string &argument) {
        return call_service("ss", operation.c_str(), argument.c_str());
    }

private:
    sd_bus *bus_ = nullptr;
};

// The daemon (or another program serving the same name) on the test bus.
class ServiceProcess : public ChildProcess {
public:
    // Starts argv (the daemon of this build when empty; a program of this build through its
    // launcher) with extra "NAME=value" entries; succeeds once it owns the name, fails when it has
    // exited by then.
    testing::AssertionResult start(const TestBus &bus, std::vector<std::string> argv = {},
                                   const std::vector<std::string> &extraEnv = {});
    std::string stdout_text() const { return read_file(logPath_ + ".stdout"); }
    std::string stderr_text() const { return read_file(logPath_ + ".stderr"); }
    // Whether standard output comes to hold the lines of calls handled calls, then tail: a caller
    // may see its reply before the service has written the line that follows it.
    testing::AssertionResult logged(std::size_t calls, const std::string &tail = "") const;

private:
    std::string logPath_;
};

}  // namespace test_support
