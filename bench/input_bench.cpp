// fscanf_s against fscanf reading a 1 MiB file of integers (one and eight per call), and
// swscanf_s against swscanf on the same wide lines. Names are GROUP/IMPL/PARAM for bench/run.sh:
//   bench/run.sh build-bench/bench/input_bench fscanf,swscanf
#include <cstdio>
#include <cwchar>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "bounds_checked.h"

namespace {

constexpr size_t FILE_BYTES = 1 << 20;
constexpr unsigned WORD_ROOM = 32;
constexpr const wchar_t *WIDE_LINES[] = {L"0 a 1.5",
                                         L"7 hello 2.25",
                                         L"-42 x -0.125",
                                         L"65535 word 1e3",
                                         L"123456789 abc 3.14159",
                                         L"-2147483647 quellarion 42",
                                         L"1000 ab 99999.999",
                                         L"255 z 0.001"};

// The same file for every run: numbers of 1 to 11 characters between blanks and new-lines.
FILE *integer_file() {
    static FILE *file = [] {
        FILE *f = std::tmpfile();
        std::mt19937 rng(0x1f11e);
        size_t written = 0;
        while (f != nullptr && written < FILE_BYTES) {
            const int value = static_cast<int>(rng() >> (rng() % 32));
            written += size_t(std::fprintf(f, rng() % 8 == 0 ? "%d\n" : "%d ", value));
        }
        return f;
    }();
    return file;
}

// Reads the whole file, perCall numbers a call; the sum keeps the stores alive.
template <typename Scan>
void read_file(benchmark::State &state, int perCall, Scan scan) {
    FILE *f = integer_file();
    for (auto _ : state) {
        std::rewind(f);
        long long sum = 0;
        int v[8];
        while (scan(f, v) == perCall) {
            for (int i = 0; i < perCall; ++i) sum += v[i];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FILE_BYTES));
}

template <typename Scan>
void run_wide(benchmark::State &state, Scan scan) {
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scan(WIDE_LINES[i++ % 8]));
        benchmark::ClobberMemory();
    }
}

template <typename Reference, typename Ours>
void pair(const std::string &group, const char *reference, Reference referenceRun, Ours oursRun) {
    const size_t slash = group.find('/');
    const std::string head = group.substr(0, slash), param = group.substr(slash);
    benchmark::RegisterBenchmark((head + '/' + reference + param).c_str(), referenceRun);
    benchmark::RegisterBenchmark((head + '/' + reference + "_s" + param).c_str(), oursRun);
}

void register_all() {
    pair(
        "file_ints/1", "fscanf",
        [](benchmark::State &s) {
            read_file(s, 1, [](FILE *f, int *v) { return std::fscanf(f, "%d", v); });
        },
        [](benchmark::State &s) {
            read_file(s, 1, [](FILE *f, int *v) { return fscanf_s(f, "%d", v); });
        });
    pair(
        "file_ints/8", "fscanf",
        [](benchmark::State &s) {
            read_file(s, 8, [](FILE *f, int *v) {
                return std::fscanf(f, "%d %d %d %d %d %d %d %d", v, v + 1, v + 2, v + 3, v + 4,
                                   v + 5, v + 6, v + 7);
            });
        },
        [](benchmark::State &s) {
            read_file(s, 8, [](FILE *f, int *v) {
                return fscanf_s(f, "%d %d %d %d %d %d %d %d", v, v + 1, v + 2, v + 3, v + 4, v + 5,
                                v + 6, v + 7);
            });
        });
    pair(
        "wide_d/0", "swscanf",
        [](benchmark::State &s) {
            run_wide(s, [](const wchar_t *line) {
                int n = 0;
                return std::swscanf(line, L"%d", &n) + n;
            });
        },
        [](benchmark::State &s) {
            run_wide(s, [](const wchar_t *line) {
                int n = 0;
                return swscanf_s(line, L"%d", &n) + n;
            });
        });
    pair(
        "wide_mixed/0", "swscanf",
        [](benchmark::State &s) {
            run_wide(s, [](const wchar_t *line) {
                int n = 0;
                wchar_t word[WORD_ROOM] = {};
                double d = 0;
                return std::swscanf(line, L"%d %ls %lf", &n, word, &d) + n + int(word[0]) + int(d);
            });
        },
        [](benchmark::State &s) {
            run_wide(s, [](const wchar_t *line) {
                int n = 0;
                wchar_t word[WORD_ROOM] = {};
                double d = 0;
                return swscanf_s(line, L"%d %ls %lf", &n, word, WORD_ROOM, &d) + n + int(word[0]) +
                       int(d);
            });
        });
}

// Registered before main runs, so the library's own main serves.
const bool REGISTERED = (register_all(), true);

}  // namespace

BENCHMARK_MAIN();
