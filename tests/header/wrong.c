/* One fault per case (chosen with -DCASE_...); each must draw the compiler's warning. */
#include <bounds_checked.h>
#include <stdarg.h>

int wrong(va_list args) {
    char buf[8] = "";
    wchar_t wide[4] = L"";
    int r = 0;
    (void)args;
#if defined(CASE_MEMCPY_DEST_TOO_SMALL)
    r = memcpy_s(buf, 16, "a", 1);
#elif defined(CASE_OFFSET_DEST_TOO_SMALL)
    r = memset_s(buf + 4, 5, 0, 1);
#elif defined(CASE_STRCPY_DEST_TOO_SMALL)
    r = strcpy_s(buf, 9, "a");
#elif defined(CASE_WIDE_DEST_TOO_SMALL)
    r = wcscpy_s(wide, 5, L"a");
#elif defined(CASE_SPRINTF_DEST_TOO_SMALL)
    r = sprintf_s(buf, 9, "%d", 1);
#elif defined(CASE_STRING_GIVEN_INT)
    r = sprintf_s(buf, sizeof buf, "%s", 42);
#elif defined(CASE_MISSING_ARGUMENT)
    r = snprintf_s(buf, sizeof buf, 4, "%d %d", 1);
#elif defined(CASE_TRUNCATED_WRONG_TYPE)
    r = snprintf_truncated_s(buf, sizeof buf, "%f", 1);
#elif defined(CASE_V_FORM_BAD_FORMAT)
    r = vsnprintf_s(buf, sizeof buf, 4, "%y", args);
#elif defined(CASE_ENGINE_MODIFIER)
    r = sprintf_s(buf, sizeof buf, "%I64d", 1LL);
#endif
    return r + buf[0] + (int)wide[0];
}
