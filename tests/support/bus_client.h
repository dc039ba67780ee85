// An sd-bus client for the tests: method calls on a given bus address and name-owner queries.
#pragma once

#include <systemd/sd-bus.h>

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
    ~BusConnection() { sd_bus_flush_close_unref(bus_); }

    bool ok() const { return bus_ != nullptr; }
    sd_bus *get() const { return bus_; }

    // Calls destination/path interface.member with the given message types and arguments, and
    // reads a single string from the reply when there is one.
    template <typename... Args>
    CallResult call(const char *destination, const char *path, const char *interface,
                    const char *member, const char *types, Args... args) {
        if (!ok()) return CallResult{-1, "connection failed", {}};
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
};

}  // namespace test_support
