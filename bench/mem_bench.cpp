// The bounded copies and fills against the C library's memcpy and memset, size by size.
// Names are GROUP/IMPL/SIZE for bench/run.sh, which interleaves the repetitions and prints
// median ratios against the reference (memcpy, memset):
//   bench/run.sh build-bench/bench/mem_bench memcpy,memset
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bounds_checked.h"

namespace {

constexpr size_t kSizes[] = {1, 2, 4, 8, 16, 32, 64, 128, 256, 1024, 4096};
constexpr size_t kRoom = 4096;

alignas(64) unsigned char g_src[kRoom];
alignas(64) unsigned char g_dest[kRoom];

// The references are called out of line through volatile pointers: otherwise the compiler could
// expand a copy of known size inline on the reference side only.
void *(*volatile g_memcpy)(void *, const void *, size_t) = std::memcpy;
void *(*volatile g_memset)(void *, int, size_t) = std::memset;

// The calibration floor: a wrapper that does nothing but call memcpy, as any bounded function
// that must call the C library does at least. noipa keeps the compiler from specialising it.
__attribute__((noipa)) int memcpy_wrapper(void *dest, size_t destMax, const void *src,
                                          size_t count) {
    (void)destMax;
    std::memcpy(dest, src, count);
    return 0;
}

// The same floor for the fills.
__attribute__((noipa)) int memset_wrapper(void *dest, size_t destMax, int c, size_t count) {
    (void)destMax;
    std::memset(dest, c, count);
    return 0;
}

using CopyFn = int (*)(void *, size_t, const void *, size_t);
using FillFn = int (*)(void *, size_t, int, size_t);

void bench_memcpy(benchmark::State &state, size_t size) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(g_memcpy(g_dest, g_src, size));
    }
}

template <CopyFn copy>
void bench_copy(benchmark::State &state, size_t size) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(copy(g_dest, kRoom, g_src, size));
    }
}

// Any value but 0x00 and 0xFF takes the bytewise inline fills; zero takes the word blocks.
template <int value>
void bench_memset(benchmark::State &state, size_t size) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(g_memset(g_dest, value, size));
    }
}

template <FillFn fill, int value>
void bench_fill(benchmark::State &state, size_t size) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(fill(g_dest, kRoom, value, size));
    }
}

void add(const std::string &name, size_t size, void (*fn)(benchmark::State &, size_t)) {
    benchmark::RegisterBenchmark((name + "/" + std::to_string(size)).c_str(), fn, size);
}

void register_all() {
    for (size_t size : kSizes) {
        add("copy/memcpy", size, bench_memcpy);
        add("copy/wrapper", size, bench_copy<memcpy_wrapper>);
        add("copy/memcpy_s", size, bench_copy<memcpy_s>);
        add("copy/memcpy_s_fast", size, bench_copy<memcpy_s_fast>);
        add("fill/memset", size, bench_memset<0x5A>);
        add("fill/wrapper", size, bench_fill<memset_wrapper, 0x5A>);
        add("fill/memset_s", size, bench_fill<memset_s, 0x5A>);
        add("fill/memset_s_fast", size, bench_fill<memset_s_fast, 0x5A>);
        if (size <= 64) {
            add("zero/memset", size, bench_memset<0>);
            add("zero/memset_s_fast", size, bench_fill<memset_s_fast, 0>);
        }
    }
}

// Registered before main runs, so the library's own main serves.
const bool REGISTERED = (register_all(), true);

}  // namespace

BENCHMARK_MAIN();
