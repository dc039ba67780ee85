// sd-bus clients for the tests: method calls on a given bus address, optionally from a child
// process running as another user, and name-owner queries.
#pragma once

#include <sys/types.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <functional>
#include <string>

namespace test_support {

constexpr char SERVICE_NAME[] = "com.vorlix.quellarion";
constexpr char OBJECT_PATH[] = "/com/vorlix/quellarion";
constexpr char METHOD_NAME[] = "dovazorerevozoredevo";

struct CallResult {
    int result = 0;         // sd-bus result: >= 0 when a method return arrived
    std::string errorName;  // set when an error reply (or a local failure) ended the call
    std::string answer;     // the reply's string, when it carried one
};

// A client connection to address, closed when the object goes away.
class BusConnection {
public:
    explicit BusConnection(const std::string &address);
    BusConnection(const BusConnection &) = delete;
    BusConnection &operator=(const BusConnection &) = delete;
    ~BusConnection();

    bool ok() const { return bus_ != nullptr; }
    int open_result() const { return openResult_; }
    sd_bus *get() const { return bus_; }

    // Calls destination/path interface.member with the given message types and arguments, and
    // reads a single string from the reply when there is one.
    template <typename... Args>
    CallResult call(const char *destination, const char *path, const char *interface,
                    const char *member, const char *types, Args... args) {
        if (!ok()) return CallResult{openResult_, "connection failed", {}};
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message *reply = nullptr;
        CallResult result;
        result.result = sd_bus_call_method(bus_, destination, path, interface, member, &error,
                                           &reply, types, args...);
        finish(result, &error, reply);
        return result;
    }

    // The board query method with arbitrary argument types.
    template <typename... Args>
    CallResult call_service(const char *types, Args... args) {
        return call(SERVICE_NAME, OBJECT_PATH, SERVICE_NAME, METHOD_NAME, types, args...);
    }

    CallResult query(const std::string &operation, const std::string &argument) {
        return call_service("ss", operation.c_str(), argument.c_str());
    }

    // Whether name has an owner on the bus (false also when the query fails).
    bool name_has_owner(const char *name);

private:
    static void finish(CallResult &result, sd_bus_error *error, sd_bus_message *reply);

    sd_bus *bus_ = nullptr;
    int openResult_ = 0;
};

// Runs work in a forked child that has dropped to uid/gid and passes its CallResult back; the
// child is killed when it takes longer than timeout.
CallResult run_as_user(uid_t uid, gid_t gid, const std::function<CallResult()> &work,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(20000));

}  // namespace test_support
