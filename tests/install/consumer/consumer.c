/* Built as C against the installed header: the declarations, codes and limits are usable from C,
 * and the calls reach the installed library. */
#include <bounds_checked.h>
#include <stdio.h>
#include <string.h>

static int failures;
/* Faulty arguments on purpose, out of sight of the header's compile-time checks. */
static void *volatile null_dest;
static volatile size_t over_limit = MAX_BUFFER_BYTES + 1UL;

static void expect(int ok, const char *what) {
    if (!ok) fprintf(stderr, "failed: %s\n", what);
    failures += !ok;
}

int main(void) {
    char dest[8];
    wchar_t wide[4];
    const wchar_t wsrc[4] = {L'w', L'x', L'y', L'z'};
    unsigned short version = 0;

    expect(memcpy_s(dest, 8, "abcdefg", 8) == 0 && strcmp(dest, "abcdefg") == 0, "memcpy_s");
    expect(memcpy_s(dest, 8, "abcdefg", 9) == ERR_RANGE_CLEARED && dest[7] == 0, "range");
    expect(memcpy_s(null_dest, 4, "a", 1) == EINVAL && memmove_s(dest, 8, dest + 1, 4) == 0, "move");
    expect(memset_s(dest, 8, 'q', 9) == ERR_RANGE_CLEARED && dest[7] == 'q', "memset_s");
    expect(memcpy_s_fast(dest, 8, "abc", 3) == 0 && memset_s_fast(dest, 8, 0, 3) == 0, "fast");
    expect(memcpy_s_fast_nolimit(dest, over_limit, "a", 1) == 0, "nolimit");
    expect(memset_s_fast_nolimit(dest, 8, 0, 9) == ERR_RANGE_CLEARED, "fill nolimit");
    expect(wmemcpy_s(wide, 4, wsrc, 4) == 0 && wide[3] == L'z', "wmemcpy_s");
    expect(wmemmove_s(wide, 4, wsrc, 5) == ERR_RANGE_CLEARED && wide[3] == 0, "wmemmove_s");
    expect(wmemcpy_s(null_dest, MAX_BUFFER_WCHARS + 1UL, wsrc, 1) == ERANGE, "wide limit");
    expect(strcpy_s(dest, 8, "xyz") == 0 && strcmp(dest, "xyz") == 0, "strcpy_s");
    expect(sprintf_s(dest, 8, "%.2f|%x", 2.5, 10U) == 6 && strcmp(dest, "2.50|a") == 0, "sprintf_s");
    expect(get_library_version(&version) != NULL && version == LIBRARY_VERSION_NUMBER, "version");
    expect(ERR_OVERLAP_CLEARED == 182, "overlap code");
    {
        int n = 0;
        char word[4];
        wchar_t wword[4];
        expect(sscanf_s("12 abc", "%d %s", &n, word, 4u) == 2 && n == 12 && strcmp(word, "abc") == 0,
               "sscanf_s");
        expect(sscanf_s("abcd", "%s", word, 4u) == 0 && word[0] == 0, "sscanf_s too small");
        expect(swscanf_s(L"7 xyz", L"%d %ls", &n, wword, 4u) == 2 && n == 7 && wword[2] == L'z',
               "swscanf_s");
    }
    if (failures == 0) puts("consumer ok");
    return failures == 0 ? 0 : 1;
}
