// The memory and string functions against the contract models of their tests, and the
// tokenizers against the C library's, on scenes decoded from the input: any alignment, overlap,
// touching range, dest == src, null pointers and destMax 0 or above the limits. The buffer ends
// right before a guard page, and a separate source is an area of exactly its size before another,
// so any access past either faults at once. (gets_s reads standard input and is left to its tests.)
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "bounds_checked.h"
#include "fuzz_input.h"
#include "guard_page.h"
#include "mem_model.h"
#include "string_model.h"

namespace {

template <auto wideFn>
int wide_copy(void *d, size_t m, const void *s, size_t n) {
    return wideFn(static_cast<wchar_t *>(d), m, static_cast<const wchar_t *>(s), n);
}

template <typename Ch, auto fn>
int uncounted(Ch *d, size_t m, const Ch *s, size_t) {
    return fn(d, m, s);
}

const mem_model::Copy kCopies[] = {
    {"memcpy_s", memcpy_s, false, false, false, true},
    {"memcpy_s_fast", memcpy_s_fast, false, false, false, true},
    {"memcpy_s_fast_nolimit", memcpy_s_fast_nolimit, false, false, true, true},
    {"memmove_s", memmove_s, false, true, false, true},
    {"wmemcpy_s", wide_copy<wmemcpy_s>, true, false, false, true},
    {"wmemmove_s", wide_copy<wmemmove_s>, true, true, false, true},
};

using FillFn = int (*)(void *, size_t, int, size_t);
const FillFn kFills[] = {memset_s, memset_s_fast, memset_s_fast_nolimit};

const string_model::StrFn<char> kNarrowStrings[] = {
    {"strcpy_s", uncounted<char, strcpy_s>, false, false, false},
    {"classify_strcpy_failure", uncounted<char, classify_strcpy_failure>, false, false, true},
    {"strncpy_s", strncpy_s, false, true, false},
    {"classify_strncpy_failure", classify_strncpy_failure, false, true, true},
    {"strcat_s", uncounted<char, strcat_s>, true, false, false},
    {"strncat_s", strncat_s, true, true, false},
};
const string_model::StrFn<wchar_t> kWideStrings[] = {
    {"wcscpy_s", uncounted<wchar_t, wcscpy_s>, false, false, false},
    {"wcsncpy_s", wcsncpy_s, false, true, false},
    {"wcscat_s", uncounted<wchar_t, wcscat_s>, true, false, false},
    {"wcsncat_s", wcsncat_s, true, true, false},
};

template <typename T>
size_t limit_of() {
    return sizeof(T) == 1 ? MAX_BUFFER_BYTES : MAX_BUFFER_WCHARS;
}

// A size near the interesting values: near n, 0, 1, the limits, or any small number.
template <typename T>
size_t take_size(FuzzInput &in, size_t n, size_t area) {
    const size_t limit = limit_of<T>();
    const size_t choices[] = {n + 5, n, n - 1, 0, 1, limit, limit + 1, SIZE_MAX, n + 1};
    const size_t pick = in.take_below_or_equal(std::size(choices));
    return pick < std::size(choices) ? choices[pick] : in.take_below_or_equal(area);
}

template <typename T>
T take_element(FuzzInput &in, bool zeros) {
    const auto b = in.take<std::uint8_t>();
    if (zeros && b < 26) return T(0);
    if (sizeof(T) == 1) return T(b | 1);
    // Wide elements with bits above the low byte, some with a zero low byte.
    return T((in.take<std::uint32_t>() | 0x100) & 0x7FFFFFFF);
}

template <typename T>
void check_copy(FuzzInput &in, const mem_model::Copy &f) {
    using namespace mem_model;
    std::vector<T> start(kArea), separate(kArea);
    for (T &e : start) e = take_element<T>(in, false);
    for (T &e : separate) e = take_element<T>(in, false);
    const int destAt = int(in.take_below_or_equal(kArea)) - 1;
    const int srcPick = int(in.take_below_or_equal(2 * kArea));
    const int srcAt = srcPick == 0            ? kNull
                      : srcPick <= int(kArea) ? srcPick - 1
                                              : kSeparate + srcPick - int(kArea) - 1;
    const size_t count =
        in.take_bool() ? take_size<T>(in, kArea, kArea) : in.take_below_or_equal(kArea);
    const size_t destMax = take_size<T>(in, count, kArea);

    std::vector<T> want = start;
    const int code = model(f, want, separate, destAt, srcAt, destMax, count);
    if (code == kSkip) return;
    GuardedArea buffer(start.data(), kArea);
    T *buf = buffer.begin<T>();
    // A separate source holds exactly the elements the call may read.
    const size_t srcOffset = srcAt >= kSeparate ? size_t(srcAt - kSeparate) : 0;
    const size_t srcSize = std::min(count, kArea - srcOffset);
    GuardedArea apart(separate.data() + srcOffset, srcSize);
    const T *src = srcAt < 0 ? nullptr : srcAt >= kSeparate ? apart.begin<T>() : buf + srcAt;
    if (f.fn(destAt < 0 ? nullptr : buf + destAt, destMax, src, count) != code ||
        !std::equal(want.begin(), want.end(), buf)) {
        std::abort();
    }
}

void check_fill(FuzzInput &in, FillFn fn) {
    using namespace mem_model;
    std::vector<unsigned char> start(kArea);
    for (auto &e : start) e = take_element<unsigned char>(in, false);
    const int destAt = int(in.take_below_or_equal(kArea)) - 1;
    const size_t count =
        in.take_bool() ? take_size<char>(in, kArea, kArea) : in.take_below_or_equal(kArea);
    const size_t destMax = fn == memset_s_fast_nolimit && in.take_bool()
                               ? SIZE_MAX - in.take_below_or_equal(2)
                               : take_size<char>(in, count, kArea);
    const int c = in.take<int>();
    size_t filled = 0;
    const int code = fill_model(fn == memset_s_fast_nolimit, destAt >= 0, destMax, count, filled);
    if (filled > kArea - size_t(std::max(destAt, 0))) return;
    std::vector<unsigned char> want = start;
    std::fill_n(want.begin() + std::max(destAt, 0), filled, static_cast<unsigned char>(c));
    GuardedArea buffer(start.data(), kArea);
    unsigned char *buf = buffer.begin();
    if (fn(destAt < 0 ? nullptr : buf + destAt, destMax, c, count) != code ||
        !std::equal(want.begin(), want.end(), buf)) {
        std::abort();
    }
}

template <typename Ch>
void check_string(FuzzInput &in, const string_model::StrFn<Ch> &f) {
    using namespace string_model;
    const bool terminated = in.take<std::uint8_t>() % 4 != 0;
    const size_t srcLen = in.take_below_or_equal(39) + !terminated;
    Model<Ch> m{std::vector<Ch>(kApart + srcLen + terminated, Ch(0)),
                long(kApart + srcLen + terminated)};
    for (long i = 0; i < kArea - 1; ++i) m.w[i] = take_element<Ch>(in, true);
    for (long i = kApart; i < kApart + long(srcLen); ++i) m.w[i] = take_element<Ch>(in, false);
    const long d = long(in.take_below_or_equal(kArea)) - 1;
    const long sPick = long(in.take_below_or_equal(kArea + 2)) - 2;
    const long s = sPick == -2                ? kApart
                   : sPick == -1              ? -1
                   : in.take_bool() && d >= 0 ? d + sPick % 9 - 4
                                              : sPick;
    if (s < -1 || (s >= kArea && s != kApart)) return;
    const size_t natural = s < 0 ? 0 : m.scan(s, kArea);
    m.outside = false;
    const size_t destMax = take_size<Ch>(in, natural, d < 0 ? 1 : size_t(kArea - d));
    const size_t count = take_size<Ch>(in, in.take_bool() ? natural : destMax, kArea);
    Model<Ch> want = m;
    const int code = model(f, want, d, s, destMax, count);
    if (code == kSkip || want.outside) return;

    GuardedArea buffer(m.w.data(), kArea), apart(m.w.data() + kApart, m.w.size() - kApart);
    Ch *buf = buffer.begin<Ch>();
    const Ch *src = s < 0 ? nullptr : s == kApart ? apart.begin<Ch>() : buf + s;
    if (f.fn(d < 0 ? nullptr : buf + d, destMax, src, count) != code ||
        !std::equal(buf, buf + kArea, want.w.begin())) {
        std::abort();
    }
}

// The tokenizers against the C library's reentrant ones, which split alike: the same tokens at
// the same places, the same context after each call, the same bytes in the string at the end.
template <typename Ch>
void check_tokens(FuzzInput &in) {
    std::basic_string<Ch> text, delim;
    for (std::size_t n = in.take_below_or_equal(60); n > 0; --n)
        text.push_back(Ch(1 + in.take<std::uint8_t>() % 6 * 9));
    for (std::size_t n = in.take_below_or_equal(4); n > 0; --n)
        delim.push_back(Ch(1 + in.take<std::uint8_t>() % 6 * 9));
    std::basic_string<Ch> expected = text;
    GuardedArea area(text.c_str(), text.size() + 1);
    Ch *str = area.begin<Ch>();
    Ch *context = nullptr, *expectedContext = nullptr;
    for (std::size_t call = 0; call <= text.size() + 1; ++call) {
        Ch *token, *expectedToken;
        if constexpr (sizeof(Ch) == 1) {
            token = strtok_s(call == 0 ? str : nullptr, delim.c_str(), &context);
            expectedToken =
                strtok_r(call == 0 ? expected.data() : nullptr, delim.c_str(), &expectedContext);
        } else {
            token = wcstok_s(call == 0 ? str : nullptr, delim.c_str(), &context);
            expectedToken =
                std::wcstok(call == 0 ? expected.data() : nullptr, delim.c_str(), &expectedContext);
        }
        const auto offset = [](const Ch *p, const Ch *base) {
            return p == nullptr ? -1 : p - base;
        };
        // The C library's wcstok may end with a null context where ours points at the terminator.
        const auto end = [&](const Ch *p, const Ch *base) {
            return p == nullptr ? long(text.size()) : long(p - base);
        };
        if (offset(token, str) != offset(expectedToken, expected.data()) ||
            end(context, str) != end(expectedContext, expected.data())) {
            std::abort();
        }
    }
    if (!std::equal(expected.begin(), expected.end(), str)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput in{data, size};
    const size_t copies = std::size(kCopies), fills = std::size(kFills);
    const size_t narrow = std::size(kNarrowStrings), wide = std::size(kWideStrings);
    size_t pick = in.take_below_or_equal(copies + fills + narrow + wide + 1);
    if (pick < copies) {
        const auto &f = kCopies[pick];
        f.wide ? check_copy<wchar_t>(in, f) : check_copy<unsigned char>(in, f);
    } else if ((pick -= copies) < fills) {
        check_fill(in, kFills[pick]);
    } else if ((pick -= fills) < narrow) {
        check_string(in, kNarrowStrings[pick]);
    } else if ((pick -= narrow) < wide) {
        check_string(in, kWideStrings[pick]);
    } else {
        pick == wide ? check_tokens<char>(in) : check_tokens<wchar_t>(in);
    }
    return 0;
}
