// strcpy_s against strcpy and strcat_s against strcat, named GROUP/IMPL/LENGTH for bench/run.sh.
// Every function is called through a volatile pointer, the C library's as much as ours, so that
// the compiler inlines no constant-size copy on one side only.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bounds_checked.h"

namespace {

constexpr std::size_t kRoom = 4160;
constexpr std::size_t kPrefix = 16;  // what strcat and strcat_s append to

char *(*volatile c_strcpy)(char *, const char *) = std::strcpy;
char *(*volatile c_strcat)(char *, const char *) = std::strcat;
int (*volatile bounded_strcpy)(char *, size_t, const char *) = strcpy_s;
int (*volatile bounded_strcat)(char *, size_t, const char *) = strcat_s;

// The least a bounded copy that leans on the C library must do: one bounded scan and one copy.
__attribute__((noinline)) int scan_and_copy(char *dest, size_t destMax, const char *src) {
    const size_t size = strnlen(src, destMax) + 1;
    if (size > destMax) return ERR_RANGE_CLEARED;
    std::memcpy(dest, src, size);
    return 0;
}
int (*volatile calibration_copy)(char *, size_t, const char *) = scan_and_copy;

// Both strings start on a cache line, or (misaligned) 1 and 3 bytes after one.
struct Strings {
    alignas(64) char destRoom[kRoom + 64];
    alignas(64) char srcRoom[kRoom + 64];
    char *dest;
    char *src;

    Strings(std::size_t length, bool misaligned)
        : dest(destRoom + (misaligned ? 1 : 0)), src(srcRoom + (misaligned ? 3 : 0)) {
        std::memset(destRoom, 'd', sizeof destRoom);
        std::memset(src, 's', length);
        src[length] = '\0';
        dest[kPrefix] = '\0';
    }
};

template <bool Misaligned = false, typename Copy>
void run_copies(benchmark::State &state, Copy copy) {
    Strings s(static_cast<std::size_t>(state.range(0)), Misaligned);
    for (auto _ : state) {
        benchmark::DoNotOptimize(copy(s));
        benchmark::ClobberMemory();
    }
}

// Each round cuts the destination back to its prefix first, for both functions alike.
template <typename Append>
void run_appends(benchmark::State &state, Append append) {
    Strings s(static_cast<std::size_t>(state.range(0)), false);
    for (auto _ : state) {
        s.dest[kPrefix] = '\0';
        benchmark::DoNotOptimize(append(s));
        benchmark::ClobberMemory();
    }
}

void strcpy_ref(benchmark::State &state) {
    run_copies(state, [](Strings &s) { return c_strcpy(s.dest, s.src); });
}
void strcpy_bounded(benchmark::State &state) {
    run_copies(state, [](Strings &s) { return bounded_strcpy(s.dest, kRoom, s.src); });
}
void strcpy_calibration(benchmark::State &state) {
    run_copies(state, [](Strings &s) { return calibration_copy(s.dest, kRoom, s.src); });
}
void strcpy_misaligned_ref(benchmark::State &state) {
    run_copies<true>(state, [](Strings &s) { return c_strcpy(s.dest, s.src); });
}
void strcpy_misaligned_bounded(benchmark::State &state) {
    run_copies<true>(state, [](Strings &s) { return bounded_strcpy(s.dest, kRoom, s.src); });
}
void strcat_ref(benchmark::State &state) {
    run_appends(state, [](Strings &s) { return c_strcat(s.dest, s.src); });
}
void strcat_bounded(benchmark::State &state) {
    run_appends(state, [](Strings &s) { return bounded_strcat(s.dest, kRoom, s.src); });
}

void lengths(benchmark::internal::Benchmark *b) {
    for (const int length : {1, 4, 8, 15, 24, 31, 63, 255, 1023, 4095}) b->Arg(length);
}

BENCHMARK(strcpy_ref)->Name("strcpy/strcpy")->Apply(lengths);
BENCHMARK(strcpy_bounded)->Name("strcpy/strcpy_s")->Apply(lengths);
BENCHMARK(strcpy_calibration)->Name("strcpy/strnlen_memcpy")->Apply(lengths);
BENCHMARK(strcpy_misaligned_ref)->Name("strcpy_misaligned/strcpy")->Apply(lengths);
BENCHMARK(strcpy_misaligned_bounded)->Name("strcpy_misaligned/strcpy_s")->Apply(lengths);
BENCHMARK(strcat_ref)->Name("strcat/strcat")->Apply(lengths);
BENCHMARK(strcat_bounded)->Name("strcat/strcat_s")->Apply(lengths);

}  // namespace

BENCHMARK_MAIN();
