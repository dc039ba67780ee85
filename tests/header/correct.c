/* Ordinary, correct calls: with the header's checks on they compile without a single warning. */
#include <bounds_checked.h>
#include <stdarg.h>
#include <stdint.h>

struct record {
    char name[16];
    wchar_t label[8];
};

static int log_line(char *line, size_t room, const char *format, ...) BOUNDS_FORMAT(printf, 3, 4);

static int log_line(char *line, size_t room, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int written = vsprintf_s(line, room, format, args);
    va_end(args);
    return written;
}

int use_everything(char *unknown, size_t unknownMax, const char *text, long long big) {
    char buf[32];
    wchar_t wide[8];
    struct record rec;
    char *context = NULL;
    wchar_t *wideContext = NULL;
    int r = 0;

    r |= memcpy_s(buf, sizeof buf, text, 4);
    r |= memmove_s(buf + 8, sizeof buf - 8, buf, 8);
    r |= memset_s(&rec, sizeof rec, 0, sizeof rec);
    r |= memcpy_s_fast(rec.name, sizeof rec.name, text, 2);
    r |= memset_s_fast_nolimit(unknown, unknownMax, 0, 1);
    r |= memcpy_s(unknown, unknownMax, text, 1);
    r |= wmemcpy_s(wide, sizeof wide / sizeof wide[0], L"abc", 4);
    r |= wmemmove_s(rec.label, 8, wide, 8);
    r |= strcpy_s(buf, sizeof buf, text);
    r |= strncpy_s(buf, sizeof buf, text, 3);
    r |= strcat_s(buf, sizeof buf, "x");
    r |= strncat_s(buf, sizeof buf, text, 2);
    r |= wcscpy_s(wide, 8, L"wide");
    r |= wcsncat_s(wide, 8, L"xyz", 2);
    r |= classify_strcpy_failure(buf, sizeof buf, text);
    r |= strtok_s(buf, " ", &context) != NULL;
    r |= wcstok_s(wide, L" ", &wideContext) != NULL;
    r |= gets_s(rec.name, sizeof rec.name) != NULL;
    r |= sprintf_s(buf, sizeof buf, "%s=%lld %zu", text, big, sizeof buf);
    r |= snprintf_s(buf, sizeof buf, 8, "%08x|%-4d|%p", 255u, -1, (void *)buf);
    r |= snprintf_truncated_s(buf, 4, "%c%%%.2f", 'a', 1.5);
    r |= log_line(buf, sizeof buf, "%u %ls", 7u, wide);
    r |= swprintf_s(wide, 8, L"%d", 3);
    return r;
}
