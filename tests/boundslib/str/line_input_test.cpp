// gets_s on standard input fed from a pipe, put in place of the test's own stdin for each case.
#include <gtest/gtest.h>
#include <unistd.h>

#include <stdio_ext.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bounds_checked.h"
#include "guarded_buffer.h"

namespace {

constexpr size_t kNullBuffer = SIZE_MAX - 7;  // a call with a null buffer and destMax 5

struct LineCase {
    const char *input;
    std::vector<size_t> destMaxes;  // one call each
    const char
        *results;  // per call, joined by '|': the buffer ('~' for zero), after "null " if null
};

const LineCase kLineCases[] = {
    {"ab\r\n", {10, 10}, "ab~~~xxxxx|null xxxxxxxxxx"},
    {"one\ntwo\n\nlast", {8, 8, 8, 8, 8}, "one~~xxx|two~~xxx|~~xxxxxx|last~xxx|null xxxxxxxx"},
    {"a\r\r\nb\rb\n\r\nc", {6, 6, 6, 6, 6}, "a~~~~x|b\rb~~x|~~~xxx|c~xxxx|null xxxxxx"},
    {"abcdefgh\n", {4, 4, 4, 4}, "abc~|def~|gh~~|null xxxx"},
    {"abc\nd\n", {4, 4, 4}, "abc~|~~xx|d~~x"},
    {"ab\n", {1, 5}, "~|ab~~x"},
    {"ab\n",
     {0, kNullBuffer, MAX_BUFFER_BYTES + 1, SIZE_MAX, 5},
     "null |null xxxxx|null xxxxxxxxxxxxxxxx|null xxxxxxxxxxxxxxxx|ab~~x"},
    {"", {5}, "null xxxxx"},
};

std::string read_lines(const std::string &input, const std::vector<size_t> &destMaxes) {
    const int saved = dup(STDIN_FILENO);
    int fds[2];
    if (pipe(fds) != 0) return "no pipe";
    // The inputs are far below the pipe's capacity, so this write cannot block.
    std::string report =
        write(fds[1], input.data(), input.size()) == ssize_t(input.size()) ? "" : "short write ";
    close(fds[1]);
    if (fds[0] != STDIN_FILENO) {  // stdin may have been closed, leaving its number free
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
    }
    clearerr(stdin);
    for (const size_t destMax : destMaxes) {
        GuardedBuffer<char> buffer(std::min<size_t>(destMax == kNullBuffer ? 5 : destMax, 16), 'x');
        char *const target = destMax == kNullBuffer ? nullptr : buffer.data();
        const char *result = gets_s(target, destMax == kNullBuffer ? 5 : destMax);
        if (!report.empty()) report += '|';
        report += result == nullptr ? "null " : result != target ? "other " : "";
        for (size_t i = 0; i < buffer.size(); ++i) report += buffer[i] == 0 ? '~' : buffer[i];
        if (!buffer.guards_intact()) report += " guards broken";
    }
    // Whatever stdin read ahead must not reach the next case.
    __fpurge(stdin);
    saved >= 0 ? dup2(saved, STDIN_FILENO) : close(STDIN_FILENO);
    close(saved);
    clearerr(stdin);
    return report;
}

TEST(LineInput, LinesFromAPipe) {
    for (const LineCase &c : kLineCases) {
        EXPECT_EQ(read_lines(c.input, c.destMaxes), c.results) << "input " << c.input;
    }
}

}  // namespace
