// gets_s on standard input fed from a pipe. The calls run in a forked child whose stdin is the
// pipe, so the test process's own stdin stays untouched; the child reports back what it saw.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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
    {"mixed endings",
     "a\r\r\nb\n\r\nc",
     {{6}, {6}, {6}, {6}, {6}},
     "a~~~~x|b~~xxx|~~~xxx|c~xxxx|null xxxxxx"},
    {"interior CR stays", "a\rb\n", {{6}}, "a\rb~~x"},
    {"over-long line is cut", "abcdefgh\n", {{4}, {4}, {4}, {4}}, "abc~|def~|gh~~|null xxxx"},
    {"line end left unread", "abc\nd\n", {{4}, {4}, {4}}, "abc~|~~xx|d~~x"},
    {"destMax 1 reads nothing", "ab\n", {{1}, {5}}, "~|ab~~x"},
    {"invalid calls read nothing",
     "ab\n",
     {{0}, {5, true}, {kOverLimit}, {SIZE_MAX}, {5}},
     "null |null xxxxx|null xxxxxxxxxxxxxxxx|null xxxxxxxxxxxxxxxx|ab~~x"},
    {"end of input at once", "", {{5}}, "null xxxxx"},
};

// In the child: the calls on the current stdin, reported as one string.
std::string read_lines(const std::vector<LineCall> &calls) {
    std::string report;
    for (const LineCall &call : calls) {
        const std::size_t destMax = resolve<char>(call.destMax);
        GuardedBuffer<char> buffer(std::min<std::size_t>(destMax, 16), 'x');
        char *const target = call.nullBuffer ? nullptr : buffer.data();
        const char *result = gets_s(target, destMax);
        if (!report.empty()) report += '|';
        if (result == nullptr)
            report += "null ";
        else if (result != target)
            report += "other ";
        report += to_picture(buffer.data(), buffer.size());
        if (!buffer.guards_intact()) report += " guards broken";
    }
    return report;
}

std::string run_with_stdin(std::string_view input, const std::vector<LineCall> &calls) {
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return "no pipe";
    // The inputs are far below the pipe's capacity, so this write cannot block.
    if (write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        return "short write";
    }
    close(in[1]);
    const pid_t child = fork();
    if (child == 0) {
        // A runner that starts us with fd 0 closed makes the pipe's read end fd 0 already.
        if (in[0] != STDIN_FILENO) {
            dup2(in[0], STDIN_FILENO);
            close(in[0]);
        }
        close(out[0]);
        clearerr(stdin);
        const std::string report = read_lines(calls);
        const bool written =
            write(out[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
        _exit(written ? 0 : 1);
    }
    close(in[0]);
    close(out[1]);
    std::string report;
    char chunk[256];
    for (ssize_t n; (n = read(out[0], chunk, sizeof chunk)) > 0;) report.append(chunk, n);
    close(out[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        report += " (child failed)";
    }
    return report;
}

TEST(LineInput, LinesFromAPipe) {
    for (const LineCase &c : kLineCases) {
        EXPECT_EQ(run_with_stdin(c.input, c.calls), c.results) << c.name;
    }
}

}  // namespace
