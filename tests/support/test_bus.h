// A private system-type bus for one test: its own dbus-daemon, its own temporary folder (socket,
// configuration, logs), the project's policy file, stopped by pid when the TestBus goes away.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"

namespace test_support {

class TestBus {
public:
    ~TestBus();

    // Creates the folder, writes the configuration and starts the daemon; succeeds once a client
    // can connect.
    testing::AssertionResult start();
    void stop_daemon() { daemon_.stop(); }

    // The address to hand to clients and to the service as DBUS_SYSTEM_BUS_ADDRESS.
    const std::string &address() const { return address_; }
    std::string environment_entry() const { return "DBUS_SYSTEM_BUS_ADDRESS=" + address_; }
    // The bus's own temporary folder, also a place for a test's log files.
    const std::string &folder() const { return folder_; }

private:
    std::string folder_;
    std::string address_;
    ChildProcess daemon_;
};

}  // namespace test_support
