/* Bounds-checked memory, string, formatted-output and formatted-input functions.
 *
 * Every function takes the capacity of its destination (destMax, terminator included, in bytes
 * for narrow functions and in wide characters for wide ones), checks all its arguments before its
 * first write, and reports failure by a result code (memory and string functions) or by -1
 * (formatted output and input). It never writes past destMax, never aborts, keeps no state and
 * leaves errno alone.
 *
 * Result codes above 128 mean that the destination was usable and has been cleared: memory
 * functions clear all destMax elements (memset_s fills them with its value), string functions set
 * only the first element to zero. The code less 128 names the fault.
 */
#ifndef BOUNDS_CHECKED_H
#define BOUNDS_CHECKED_H

#include <errno.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <wchar.h>

#if defined(__GNUC__)
#define BOUNDS_API __attribute__((visibility("default")))
#else
#define BOUNDS_API
#endif

/* Compile-time checks, GCC and Clang only; they never change what a call does.
 *
 * BOUNDS_DEST ties a destination to its destMax, so that a constant destMax larger than a
 * destination the compiler can see is a warning (GCC: -Wstringop-overflow, Clang:
 * -Wuser-defined-warnings). GCC also warns (-Wnonnull) when a literal null destination comes
 * with a nonzero destMax. Null pointers stay valid arguments: the functions report EINVAL.
 *
 * BOUNDS_FORMAT checks a format string and its arguments as the compiler's printf would
 * (-Wformat). The engine also knows modifiers that the compiler's printf does not: "I64" (64-bit
 * integer), "I32", 'I' before an integer conversion, 'w' (wide character or string), 'q' (as
 * 'L'), 'N' (ignored). A translation unit that uses them defines BOUNDS_NO_FORMAT_CHECK before
 * including this header. */
#if defined(BOUNDSLIB_BUILDING)
/* For callers only: inside the definitions GCC would take the destination for unread memory. */
#define BOUNDS_DEST(mode, dest, destMax, elementSize)
#elif defined(__clang__)
/* Clang has no access attribute; it compares a constant destMax with the object's size. */
#define BOUNDS_DEST(mode, dest, destMax, elementSize)                                          \
    __attribute__((diagnose_if(__builtin_object_size(dest, 0) != (size_t)-1 &&                 \
                                   (destMax) > __builtin_object_size(dest, 0) / (elementSize), \
                               "destMax is larger than the destination", "warning")))
#elif defined(__GNUC__)
/* The destination is always argument 1 and its destMax argument 2. */
#define BOUNDS_DEST(mode, dest, destMax, elementSize) __attribute__((access(mode, 1, 2)))
#else
#define BOUNDS_DEST(mode, dest, destMax, elementSize)
#endif

#if defined(__GNUC__) && !defined(BOUNDS_NO_FORMAT_CHECK)
#define BOUNDS_FORMAT(kind, formatIndex, firstArgIndex) \
    __attribute__((format(kind, formatIndex, firstArgIndex)))
#else
#define BOUNDS_FORMAT(kind, formatIndex, firstArgIndex)
#endif

#ifdef __cplusplus
extern "C" {
#endif
#if defined(__clang__)
/* diagnose_if is meant for Clang here; its -Wgcc-compat note is no news to a user. */
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wgcc-compat"
#endif

/* Result codes. EINVAL (22) and ERANGE (34) come from <errno.h>. */
#define BOUNDS_OK 0
#define ERR_INVALID_CLEARED 150 /* EINVAL + 128: another pointer was null, or no terminator */
#define ERR_RANGE_CLEARED 162   /* ERANGE + 128: the result would not fit */
#define ERR_OVERLAP_CLEARED 182 /* 54 + 128: source and destination overlap */

/* Largest accepted destMax (and count, where a count is limited). */
#define MAX_BUFFER_BYTES 0x7FFFFFFFUL
#define MAX_BUFFER_WCHARS 0x1FFFFFFFUL

#define LIBRARY_VERSION_NUMBER 0x050A

/* Memory functions. */
BOUNDS_API int memcpy_s(void *dest, size_t destMax, const void *src, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, 1);
BOUNDS_API int memmove_s(void *dest, size_t destMax, const void *src, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, 1);
BOUNDS_API int memset_s(void *dest, size_t destMax, int c, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, 1);
BOUNDS_API int wmemcpy_s(wchar_t *dest, size_t destMax, const wchar_t *src, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, sizeof(wchar_t));
BOUNDS_API int wmemmove_s(wchar_t *dest, size_t destMax, const wchar_t *src, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, sizeof(wchar_t));

/* Same contracts as memcpy_s and memset_s, with short copies and fills done inline. The _nolimit
 * forms accept a destMax above MAX_BUFFER_BYTES when everything else is valid. */
BOUNDS_API int memcpy_s_fast(void *dest, size_t destMax, const void *src, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, 1);
BOUNDS_API int memcpy_s_fast_nolimit(void *dest, size_t destMax, const void *src, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, 1);
BOUNDS_API int memset_s_fast(void *dest, size_t destMax, int c, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, 1);
BOUNDS_API int memset_s_fast_nolimit(void *dest, size_t destMax, int c, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, 1);

/* Narrow string functions. */
BOUNDS_API int strcpy_s(char *dest, size_t destMax, const char *src)
    BOUNDS_DEST(write_only, dest, destMax, 1);
BOUNDS_API int strncpy_s(char *dest, size_t destMax, const char *src, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, 1);
BOUNDS_API int strcat_s(char *dest, size_t destMax, const char *src)
    BOUNDS_DEST(read_write, dest, destMax, 1);
BOUNDS_API int strncat_s(char *dest, size_t destMax, const char *src, size_t count)
    BOUNDS_DEST(read_write, dest, destMax, 1);
BOUNDS_API char *strtok_s(char *str, const char *delim, char **context);
BOUNDS_API char *gets_s(char *buffer, size_t destMax) BOUNDS_DEST(write_only, buffer, destMax, 1);

/* The failure classification of strcpy_s and strncpy_s on its own: never copies, returns 0 when
 * the copy would succeed. */
BOUNDS_API int classify_strcpy_failure(char *dest, size_t destMax, const char *src)
    BOUNDS_DEST(write_only, dest, destMax, 1);
BOUNDS_API int classify_strncpy_failure(char *dest, size_t destMax, const char *src, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, 1);

/* Stores LIBRARY_VERSION_NUMBER through versionOut when it is not null; returns the banner. */
BOUNDS_API const char *get_library_version(unsigned short *versionOut);

/* Wide string functions. */
BOUNDS_API int wcscpy_s(wchar_t *dest, size_t destMax, const wchar_t *src)
    BOUNDS_DEST(write_only, dest, destMax, sizeof(wchar_t));
BOUNDS_API int wcsncpy_s(wchar_t *dest, size_t destMax, const wchar_t *src, size_t count)
    BOUNDS_DEST(write_only, dest, destMax, sizeof(wchar_t));
BOUNDS_API int wcscat_s(wchar_t *dest, size_t destMax, const wchar_t *src)
    BOUNDS_DEST(read_write, dest, destMax, sizeof(wchar_t));
BOUNDS_API int wcsncat_s(wchar_t *dest, size_t destMax, const wchar_t *src, size_t count)
    BOUNDS_DEST(read_write, dest, destMax, sizeof(wchar_t));
BOUNDS_API wchar_t *wcstok_s(wchar_t *str, const wchar_t *delim, wchar_t **context);

/* Formatted output. Results: characters written without the terminator, or -1 with an empty
 * string left in a usable destination. The truncating pair returns destMax - 1 for cut output. */
BOUNDS_API int sprintf_s(char *strDest, size_t destMax, const char *format, ...)
    BOUNDS_DEST(write_only, strDest, destMax, 1) BOUNDS_FORMAT(printf, 3, 4);
BOUNDS_API int vsprintf_s(char *strDest, size_t destMax, const char *format, va_list argList)
    BOUNDS_DEST(write_only, strDest, destMax, 1) BOUNDS_FORMAT(printf, 3, 0);
BOUNDS_API int snprintf_s(char *strDest, size_t destMax, size_t count, const char *format, ...)
    BOUNDS_DEST(write_only, strDest, destMax, 1) BOUNDS_FORMAT(printf, 4, 5);
BOUNDS_API int vsnprintf_s(char *strDest, size_t destMax, size_t count, const char *format,
                           va_list argList) BOUNDS_DEST(write_only, strDest, destMax, 1)
    BOUNDS_FORMAT(printf, 4, 0);
BOUNDS_API int snprintf_truncated_s(char *strDest, size_t destMax, const char *format, ...)
    BOUNDS_DEST(write_only, strDest, destMax, 1) BOUNDS_FORMAT(printf, 3, 4);
BOUNDS_API int vsnprintf_truncated_s(char *strDest, size_t destMax, const char *format,
                                     va_list argList) BOUNDS_DEST(write_only, strDest, destMax, 1)
    BOUNDS_FORMAT(printf, 3, 0);
BOUNDS_API int swprintf_s(wchar_t *strDest, size_t destMax, const wchar_t *format, ...)
    BOUNDS_DEST(write_only, strDest, destMax, sizeof(wchar_t));
BOUNDS_API int vswprintf_s(wchar_t *strDest, size_t destMax, const wchar_t *format, va_list argList)
    BOUNDS_DEST(write_only, strDest, destMax, sizeof(wchar_t));

/* Formatted input. Every %c, %s and %[ takes a destination and its size (an unsigned int, in
 * elements of the target, terminator included for %s and %[); a field that does not fit leaves an
 * empty string and ends the scan. Results: the number of fields assigned, or -1 for end of input
 * before the first conversion, an invalid directive or argument, or a null pointer. */
BOUNDS_API int scanf_s(const char *format, ...);
BOUNDS_API int vscanf_s(const char *format, va_list argList);
BOUNDS_API int fscanf_s(FILE *stream, const char *format, ...);
BOUNDS_API int vfscanf_s(FILE *stream, const char *format, va_list argList);
BOUNDS_API int sscanf_s(const char *buffer, const char *format, ...);
BOUNDS_API int vsscanf_s(const char *buffer, const char *format, va_list argList);
BOUNDS_API int wscanf_s(const wchar_t *format, ...);
BOUNDS_API int vwscanf_s(const wchar_t *format, va_list argList);
BOUNDS_API int fwscanf_s(FILE *stream, const wchar_t *format, ...);
BOUNDS_API int vfwscanf_s(FILE *stream, const wchar_t *format, va_list argList);
BOUNDS_API int swscanf_s(const wchar_t *buffer, const wchar_t *format, ...);
BOUNDS_API int vswscanf_s(const wchar_t *buffer, const wchar_t *format, va_list argList);

#if defined(__clang__)
#pragma clang diagnostic pop
#endif
#ifdef __cplusplus
}
#endif

#endif /* BOUNDS_CHECKED_H */
