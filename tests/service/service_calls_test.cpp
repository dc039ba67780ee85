// Calls to the real daemon on a private bus: answers, progress lines, rejected calls, callers
// without privileges.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bus_client.h"
#include "service_process.h"
#include "test_bus.h"

namespace {

using namespace test_support;

constexpr char RECEIVED_LINE[] = "quellarion: received message \n";
constexpr char PROCESSED_LINE[] = "quellarion: message processed \n";
constexpr uid_t NOBODY = 65534;

class ServiceCalls : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus_.start());
        ASSERT_TRUE(service_.start());
    }

    // Every handled call left its received line and then its processed line, nothing else.
    void expect_paired_lines(std::size_t calls) {
        const std::string out = service_.stdout_lines(2 * calls);
        const std::vector<std::string> lines = split_lines(out);
        ASSERT_EQ(lines.size(), 2 * calls) << out;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i], i % 2 == 0 ? RECEIVED_LINE : PROCESSED_LINE) << "line " << i;
        }
    }

    TestBus bus_;
    ServiceProcess service_{bus_, ServiceOptions{}};
};

TEST_F(ServiceCalls, OtherOperationNamesAreAnsweredWithTheEmptyString) {
    struct Case {
        const char *label;
        std::string operation;
        std::string argument;
    };
    const std::string challenge(64, 'a');
    const std::vector<Case> cases = {
        {"empty name", "", challenge},
        {"empty name and argument", "", ""},
        {"lower case", "derividuz", challenge},
        {"upper case", "DERIVIDUZ", challenge},
        {"one letter's case", "DeRiVidUz", challenge},
        {"trailing blank", "DeRiViduz ", challenge},
        {"leading blank", " DeRiViduz", challenge},
        {"prefix", "DeRiVidu", challenge},
        {"unknown", "Sign", challenge},
        {"argument of 1 MiB", "unknown", std::string(1 << 20, 'x')},
        {"non-ASCII name", "D\xc3\xa9RiViduz", "\xc3\xa9"},
    };
    BusConnection client(bus_.address());
    ASSERT_TRUE(client.ok()) << client.open_result();
    for (const Case &c : cases) {
        const CallResult r = client.query(c.operation, c.argument);
        EXPECT_GE(r.result, 0) << c.label << ": " << r.errorName;
        EXPECT_EQ(r.answer, "") << c.label;
    }
    expect_paired_lines(cases.size());
    EXPECT_EQ(service_.stderr_text(), "");
    EXPECT_TRUE(service_.process().running());
}

TEST_F(ServiceCalls, WrongArgumentTypesGetAnErrorReplyAndServingGoesOn) {
    struct Case {
        const char *label;
        std::function<CallResult(BusConnection &)> call;
    };
    const std::vector<Case> cases = {
        {"no arguments", [](BusConnection &c) { return c.call_service(""); }},
        {"one string", [](BusConnection &c) { return c.call_service("s", "DeRiViduz"); }},
        {"three strings", [](BusConnection &c) { return c.call_service("sss", "a", "b", "c"); }},
        {"string and integer", [](BusConnection &c) { return c.call_service("si", "a", 7); }},
        {"integer and string", [](BusConnection &c) { return c.call_service("is", 7, "a"); }},
        {"object path", [](BusConnection &c) { return c.call_service("so", "a", "/a"); }},
    };
    BusConnection client(bus_.address());
    ASSERT_TRUE(client.ok()) << client.open_result();
    for (const Case &c : cases) {
        const CallResult rejected = c.call(client);
        EXPECT_LT(rejected.result, 0) << c.label;
        EXPECT_FALSE(rejected.errorName.empty()) << c.label;
        const CallResult after = client.query("next", "call");
        EXPECT_GE(after.result, 0) << "call after " << c.label << ": " << after.errorName;
    }
    EXPECT_TRUE(service_.process().running());
    // Progress lines come in pairs whatever reached the handler.
    const std::string out = service_.stdout_lines(2 * cases.size());
    const std::vector<std::string> lines = split_lines(out);
    ASSERT_EQ(lines.size() % 2, 0u) << out;
    ASSERT_GE(lines.size(), 2 * cases.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], i % 2 == 0 ? RECEIVED_LINE : PROCESSED_LINE) << "line " << i;
    }
}

TEST_F(ServiceCalls, UnprivilegedCallerCanCallAndIntrospect) {
    const std::string address = bus_.address();
    const CallResult call = run_as_user(NOBODY, NOBODY, [&] {
        BusConnection client(address);
        return client.query("unknown", "argument");
    });
    EXPECT_GE(call.result, 0) << call.errorName;
    EXPECT_EQ(call.answer, "");

    const CallResult introspection = run_as_user(NOBODY, NOBODY, [&] {
        BusConnection client(address);
        return client.call(SERVICE_NAME, OBJECT_PATH, "org.freedesktop.DBus.Introspectable",
                           "Introspect", "");
    });
    ASSERT_GE(introspection.result, 0) << introspection.errorName;
    const std::string &xml = introspection.answer;
    const std::size_t interface = xml.find("<interface name=\"com.vorlix.quellarion\">");
    ASSERT_NE(interface, std::string::npos) << xml;
    const std::size_t end = xml.find("</interface>", interface);
    const std::string body = xml.substr(interface, end - interface);
    const std::size_t method = body.find("<method name=\"dovazorerevozoredevo\">");
    ASSERT_NE(method, std::string::npos) << body;
    EXPECT_EQ(body.find("<method", method + 1), std::string::npos) << "a second method: " << body;
    EXPECT_EQ(body.find("<property"), std::string::npos) << body;
    EXPECT_EQ(body.find("<signal"), std::string::npos) << body;

    std::vector<std::string> args;
    for (std::size_t at = body.find("<arg", method); at != std::string::npos;
         at = body.find("<arg", at + 1)) {
        args.push_back(body.substr(at, body.find('>', at) - at));
    }
    ASSERT_EQ(args.size(), 3u) << body;
    const char *expected[][2] = {{"type=\"s\"", "direction=\"in\""},
                                 {"type=\"s\"", "direction=\"in\""},
                                 {"type=\"s\"", "direction=\"out\""}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        EXPECT_NE(args[i].find(expected[i][0]), std::string::npos)
            << "arg " << i << ": " << args[i];
        EXPECT_NE(args[i].find(expected[i][1]), std::string::npos)
            << "arg " << i << ": " << args[i];
    }
}

TEST_F(ServiceCalls, NoOtherOwnerCanTakeTheName) {
    struct Case {
        const char *label;
        uid_t uid;
    };
    const Case cases[] = {{"root", 0}, {"nobody", NOBODY}};
    const std::string address = bus_.address();
    for (const Case &c : cases) {
        const CallResult r = run_as_user(c.uid, c.uid, [&] {
            BusConnection client(address);
            if (!client.ok()) return CallResult{client.open_result(), "connect", {}};
            // Replacement allowed and queueing refused: only the policy and the owner's own
            // flags can stop this request.
            const int result =
                sd_bus_request_name(client.get(), SERVICE_NAME, SD_BUS_NAME_REPLACE_EXISTING);
            return CallResult{result, {}, {}};
        });
        EXPECT_LT(r.result, 0) << c.label;
    }
    BusConnection client(bus_.address());
    EXPECT_GE(client.query("still", "served").result, 0);
}

TEST(ServiceActivation, CallToTheNameStartsTheServiceFromItsActivationFile) {
    // The packaged activation file, pointed at this build's binary.
    std::string activation = read_file(QUELLARION_ACTIVATION_FILE);
    const std::string installed = "@CMAKE_INSTALL_FULL_SBINDIR@/quellarion";
    const std::size_t at = activation.find(installed);
    ASSERT_NE(at, std::string::npos) << activation;
    activation.replace(at, installed.size(), service_binary());

    char pattern[] = "/tmp/quellarion-activation-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string serviceDir = pattern;
    std::ofstream(serviceDir + "/com.vorlix.quellarion.service") << activation;

    {
        TestBus bus;
        ASSERT_TRUE(bus.start(serviceDir));
        BusConnection client(bus.address());
        ASSERT_FALSE(client.name_has_owner(SERVICE_NAME));
        const CallResult r = client.query("unknown", "activate");
        EXPECT_GE(r.result, 0) << r.errorName;
        EXPECT_EQ(r.answer, "");
        EXPECT_TRUE(client.name_has_owner(SERVICE_NAME));
    }
    // The activated daemon loses its bus with the TestBus and ends by itself.
    std::filesystem::remove_all(serviceDir);
}

}  // namespace
