/* Built as C against the installed header: the declarations, the result codes and the limits
 * are usable from C, and the calls reach the installed library. */
#include <bounds_checked.h>
#include <stdio.h>
#include <string.h>

static int failures;

static void expect(int got, int want, const char *what) {
    if (got != want) {
        fprintf(stderr, "%s: got %d, want %d\n", what, got, want);
        ++failures;
    }
}

int main(void) {
    char dest[8];
    const char src[8] = "abcdefg";
    wchar_t wide[4];
    const wchar_t wsrc[4] = {L'w', L'x', L'y', L'z'};
    unsigned short version = 0;

    expect(memcpy_s(dest, sizeof dest, src, sizeof src), 0, "memcpy_s");
    expect(memcmp(dest, src, sizeof src), 0, "copied bytes");
    expect(memcpy_s(dest, sizeof dest, src, sizeof dest + 1), ERR_RANGE_CLEARED, "memcpy_s range");
    expect(dest[0] == 0 && dest[7] == 0, 1, "memcpy_s cleared");
    expect(memcpy_s(NULL, 0, src, 1), ERANGE, "memcpy_s destMax 0");
    expect(memcpy_s(NULL, 4, src, 1), EINVAL, "memcpy_s null dest");
    expect(memmove_s(dest, sizeof dest, dest + 1, 4), 0, "memmove_s");
    expect(memset_s(dest, sizeof dest, 'q', sizeof dest + 1), ERR_RANGE_CLEARED, "memset_s");
    expect(dest[7], 'q', "memset_s filled");
    expect(memcpy_s_fast(dest, sizeof dest, src, 5), 0, "memcpy_s_fast");
    expect(memcpy_s_fast_nolimit(dest, MAX_BUFFER_BYTES + 1UL, src, 1), 0, "nolimit");
    expect(memset_s_fast(dest, sizeof dest, 0, 3), 0, "memset_s_fast");
    expect(memset_s_fast_nolimit(dest, sizeof dest, 0, 9), ERR_RANGE_CLEARED, "fill nolimit");
    expect(wmemcpy_s(wide, 4, wsrc, 4), 0, "wmemcpy_s");
    expect(wide[3] == L'z', 1, "wide copied");
    expect(wmemmove_s(wide, 4, wsrc, 5), ERR_RANGE_CLEARED, "wmemmove_s range");
    expect(wmemcpy_s(NULL, MAX_BUFFER_WCHARS + 1UL, wsrc, 1), ERANGE, "wide limit");
    expect(get_library_version(&version) != NULL, 1, "get_library_version");
    expect(version, LIBRARY_VERSION_NUMBER, "version number");
    expect(ERR_OVERLAP_CLEARED, 182, "overlap code");
    if (failures == 0) puts("consumer ok");
    return failures == 0 ? 0 : 1;
}
