// The service's round trip on a private bus: a signing request against the bus's own Ping of the
// same service, same client, same connection. The simulated driver runs in the mode named by
// BENCH_SMC_SIM_MODE (default "fast": no cryptography, so the figure is the service's own cost).
// At the end the service's peak resident memory is printed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "test_bus.h"

namespace {

using namespace test_support;

BusConnection *g_client = nullptr;
const std::string kChallenge = "00112233445566778899aabbccddeeff0123456789abcdeffedcba9876543210";

void BM_Ping(benchmark::State &state) {
    for (auto _ : state) {
        const CallResult r =
            g_client->call(SERVICE_NAME, OBJECT_PATH, "org.freedesktop.DBus.Peer", "Ping", "");
        if (!r.error.empty()) state.SkipWithError("Ping failed");
    }
}

void BM_Sign(benchmark::State &state) {
    for (auto _ : state) {
        const CallResult r = g_client->query("DeRiViduz", kChallenge);
        if (!r.error.empty() || r.answer.size() != 128) state.SkipWithError("signing failed");
    }
}

// The handler's floor: a call of the method that no operation takes up (progress lines, reading
// the arguments, an empty reply), so the signing work itself is the gap between this and sign.
void BM_Unknown(benchmark::State &state) {
    for (auto _ : state) {
        const CallResult r = g_client->query("unknown", kChallenge);
        if (!r.error.empty() || !r.answer.empty()) state.SkipWithError("call failed");
    }
}

BENCHMARK(BM_Ping)->Name("roundtrip/ping/0");
BENCHMARK(BM_Unknown)->Name("roundtrip/unknown/0");
BENCHMARK(BM_Sign)->Name("roundtrip/sign/0");

std::string peak_rss(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) return line;
    }
    return "VmHWM: unknown";
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    const char *mode = std::getenv("BENCH_SMC_SIM_MODE");
    TestBus bus;
    if (!bus.start()) return 1;
    ServiceProcess service;
    if (!service.start(bus, {},
                       {std::string("LD_PRELOAD=") + SMC_SIM_LIBRARY,
                        std::string("SMC_SIM_MODE=") + (mode != nullptr ? mode : "fast"),
                        "ASAN_OPTIONS=verify_asan_link_order=0"}))
        return 1;
    {
        BusConnection client;
        if (client.get() == nullptr) return 1;
        g_client = &client;
        benchmark::RunSpecifiedBenchmarks();
        g_client = nullptr;
    }
    std::fprintf(stderr, "service peak memory: %s\n", peak_rss(service.pid()).c_str());
    benchmark::Shutdown();
    return 0;
}
