// What the scanning engine decides on its own, run through a narrow string, a narrow stream and
// a wide string alike: prefixes and widths, the parser's limits, sizes and small destinations,
// scan sets, literals, the end-of-input rule and the pre-scan of empty sources. What it shares
// with the C library is left to the differential test.
#include "scan_case.h"

namespace {

TEST(ScanContract, IntegerPrefixesAndWidths) {
    expect_scan("0x1A", "%i%n", 1, {"i4=26", "i4=4"});
    expect_scan("0x1A", "%p%n", 1, {"i8=0", "i4=1"});  // no prefix: the 'x' stays
    expect_scan("0xg", "%i%n", 0, {"i4=-", "i4=-"});   // both taken, nothing stored
    expect_scan("0x", "%i", -1, {"i4=-"});
    expect_scan("08", "%i%n", 1, {"i4=0", "i4=1"});  // a leading 0 means octal
    expect_scan("0x1A", "%1i%n", 1, {"i4=0", "i4=1"});
    expect_scan("0x1A", "%2x%n", 0, {"i4=-", "i4=-"});
    expect_scan("0x1A", "%3x%n", 1, {"i4=1", "i4=3"});
    expect_scan("-0x10", "%x", 1, {"i4=0xFFFFFFF0"});
    expect_scan("-12", "%2d%n", 1, {"i4=-1", "i4=2"});
    expect_scan("-", "%d", -1, {"i4=-"});
    expect_scan("+x", "%d%n", 0, {"i4=-", "i4=-"});
    expect_scan("-5", "%1d", 0, {"i4=-"});
    expect_scan("778", "%o%n", 1, {"i4=63", "i4=2"});
    expect_scan("5", "%0d", 0, {"i4=-"});
}

TEST(ScanContract, ParserLimitsAndModifiers) {
    expect_scan("5", "%214748369d", 1, {"i4=5"});
    expect_scan("5", "%214748370d", -1, {"i4=-"});
    expect_scan("123456", "%2l1d", 1, {"i8=123456"});  // digits among modifiers make one width
    expect_scan("1 2 3 4", "%I64d %I32d %Id %I", 4, {"i8=1", "i4=2", "i8=3", "i8=4"});
    expect_scan("7 10", "%Ix %Io", 2, {"i8=7", "i8=8"});
    expect_scan("76d", "%1I6d%n", 1, {"i8=7", "i4=3"});  // the 'I' is the conversion, "6d" literals
    expect_scan("5", "%lhd", 1, {"i8=5"});  // the 8-byte store wins over the size class
    expect_scan("70000", "%hd", 1, {"i2=4464"});
    expect_scan("9", "%FNd", 1, {"i4=9"});
    expect_scan("12", "%d%", 1, {"i4=12"});  // a cut-off directive meets the end of input
    expect_scan("12x", "%d%5", -1, {"i4=12"});
}

TEST(ScanContract, CountsBySizeClass) {
    expect_scan("abcdef", "%*3s%hhn%hn%n%ln", 0, {"i1=3", "i2=3", "i4=3", "i8=3"});
    expect_scan("  ab", " %n", 0, {"i4=2"});
}

TEST(ScanContract, TextSizesAndSmallDestinations) {
    expect_scan("abcdef", "%s", 0, {"s4=~bc#"});  // what fitted stays behind the cleared start
    expect_scan("ab abcdef", "%s %s", 1, {"s4=ab~#", "s4=~bc#"});
    expect_scan("abc", "%3c", 0, {"s2=~b"});
    expect_scan("ab", "%5c", 1, {"s5=ab###"});  // cut short by the end of input: stored
    expect_scan("x", "%s", 0, {"s4/0=####"});
    expect_scan("x", "%s", 0, {"s4/0x80000000=####"});
    expect_scan("xy", "%s", 1, {"s4/0x7FFFFFFF=xy~#"});
    expect_scan("x", "%ls", 0, {"w4/0x20000000=####"});
    expect_scan("xy", "%ls", 1, {"w4/0x1FFFFFFF=xy~#"});
    expect_scan("a\tb", "%s%n", 1, {"s4=a~##", "i4=1"});
    expect_scan("ab", "%*s%n", 0, {"i4=2"});
    expect_scan("  ab", "%c", 1, {"s2= #"});
    expect_scan("abc", "%hS", 1, {"s4=abc~"});
}

TEST(ScanContract, ScanSets) {
    expect_scan("abcd", "%[a-c]", 1, {"s8=abc~####"});
    expect_scan("ab,c", "%[^,]%n", 1, {"s8=ab~#####", "i4=2"});
    expect_scan("z-ab", "%[z-a]", 1, {"s8=z-a~####"});
    expect_scan("a-ceb", "%[a-c-e]", 1, {"s8=a-ceb~##"});
    expect_scan("c-d", "%[a-c-e]", 1, {"s8=c-~#####"});
    expect_scan("abc", "%[abc", 0, {"s8=~#######"});
    expect_scan("a-", "%[a-", 0, {"s8=~#######"});  // a '-' before the format's end is a member
    expect_scan("abc", "%*[abc", 0);
    expect_scan("abc", "%{abc}", 0, {"s8=########"});
    expect_scan("xyz", "%[a-c]", 0, {"s8=########"});
    expect_scan("abcab", "%2[abc]%[abc]", 2, {"s4=ab~#", "s4=cab~"});
    expect_scan("\x01\x7f\xff.", "%[\x01-\xff]", 1, {"s8=\x01\x7f?.~###"});
    expect_scan("\xe9xyz", "%[^\xe9]", 0, {"s8=########"});
}

TEST(ScanContract, LiteralsAndWhiteSpace) {
    expect_scan("%", "%%", 0);
    expect_scan("5 x", "%d %%", -1, {"i4=5"});  // a failed '%' fails the call, assigned or not
    expect_scan("5 %", "%d%%", 1, {"i4=5"});    // white space is skipped before a literal '%'
    expect_scan("5 %x", "%d%%%c", 2, {"i4=5", "s2=x#"});
    expect_scan(" a5", "a%d", 0, {"i4=-"});  // but not before a plain literal
    expect_scan("b5", "a%d", 0, {"i4=-"});
    expect_scan("5", "%d\t\n x", 1, {"i4=5"});
    expect_scan(" A", "%A", 0);  // compared as it stands in the format
    expect_scan("a", "%A", -1);
}

TEST(ScanContract, EndOfInputRule) {
    expect_scan("   ", "%d", -1, {"i4=-"});
    expect_scan("abc", "%d", 0, {"i4=-"});
    expect_scan(".", "%f", -1, {"f=-"});
    expect_scan("5", "%d %d", 1, {"i4=5", "i4=-"});
    expect_scan("5", "%d x", 1, {"i4=5"});
    expect_scan("ab", "%*s %d", 0, {"i4=-"});  // a suppressed conversion was done
    expect_scan("12", "%d%n", 1, {"i4=12", "i4=2"});
    expect_scan("x", "x%n%d", 0, {"i4=1", "i4=-"});
    expect_scan("5", "%d%s", 1, {"i4=5", "s4=####"});
    // A field ended by its width did not meet the end: a later error still counts.
    expect_scan("abc", "%2c%214748370d", -1, {"s2=ab"});
    expect_scan("123", "%2d%214748370d", -1, {"i4=12"});
    expect_scan("12", "%3d%214748370d", 1, {"i4=12"});
}

TEST(ScanContract, NullTargets) {
    int n = 0;
    EXPECT_EQ(sscanf_s("5 6 ", "%d %d", &n, nullptr), -1);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(sscanf_s("5 6", "%d %d", &n, nullptr), 1);  // the field met the end of input
    EXPECT_EQ(sscanf_s("5", "%lf", nullptr), -1);
    EXPECT_EQ(sscanf_s("5", "%d%n", nullptr, nullptr), -1);
    char buf[4] = "##";
    EXPECT_EQ(sscanf_s("ab", "%s", nullptr, 4u), -1);
    EXPECT_EQ(sscanf_s(nullptr, "%s", buf, 4u), -1);
    EXPECT_EQ(sscanf_s("ab", nullptr, buf, 4u), -1);
    EXPECT_EQ(swscanf_s(nullptr, L"%s", buf, 4u), -1);
    EXPECT_EQ(fscanf_s(nullptr, "%s", buf, 4u), -1);
    EXPECT_EQ(fwscanf_s(stdin, nullptr), -1);
    EXPECT_STREQ(buf, "##");
}

TEST(ScanContract, EmptySourcePreScan) {
    expect_scan("", "%s", -1, {"s8=~#######"});
    expect_scan("", "%d%s", -1, {"i4=-", "s8=########"});
    expect_scan("", "x %3c", -1, {"s8=~#######"});
    expect_scan("", "%[^a]", -1, {"s8=~#######"});
    expect_scan("", "%[]", -1, {"s8=########"});
    expect_scan("", "%*s", -1);
    expect_scan("", "%s", -1, {"s8/0=########"});
    expect_scan("", "%ls", -1, {"w2=~#"});
    expect_scan("", "%999999999s", -1, {"s8=########"});
    expect_scan("", "no conversion", -1);
}

}  // namespace
