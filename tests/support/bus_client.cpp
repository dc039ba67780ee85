#include "bus_client.h"

namespace test_support {

BusConnection::BusConnection(const std::string &address) {
    sd_bus *bus = nullptr;
    int r = sd_bus_new(&bus);
    if (r >= 0) r = sd_bus_set_address(bus, address.c_str());
    if (r >= 0) r = sd_bus_set_bus_client(bus, 1);
    if (r >= 0) r = sd_bus_start(bus);
    if (r >= 0) {
        bus_ = bus;
    } else {
        sd_bus_unref(bus);
    }
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

// The bus answers GetNameOwner with an error while nobody owns the name.
bool BusConnection::name_has_owner(const char *name) {
    return call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                "GetNameOwner", "s", name)
               .result >= 0;
}

}  // namespace test_support
