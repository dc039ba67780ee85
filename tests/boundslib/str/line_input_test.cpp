// gets_s on standard input fed from a pipe, put in place of the test's own stdin for each case.
#include <gtest/gtest.h>
#include <unistd.h>

#include <stdio_ext.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "bounds_checked.h"
#include "string_scene.h"

namespace {

struct LineCall {
    std::size_t destMax;
    bool nullBuffer = false;
};

struct LineCase {
    const char *name;
    std::string_view input;
    std::vector<LineCall> calls;
    const char *results;  // per call, joined by '|': the buffer's picture, after "null " if null
};

const LineCase kLineCases[] = {
    {"CR LF", "ab\r\n", {{10}, {10}}, "ab~~~xxxxx|null xxxxxxxxxx"},
    {"LF lines and a last line without end",
     "one\ntwo\n\nlast",
     {{8}, {8}, {8}, {8}, {8}},
     "one~~xxx|two~~xxx|~~xxxxxx|last~xxx|null xxxxxxxx"},
    {"mixed endings; an interior CR stays",
     "a\r\r\nb\rb\n\r\nc",
     {{6}, {6}, {6}, {6}, {6}},
     "a~~~~x|b\rb~~x|~~~xxx|c~xxxx|null xxxxxx"},
    {"over-long line is cut", "abcdefgh\n", {{4}, {4}, {4}, {4}}, "abc~|def~|gh~~|null xxxx"},
    {"line end left unread", "abc\nd\n", {{4}, {4}, {4}}, "abc~|~~xx|d~~x"},
    {"destMax 1 reads nothing", "ab\n", {{1}, {5}}, "~|ab~~x"},
    {"invalid calls read nothing",
     "ab\n",
     {{0}, {5, true}, {kOverLimit}, {SIZE_MAX}, {5}},
     "null |null xxxxx|null xxxxxxxxxxxxxxxx|null xxxxxxxxxxxxxxxx|ab~~x"},
    {"end of input at once", "", {{5}}, "null xxxxx"},
};

// The calls on a pipe that stands in for standard input, holding `input`; each call reported as
// its buffer's picture, after "null " when gets_s returned null.
std::string read_lines(std::string_view input, const std::vector<LineCall> &calls) {
    const int saved = dup(STDIN_FILENO);
    int fds[2];
    if (pipe(fds) != 0) return "no pipe";
    // The inputs are far below the pipe's capacity, so this write cannot block.
    std::string report =
        write(fds[1], input.data(), input.size()) == ssize_t(input.size()) ? "" : "short write ";
    close(fds[1]);
    if (fds[0] != STDIN_FILENO) {
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
    }
    clearerr(stdin);
    for (const LineCall &call : calls) {
        const std::size_t destMax = resolve<char>(call.destMax);
        GuardedBuffer<char> buffer(std::min<std::size_t>(destMax, 16), 'x');
        char *const target = call.nullBuffer ? nullptr : buffer.data();
        const char *result = gets_s(target, destMax);
        if (!report.empty()) report += '|';
        report += result == nullptr ? "null " : result != target ? "other " : "";
        report += to_picture(buffer.data(), buffer.size());
        if (!buffer.guards_intact()) report += " guards broken";
    }
    // Whatever stdin read ahead must not reach the next case.
    __fpurge(stdin);
    if (saved >= 0) {
        dup2(saved, STDIN_FILENO);
        close(saved);
    } else {
        close(STDIN_FILENO);
    }
    clearerr(stdin);
    return report;
}

TEST(LineInput, LinesFromAPipe) {
    for (const LineCase &c : kLineCases) {
        EXPECT_EQ(read_lines(c.input, c.calls), c.results) << c.name;
    }
}

}  // namespace
