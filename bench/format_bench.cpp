// sprintf_s against glibc snprintf and fmt::format_to_n, swprintf_s against glibc swprintf, on
// the same formats and values. Names are GROUP/IMPL/0 for bench/run.sh.
#include <cstdio>
#include <cwchar>
#include <string>

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <fmt/xchar.h>

#include "bounds_checked.h"

namespace {

constexpr size_t ROOM = 128;
constexpr int VALUES[] = {0, 7, -42, 255, 65535, 123456789, -2147483647, 1000};
// Eight entries each: the benchmark loop picks with a mask, not a division.
constexpr const char *STRINGS[] = {"a", "hello", "formatted output", "x", "quellarion",
                                   "",  "ab",    "0123456789"};
constexpr double DOUBLES[] = {0.0, 3.14159, -2.5, 1234.5678, 1e-3, 99999.999, 42.0, -0.125};

// Cycles through a small table so that no call sees a constant.
template <typename T, size_t N>
const T &pick(const T (&table)[N], size_t &i) {
    return table[i++ % N];
}

template <typename Format>
void run(benchmark::State &state, Format format) {
    char dest[ROOM];
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(format(dest, i));
        benchmark::ClobberMemory();
    }
}

template <typename Format>
void run_wide(benchmark::State &state, Format format) {
    wchar_t dest[ROOM];
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(format(dest, i));
        benchmark::ClobberMemory();
    }
}

// fmt writes no terminator; the callers of the other two get one, so fmt adds it too.
template <typename... Args>
size_t fmt_into(char *dest, fmt::format_string<Args...> format, Args &&...args) {
    const auto result = fmt::format_to_n(dest, ROOM - 1, format, std::forward<Args>(args)...);
    *result.out = 0;
    return result.size;
}

template <typename... Args>
size_t fmt_into(wchar_t *dest, const wchar_t *format, Args &&...args) {
    const auto result =
        fmt::format_to_n(dest, ROOM - 1, fmt::wstring_view(format), std::forward<Args>(args)...);
    *result.out = 0;
    return result.size;
}

#define FORMAT_GROUP(group, printf_format, fmt_format, ...)                                        \
    benchmark::RegisterBenchmark(group "/snprintf/0", [](benchmark::State &state) {                \
        run(state, [](char *dest, size_t &i) {                                                     \
            return std::snprintf(dest, ROOM, printf_format, __VA_ARGS__);                          \
        });                                                                                        \
    });                                                                                            \
    benchmark::RegisterBenchmark(group "/sprintf_s/0", [](benchmark::State &state) {               \
        run(state, [](char *dest, size_t &i) {                                                     \
            return sprintf_s(dest, ROOM, printf_format, __VA_ARGS__);                              \
        });                                                                                        \
    });                                                                                            \
    benchmark::RegisterBenchmark(group "/fmt/0", [](benchmark::State &state) {                     \
        run(state, [](char *dest, size_t &i) { return fmt_into(dest, fmt_format, __VA_ARGS__); }); \
    })

void register_all() {
    FORMAT_GROUP("int_d", "%d", "{}", pick(VALUES, i));
    FORMAT_GROUP("hex_02x", "%02x", "{:02x}", static_cast<unsigned char>(pick(VALUES, i)));
    FORMAT_GROUP("hex_08x", "%08x", "{:08x}", static_cast<unsigned>(pick(VALUES, i)));
    FORMAT_GROUP("str_s", "%s", "{}", pick(STRINGS, i));
    FORMAT_GROUP("pad_s_d", "%-10s|%5d", "{:<10}|{:>5}", pick(STRINGS, i), pick(VALUES, i));
    FORMAT_GROUP("ptr_p", "%p", "{}", static_cast<const void *>(pick(STRINGS, i) + (i & 0xFF)));
    FORMAT_GROUP("float_3f", "%.3f", "{:.3f}", pick(DOUBLES, i));
    FORMAT_GROUP("long_mixed", "id=%d name=%-12s mask=%#010x count=%5u tag=%c/%s end",
                 "id={} name={:<12} mask={:#010x} count={:>5} tag={}/{} end", pick(VALUES, i),
                 pick(STRINGS, i), static_cast<unsigned>(pick(VALUES, i)),
                 static_cast<unsigned>(pick(VALUES, i) & 0xFFFF), 'k', pick(STRINGS, i));

    benchmark::RegisterBenchmark("wide_mixed/swprintf/0", [](benchmark::State &state) {
        run_wide(state, [](wchar_t *dest, size_t &i) {
            return std::swprintf(dest, ROOM, L"%d:%08x %ls|", pick(VALUES, i),
                                 static_cast<unsigned>(pick(VALUES, i)), L"wide text");
        });
    });
    benchmark::RegisterBenchmark("wide_mixed/swprintf_s/0", [](benchmark::State &state) {
        run_wide(state, [](wchar_t *dest, size_t &i) {
            return swprintf_s(dest, ROOM, L"%d:%08x %ls|", pick(VALUES, i),
                              static_cast<unsigned>(pick(VALUES, i)), L"wide text");
        });
    });
    benchmark::RegisterBenchmark("wide_mixed/fmt/0", [](benchmark::State &state) {
        run_wide(state, [](wchar_t *dest, size_t &i) {
            return fmt_into(dest, L"{}:{:08x} {}|", pick(VALUES, i),
                            static_cast<unsigned>(pick(VALUES, i)), L"wide text");
        });
    });
}

// Registered before main runs, so the library's own main serves.
const bool REGISTERED = (register_all(), true);

}  // namespace

BENCHMARK_MAIN();
