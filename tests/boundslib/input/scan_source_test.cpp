// File, pipe and standard-input sources of the scanf_s family. Narrow files are checked against
// the C library's fscanf on a second copy of the same bytes: after every call both have stored
// the same and stand at the same position, which shows the read-ahead given back. Wide files hold
// raw 4-byte units and are checked against swscanf over the same units.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bounds_checked.h"

namespace {

constexpr unsigned WORD_ROOM = 4096;
constexpr const char *BOM = "\xEF\xBB\xBF";
constexpr size_t LENGTHS[] = {1, 5, 1023, 1024, 1025, 2047, 2049, 3100};

struct TempFile {
    FILE *file = std::tmpfile();
    TempFile(const void *bytes, size_t size, long start = 0) {
        if (file == nullptr) return;
        std::fwrite(bytes, 1, size, file);
        std::fseek(file, start, SEEK_SET);
    }
    explicit TempFile(const std::string &text, long start = 0)
        : TempFile(text.data(), text.size(), start) {}
    ~TempFile() {
        if (file != nullptr) std::fclose(file);
    }
};

// A pipe read through a stream; all of text is written (below the pipe's capacity) and the
// writing end closed first.
FILE *pipe_with(const std::string &text) {
    int fds[2];
    if (pipe(fds) != 0) return nullptr;
    const bool written = write(fds[1], text.data(), text.size()) == ssize_t(text.size());
    close(fds[1]);
    return written ? fdopen(fds[0], "r") : nullptr;
}

// Numbers and words of 1 to 1500 characters between runs of 1 to 1500 blanks, tabs and
// new-lines, most of them short, cut to length characters.
template <typename Char>
std::basic_string<Char> tokens(std::mt19937 &rng, size_t length) {
    auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    auto run = [&] { return uniform(0, 9) == 0 ? uniform(1, 1500) : uniform(1, 4); };
    std::basic_string<Char> text;
    while (text.size() < length) {
        if (uniform(0, 3) == 0) {
            for (int n = run(); n > 0; --n) text += Char("abcxyz_-"[uniform(0, 7)]);
        } else {
            const std::string number = std::to_string(uniform(-99999999, 999999999));
            text.append(number.begin(), number.end());
        }
        for (int n = run(); n > 0; --n) text += Char(" \t\n"[uniform(0, 2)]);
    }
    text.resize(length);
    return text;
}

// One call of the format's kind: "%d" reads ints, anything else one word (with its size).
struct Reading {
    int result;
    std::string stored;
};

template <typename Scan>
Reading read_one(const char *format, Scan scan) {
    if (std::strcmp(format, "%d %d %d %d") == 0) {
        int v[4] = {-7, -7, -7, -7};
        const int result = scan(&v[0], &v[1], &v[2], &v[3]);
        return {result, std::to_string(v[0]) + ' ' + std::to_string(v[1]) + ' ' +
                            std::to_string(v[2]) + ' ' + std::to_string(v[3])};
    }
    std::vector<char> word(WORD_ROOM, 'z');
    const int result = scan(word.data());
    return {result, std::string(word.data(), strnlen(word.data(), WORD_ROOM))};
}

constexpr const char *NARROW_FORMATS[] = {"%d %d %d %d", "%s", "%c"};

// Reads ours (from a file or a pipe) and the reference file call by call until either ends.
void compare_stream(FILE *ours, FILE *reference, long markLength, const char *format) {
    const bool seekable = std::ftell(ours) >= 0;
    for (int call = 0; call < 5000; ++call) {
        SCOPED_TRACE("call " + std::to_string(call));
        const bool word = std::strcmp(format, "%d %d %d %d") != 0;
        auto oursScan = [&](auto... args) {
            if (word) return fscanf_s(ours, format, args..., WORD_ROOM);
            return fscanf_s(ours, format, args...);
        };
        auto refScan = [&](auto... args) { return std::fscanf(reference, format, args...); };
        const Reading got = read_one(format, oursScan), want = read_one(format, refScan);
        ASSERT_EQ(got.result, want.result);
        ASSERT_EQ(got.stored, want.stored);
        if (seekable) {
            ASSERT_EQ(std::ftell(ours), std::ftell(reference) + markLength);
        } else {
            const int next = std::fgetc(ours);
            ASSERT_EQ(next, std::fgetc(reference));
            if (next == EOF) return;
            std::ungetc(next, ours);
            std::ungetc(next, reference);
        }
        if (want.result < 1) return;
    }
}

// Each text from a file, from a file behind a byte-order mark, and from a pipe.
TEST(ScanSource, FilesAndPipesAgreeWithFscanf) {
    std::mt19937 rng(0x50c1);
    for (const size_t length : LENGTHS) {
        for (const char *format : NARROW_FORMATS) {
            const std::string text = tokens<char>(rng, length);
            for (const char *source : {"file", "file with a mark", "pipe"}) {
                SCOPED_TRACE(std::string(format) + " from a " + source + ", length " +
                             std::to_string(length));
                const bool mark = source[4] == ' ', fromPipe = source[0] == 'p';
                TempFile ours((mark ? BOM : "") + text), reference(text);
                FILE *piped = fromPipe ? pipe_with(text) : nullptr;
                ASSERT_TRUE(ours.file != nullptr && reference.file != nullptr &&
                            fromPipe == (piped != nullptr));
                compare_stream(fromPipe ? piped : ours.file, reference.file, mark ? 3 : 0, format);
                if (piped != nullptr) std::fclose(piped);
            }
        }
    }
}

// The mark counts only at position 0 and only when all three bytes are there.
TEST(ScanSource, ByteOrderMark) {
    struct Row {
        std::string content;
        long start;
        const char *format;
        int result;
        std::string stored;
        long after;
    } rows[] = {
        {std::string(BOM) + "12 34", 0, "%d", 1, "12", 5},
        {std::string(BOM) + "abc", 0, "%s", 1, "abc", 6},
        {BOM, 0, "%s", -1, "", 3},
        {"\xEF\xBB", 0, "%2c", 1, "\xEF\xBB", 2},
        {std::string("7") + BOM + "9", 1, "%3c", 1, BOM, 4},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.format + (" on " + row.content));
        TempFile f(row.content, row.start);
        char buffer[8] = {};
        int number = 0;
        const bool isNumber = std::strcmp(row.format, "%d") == 0;
        const int result = isNumber ? fscanf_s(f.file, row.format, &number)
                                    : fscanf_s(f.file, row.format, buffer, unsigned(sizeof buffer));
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(isNumber ? std::to_string(number) : std::string(buffer), row.stored);
        EXPECT_EQ(std::ftell(f.file), row.after);
    }
}

std::string units_of(const std::wstring &text) {
    return {reinterpret_cast<const char *>(text.data()), text.size() * sizeof(wchar_t)};
}

// Wide files: raw units, a cut unit at the end, marks of two bytes; against swscanf, whose %n
// gives the units a call consumed.
TEST(ScanSource, WideFilesOfRawUnits) {
    std::mt19937 rng(0x50c3);
    for (const size_t units :
         {size_t(1), size_t(7), size_t(255), size_t(256), size_t(257), size_t(700)}) {
        for (const std::string mark : {"", "\xFF\xFE", "\xFE\xFF"}) {
            for (int tail = 0; tail < 4; ++tail) {
                SCOPED_TRACE(std::to_string(units) + " units, mark of " +
                             std::to_string(mark.size()) + ", " + std::to_string(tail) +
                             " bytes after the last unit");
                const std::wstring text = tokens<wchar_t>(rng, units);
                TempFile f(mark + units_of(text) + std::string(size_t(tail), '\x01'));
                ASSERT_TRUE(f.file != nullptr);
                const bool words = tail % 2 == 1;
                size_t at = 0;
                for (int call = 0; call < 2000; ++call) {
                    std::vector<wchar_t> got(WORD_ROOM), want(WORD_ROOM);
                    int gotNumber = -7, wantNumber = -7, consumed = 0;
                    const int result = words ? fwscanf_s(f.file, L"%ls", got.data(), WORD_ROOM)
                                             : fwscanf_s(f.file, L"%d", &gotNumber);
                    const int expected =
                        words ? std::swscanf(text.c_str() + at, L"%ls%n", want.data(), &consumed)
                              : std::swscanf(text.c_str() + at, L"%d%n", &wantNumber, &consumed);
                    ASSERT_EQ(result, expected) << "call " << call;
                    if (expected < 1) break;
                    at += size_t(consumed);
                    ASSERT_EQ(std::wstring(got.data()), std::wstring(want.data()));
                    ASSERT_EQ(gotNumber, wantNumber);
                    ASSERT_EQ(std::ftell(f.file), long(mark.size() + at * sizeof(wchar_t)));
                }
            }
        }
    }
}

// A unit is taken as it is, without decoding; a mark is dropped only at position 0.
TEST(ScanSource, WideUnitsAsTheyAre) {
    const std::wstring units = {L'x', wchar_t(0xFEFF), wchar_t(0x10000), L'y'};
    TempFile f(units_of(units), 4);
    wchar_t got[4] = {};
    EXPECT_EQ(fwscanf_s(f.file, L"%2lc", got, 4u), 1);
    EXPECT_EQ(std::wstring(got), std::wstring({wchar_t(0xFEFF), wchar_t(0x10000)}));
    EXPECT_EQ(std::ftell(f.file), 12);
    TempFile cut("\x01\x02\x03", 0);
    EXPECT_EQ(fwscanf_s(cut.file, L"%lc", got, 4u), -1);
}

// Runs body in a child whose standard input is a pipe holding input; returns body's report.
std::string with_stdin(const std::string &input, std::string (*body)()) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return "no pipe";
    if (write(in[1], input.data(), input.size()) != ssize_t(input.size())) return "short write";
    close(in[1]);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        const std::string report = body();
        _exit(write(out[1], report.data(), report.size()) == ssize_t(report.size()) ? 0 : 1);
    }
    close(in[0]);
    close(out[1]);
    std::string report;
    char chunk[256];
    for (ssize_t n; (n = read(out[0], chunk, sizeof chunk)) > 0;) report.append(chunk, size_t(n));
    close(out[0]);
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? report : "child failed: " + report;
}

// Each line: the results and what was stored, then the next character left in standard input.
TEST(ScanSource, StandardInputFromAPipe) {
    EXPECT_EQ(with_stdin("12 abc 34",
                         [] {
                             int x = 0, y = 0, z = 0;
                             char word[8] = {};
                             const int first = scanf_s("%d %s", &x, word, unsigned(sizeof word));
                             const int next = getchar();
                             const int second = fscanf_s(stdin, "%d", &y);
                             const int third = scanf_s("%d", &z);
                             char report[256];
                             std::snprintf(report, sizeof report, "%d %d %s [%c] %d %d %d", first,
                                           x, word, next, second, y, third);
                             return std::string(report);
                         }),
              "2 12 abc [ ] 1 34 -1");
    EXPECT_EQ(with_stdin("12 abc 34",
                         [] {
                             int x = 0, y = 0, z = 0;
                             wchar_t word[8] = {};
                             const int first =
                                 wscanf_s(L"%d %ls", &x, word, unsigned(std::size(word)));
                             const wint_t next = getwchar();
                             const int second = fwscanf_s(stdin, L"%d", &y);
                             const int third = wscanf_s(L"%d", &z);
                             char report[256];
                             std::snprintf(report, sizeof report, "%d %d %ls [%lc] %d %d %d", first,
                                           x, word, next, second, y, third);
                             return std::string(report);
                         }),
              "2 12 abc [ ] 1 34 -1");
}

}  // namespace
