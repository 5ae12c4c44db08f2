// Text, number, path and GUID helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <set>
#include <string>

#include "LuExceptions.h"
#include "LuStrUtils.h"

namespace {

// Runs a test body with another decimal separator and restores '.' afterwards.
class SeparatorScope {
public:
    explicit SeparatorScope(char16_t sep) : FOld(DecimalSeparator()) { SetDecimalSeparator(sep); }
    ~SeparatorScope() { SetDecimalSeparator(FOld); }

private:
    char16_t FOld;
};

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }

}  // namespace

// ---- Code-page conversion -------------------------------------------------------------------

TEST(StrUtilsUtf, DecodesValidAndReplacesMalformedUtf8)
{
    struct Case {
        const char* name;
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"empty", "", u""},
        {"ascii", "Setup 1.0", u"Setup 1.0"},
        {"two-byte", "caf\xC3\xA9", u"caf\u00E9"},
        {"three-byte", "\xE5\xAE\x89\xE8\xA3\x85", u"\u5B89\u88C5"},
        {"four-byte gives a surrogate pair", "\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
        {"embedded NUL kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"lone continuation byte", "a\x80z", u"a\uFFFDz"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three-byte", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"truncated at end is one replacement", "ab\xE5\xAE", u"ab\uFFFD"},
        {"breaking byte starts over",
         "\xE5\xAE"
         "A",
         u"\uFFFDA"},
        {"invalid lead bytes", "\xF8\xFF", u"\uFFFD\uFFFD"},
        {"highest code point", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.name;
}

TEST(StrUtilsUtf, EncodesUtf16AndReplacesLoneSurrogates)
{
    EXPECT_EQ(Utf16ToUtf8(u""), "");
    EXPECT_EQ(Utf16ToUtf8(u"caf\u00E9 \u5B89"), "caf\xC3\xA9 \xE5\xAE\x89");
    EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"\xD83D"
                                         u"x")),
              "\xEF\xBF\xBDx");                                           // high without low
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"x\xDE00")), "x\xEF\xBF\xBD");  // low without high
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"\xD83D")), "\xEF\xBF\xBD");    // high at the end
}

TEST(StrUtilsUtf, RoundTripsEveryCodePoint)
{
    std::u16string all;
    for (char32_t cp = 1; cp <= 0x10FFFF; cp += (cp < 0x10000 ? 1 : 97)) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        if (cp < 0x10000) {
            all.push_back(char16_t(cp));
        } else {
            all.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
            all.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
    }
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(all)), all);
}

// ---- Case ---------------------------------------------------------------------------------

TEST(StrUtilsCase, UpperCaseCharTable)
{
    const std::pair<char16_t, char16_t> cases[] = {
        {u'a', u'A'},     {u'z', u'Z'},   {u'A', u'A'}, {u'{', u'{'}, {u'`', u'`'}, {0xE9, 0xC9},  // é
        {0xF7, 0xF7},                      // division sign is not a letter
        {0xFF, 0x178},                     // ÿ
        {0xDF, 0xDF},                      // ß has no one-unit capital
        {0x101, 0x100},                    // ā
        {0x100, 0x100},   {0x13A, 0x139},  // ĺ: the odd-capital run
        {0x139, 0x139},   {0x14B, 0x14A},  // ŋ
        {0x17E, 0x17D},                    // ž
        {0x131, u'I'},                     // dotless i
        {0x3B1, 0x391},                    // α
        {0x3C2, 0x3A3},                    // final sigma
        {0x3C9, 0x3A9},                    // ω
        {0x3AC, 0x386},                    // ά
        {0x3CE, 0x38F},                    // ώ
        {0x436, 0x416},                    // ж
        {0x451, 0x401},                    // ё
        {0x491, 0x490},                    // ґ
        {0xFF41, 0xFF21},                  // fullwidth a
        {0x5B89, 0x5B89},                  // CJK unchanged
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(int(UpperCaseChar(in)), int(out)) << std::hex << int(in);
}

TEST(StrUtilsCase, SameTextAndLowerCase)
{
    EXPECT_TRUE(SameText(u"{AppTitle}", u"{apptitle}"));
    EXPECT_TRUE(SameText(u"\u00C4rger \u0416", u"\u00E4RGER \u0436"));
    EXPECT_FALSE(SameText(u"abc", u"abcd"));
    EXPECT_FALSE(SameText(u"a", u"b"));
    EXPECT_TRUE(SameText(u"", u""));
    EXPECT_TRUE(SameTextAscii("SetupScript", "sETUPsCRIPT"));
    EXPECT_FALSE(SameTextAscii("\xC3\xA9", "\xC3\x89"));  // only ASCII letters fold
    EXPECT_FALSE(SameTextAscii("@", "`"));                // 0x40 and 0x60 differ by 0x20 but are no letters
    EXPECT_EQ(LowerCaseAscii(u"ABC\u00C9z"), u"abc\u00C9z");
    EXPECT_EQ(LowerCaseAscii(std::string("ABC[Z]")), "abc[z]");
    EXPECT_EQ(UpperCase(u"install \u00E0 \u03B1"), u"INSTALL \u00C0 \u0391");
}

// ---- Replace and trim -----------------------------------------------------------------------

TEST(StrUtilsReplace, Table)
{
    struct Case {
        std::u16string text, pattern, replacement;
        unsigned flags;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"a-b-c", u"-", u"+", rfNone, u"a+b-c"},
        {u"a-b-c", u"-", u"+", rfReplaceAll, u"a+b+c"},
        {u"{APP}\\x\\{app}", u"{app}", u"C:", rfReplaceAll | rfIgnoreCase, u"C:\\x\\C:"},
        {u"{APP}\\x\\{app}", u"{app}", u"C:", rfReplaceAll, u"{APP}\\x\\C:"},
        {u"aa", u"a", u"aa", rfReplaceAll, u"aaaa"},  // inserted text not searched again
        {u"aaa", u"aa", u"b", rfReplaceAll, u"ba"},   // left to right, no overlap
        {u"a\\\\\\b", u"\\\\", u"\\", rfReplaceAll, u"a\\\\b"},
        {u"abc", u"", u"x", rfReplaceAll, u"abc"},  // empty pattern changes nothing
        {u"ab", u"abc", u"x", rfReplaceAll, u"ab"},
        {u"", u"a", u"x", rfReplaceAll, u""},
        {u"xyz", u"xyz", u"", rfNone, u""},
        {u"\u00C4\u00E4", u"\u00E4", u"o", rfReplaceAll | rfIgnoreCase, u"oo"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StringReplace(c.text, c.pattern, c.replacement, c.flags), c.expected)
            << U8(c.text) << " / " << U8(c.pattern);
}

TEST(StrUtilsReplace, TrimRemovesControlsAndBlanksOnly)
{
    EXPECT_EQ(Trim(u" \t\r\n abc d\x01 "), u"abc d");
    EXPECT_EQ(Trim(u"   "), u"");
    EXPECT_EQ(Trim(u""), u"");
    EXPECT_EQ(Trim(u"\u00A0x\u3000"), u"\u00A0x\u3000");  // only code units up to the blank
    EXPECT_EQ(TrimBytes("\r\n <a/> \t"), "<a/>");
    EXPECT_EQ(TrimBytes("\xC3\xA9 "), "\xC3\xA9");  // bytes above 0x7F are not blanks
    EXPECT_EQ(TrimBytes(" "), "");
}

// ---- Numbers ------------------------------------------------------------------------------

TEST(StrUtilsNumbers, IntegerParseTable)
{
    struct Case {
        std::u16string text;
        bool ok32;
        int32_t value32;
        bool ok64;
        int64_t value64;
    };
    const Case cases[] = {
        {u"0", true, 0, true, 0},
        {u"42", true, 42, true, 42},
        {u"  -17", true, -17, true, -17},
        {u"+5", true, 5, true, 5},
        {u"007", true, 7, true, 7},
        {u"2147483647", true, INT32_MAX, true, INT32_MAX},
        {u"-2147483648", true, INT32_MIN, true, INT32_MIN},
        {u"2147483648", false, 0, true, 2147483648LL},
        {u"-2147483649", false, 0, true, -2147483649LL},
        {u"9223372036854775807", false, 0, true, INT64_MAX},
        {u"-9223372036854775808", false, 0, true, INT64_MIN},
        {u"9223372036854775808", false, 0, false, 0},
        {u"99999999999999999999", false, 0, false, 0},
        {u"$FF", true, 255, true, 255},
        {u"0x1f", true, 31, true, 31},
        {u"0XAbC", true, 0xABC, true, 0xABC},
        {u"-$10", true, -16, true, -16},
        {u"$7FFFFFFF", true, INT32_MAX, true, INT32_MAX},
        {u"$FFFFFFFF", true, -1, true, 0xFFFFFFFFLL},  // hex wraps into the type
        {u"$80000000", true, INT32_MIN, true, 0x80000000LL},
        {u"$100000000", false, 0, true, 0x100000000LL},
        {u"$FFFFFFFFFFFFFFFF", false, 0, true, -1},
        {u"$1FFFFFFFFFFFFFFFF", false, 0, false, 0},
        {u"", false, 0, false, 0},
        {u"   ", false, 0, false, 0},
        {u"-", false, 0, false, 0},
        {u"$", false, 0, false, 0},
        {u"0x", false, 0, false, 0},
        {u"12 ", false, 0, false, 0},  // nothing may follow, not even a blank
        {u"12a", false, 0, false, 0},
        {u"1.0", false, 0, false, 0},
        {u"- 1", false, 0, false, 0},
        {u"--1", false, 0, false, 0},
        {u"$G", false, 0, false, 0},
        {u"\uFF11", false, 0, false, 0},  // fullwidth digit
    };
    for (const auto& c : cases) {
        int32_t v32 = 12345;
        int64_t v64 = 12345;
        EXPECT_EQ(TryStrToInt(c.text, v32), c.ok32) << U8(c.text);
        EXPECT_EQ(v32, c.ok32 ? c.value32 : 12345) << U8(c.text);  // untouched on failure
        EXPECT_EQ(TryStrToInt64(c.text, v64), c.ok64) << U8(c.text);
        EXPECT_EQ(v64, c.ok64 ? c.value64 : 12345) << U8(c.text);
    }
}

TEST(StrUtilsNumbers, StrToIntRaisesConvertError)
{
    EXPECT_EQ(StrToInt(u" $10"), 16);
    try {
        StrToInt(u"12x");
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), u"'12x' is not a valid integer value");
    }
}

TEST(StrUtilsNumbers, IntToStr)
{
    EXPECT_EQ(IntToStr(0), u"0");
    EXPECT_EQ(IntToStr(-5), u"-5");
    EXPECT_EQ(IntToStr(1234567890123LL), u"1234567890123");
    EXPECT_EQ(IntToStr(INT64_MIN), u"-9223372036854775808");
    EXPECT_EQ(IntToStr(INT64_MAX), u"9223372036854775807");
}

TEST(StrUtilsFloat, GeneralFormatTable)
{
    const std::pair<long double, std::u16string> cases[] = {
        {0.0L, u"0"},
        {-0.0L, u"0"},
        {1.0L, u"1"},
        {-2.5L, u"-2.5"},
        {100.0L, u"100"},
        {123.456L, u"123.456"},
        {0.1L, u"0.1"},
        {1.0L / 3.0L, u"0.333333333333333"},
        {2.0L / 3.0L, u"0.666666666666667"},  // rounded, not cut
        {0.0001L, u"0.0001"},                 // lower end of fixed notation
        {0.00009999L, u"9.999E-5"},
        {0.000015L, u"1.5E-5"},
        {999999999999999.0L, u"999999999999999"},  // upper end of fixed notation
        {1e15L, u"1E15"},
        {999999999999999.9L, u"1E15"},  // notation follows the rounded value
        {2e20L, u"2E20"},
        {-1.23456789012345678e-20L, u"-1.23456789012346E-20"},
        {1.5e300L, u"1.5E300"},
        {123456789012345678.0L, u"1.23456789012346E17"},
        {45292.5L, u"45292.5"},  // a date-time value
        {45292.123456789012L, u"45292.123456789"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(FloatToStrGeneral(value), text) << double(value);
}

TEST(StrUtilsFloat, UsesTheDecimalSeparator)
{
    EXPECT_EQ(DecimalSeparator(), u'.');
    SeparatorScope comma(u',');
    EXPECT_EQ(FloatToStrGeneral(-2.5L), u"-2,5");
    EXPECT_EQ(FloatToStrGeneral(0.000015L), u"1,5E-5");
    EXPECT_EQ(FloatToStrGeneral(3.0L), u"3");
    long double v = 0;
    EXPECT_TRUE(TryStrToFloat(u"1,25", v));
    EXPECT_EQ(v, 1.25L);
    EXPECT_FALSE(TryStrToFloat(u"1.25", v));
}

TEST(StrUtilsFloat, ParseTable)
{
    struct Case {
        std::u16string text;
        bool ok;
        long double value;
    };
    const Case cases[] = {
        {u"0", true, 0.0L},         {u"1.5", true, 1.5L},   {u"  -2.25 ", true, -2.25L},
        {u"+3", true, 3.0L},        {u".5", true, 0.5L},    {u"5.", true, 5.0L},
        {u"1.5E-5", true, 1.5e-5L}, {u"2e20", true, 2e20L}, {u"2E+3", true, 2000.0L},
        {u"1,5", false, 0},  // the other separator
        {u"1 000", false, 0},       {u"", false, 0},        {u".", false, 0},
        {u"-", false, 0},           {u"e5", false, 0},      {u"1e", false, 0},
        {u"1e+", false, 0},         {u"1.5x", false, 0},    {u"inf", false, 0},
        {u"nan", false, 0},         {u"0x1p3", false, 0},   {u"1e99999", false, 0},  // overflow
    };
    for (const auto& c : cases) {
        long double v = 7;
        EXPECT_EQ(TryStrToFloat(c.text, v), c.ok) << U8(c.text);
        EXPECT_EQ(v, c.ok ? c.value : 7.0L) << U8(c.text);
    }
}

// Stored values must read back wherever they were written, so the user's separator plays no part.
TEST(StrUtilsFloat, StoredTextIgnoresTheLocale)
{
    struct Case {
        std::u16string text;
        bool ok;
        long double value;
    };
    const Case cases[] = {
        {u"45000.5", true, 45000.5L},
        {u"45000,5", true, 45000.5L},  // written where the separator is ","
        {u" -0,25 ", true, -0.25L},
        {u",5", true, 0.5L},
        {u"1,5E-5", true, 1.5e-5L},
        {u"2e20", true, 2e20L},
        {u"1,000.5", false, 0},  // no thousands separators in a stored value
        {u"1.000,5", false, 0},
        {u"1.5.2", false, 0},
        {u"1,,5", false, 0},
        {u"1 000", false, 0},
        {u",", false, 0},
        {u"", false, 0},
        {u"1;5", false, 0},
        {u"inf", false, 0},
        {u"0x1p3", false, 0},
        {u"1e99999", false, 0},
    };
    for (char16_t sep : {u'.', u','}) {
        SeparatorScope scope(sep);
        for (const auto& c : cases) {
            long double v = 7;
            EXPECT_EQ(TryStoredTextToFloat(c.text, v), c.ok) << U8(c.text) << " with " << char(sep);
            EXPECT_EQ(v, c.ok ? c.value : 7.0L) << U8(c.text) << " with " << char(sep);
        }
        EXPECT_EQ(FloatToStoredText(-2.5L), u"-2.5");
        EXPECT_EQ(FloatToStoredText(0.000015L), u"1.5E-5");
        EXPECT_EQ(FloatToStoredText(45291.7291666667L), u"45291.7291666667");
        long double back = 0;
        ASSERT_TRUE(TryStoredTextToFloat(FloatToStoredText(1.0L / 3.0L), back));
        EXPECT_EQ(FloatToStoredText(back), FloatToStoredText(1.0L / 3.0L));
    }
    // The display forms still follow the user's separator.
    SeparatorScope comma(u',');
    EXPECT_EQ(FloatToStrGeneral(45000.5L), u"45000,5");
}

TEST(StrUtilsFloat, FormatThenParseKeepsFifteenDigits)
{
    const long double values[] = {0.1L,  1.0L / 3.0L,       45292.75L, -6.02214076e23L, 1.602176634e-19L,
                                  1e-4L, 123456789012345.0L};
    for (long double v : values) {
        long double back = 0;
        ASSERT_TRUE(TryStrToFloat(FloatToStrGeneral(v), back)) << double(v);
        EXPECT_EQ(FloatToStrGeneral(back), FloatToStrGeneral(v));
        EXPECT_NEAR(double(back), double(v), std::abs(double(v)) * 1e-14);
    }
}

// ---- Format -------------------------------------------------------------------------------

TEST(StrUtilsFormat, Table)
{
    EXPECT_EQ(Format(u"Resource %s not found", {u"{54682D66}"}), u"Resource {54682D66} not found");
    EXPECT_EQ(Format(u"%s (%s, line %d)", {u"Assertion failure", u"Common\\LuXmlUtils", 12}),
              u"Assertion failure (Common\\LuXmlUtils, line 12)");
    EXPECT_EQ(Format(u"%d%%", {-50}), u"-50%");
    EXPECT_EQ(Format(u"%x/%x", {255, 0}), u"FF/0");
    EXPECT_EQ(Format(u"%x", {-1}), u"FFFFFFFF");
    EXPECT_EQ(Format(u"%d", {1LL << 40}), u"1099511627776");
    EXPECT_EQ(Format(u"[%s][%d]", {u"only"}), u"[only][]");  // missing argument
    EXPECT_EQ(Format(u"100%", {}), u"100%");
    EXPECT_EQ(Format(u"%q %s", {u"x"}), u"%q x");
    EXPECT_EQ(Format(u"%s", {u"%d"}), u"%d");  // arguments are not formatted again
}

// ---- Paths --------------------------------------------------------------------------------

TEST(StrUtilsPath, SplitTable)
{
    struct Case {
        std::u16string path, dir, name, ext, nameNoExt;
    };
    const Case cases[] = {
        {u"C:\\Program Files\\App\\app.exe", u"C:\\Program Files\\App\\", u"app.exe", u".exe", u"app"},
        {u"C:app.tar.gz", u"C:", u"app.tar.gz", u".gz", u"app.tar"},
        {u"readme", u"", u"readme", u"", u"readme"},
        {u"", u"", u"", u"", u""},
        {u"C:\\dir.d\\file", u"C:\\dir.d\\", u"file", u"", u"file"},  // a dot in the folder is no extension
        {u"C:\\dir\\", u"C:\\dir\\", u"", u"", u""},
        {u"name.", u"", u"name.", u".", u"name"},
        {u".hidden", u"", u".hidden", u".hidden", u""},
        {u"\\\\server\\share\\a.b", u"\\\\server\\share\\", u"a.b", u".b", u"a"},
        {u"a/b.txt", u"", u"a/b.txt", u".txt", u"a/b"},  // "/" is not a folder delimiter here
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.path), c.dir) << U8(c.path);
        EXPECT_EQ(ExtractFileName(c.path), c.name) << U8(c.path);
        EXPECT_EQ(ExtractFileExt(c.path), c.ext) << U8(c.path);
        EXPECT_EQ(ExtractFileNameNoExt(c.path), c.nameNoExt) << U8(c.path);
    }
}

TEST(StrUtilsPath, TrailingBackslashAndChangeExt)
{
    EXPECT_EQ(IncludeTrailingBackslash(u""), u"\\");
    EXPECT_EQ(IncludeTrailingBackslash(u"C:\\a"), u"C:\\a\\");
    EXPECT_EQ(IncludeTrailingBackslash(u"C:\\a\\"), u"C:\\a\\");
    EXPECT_EQ(ExcludeTrailingBackslash(u"C:\\a\\"), u"C:\\a");
    EXPECT_EQ(ExcludeTrailingBackslash(u"C:\\a\\\\"), u"C:\\a\\");  // one only
    EXPECT_EQ(ExcludeTrailingBackslash(u"C:\\a"), u"C:\\a");
    EXPECT_EQ(ExcludeTrailingBackslash(u""), u"");
    EXPECT_EQ(ChangeFileExt(u"C:\\a\\setup.exe", u".xml"), u"C:\\a\\setup.xml");
    EXPECT_EQ(ChangeFileExt(u"C:\\a.d\\setup", u".xml"), u"C:\\a.d\\setup.xml");
    EXPECT_EQ(ChangeFileExt(u"setup.exe", u""), u"setup");
}

// ---- GUID text ------------------------------------------------------------------------------

TEST(StrUtilsGuid, FormatsTheWindowsByteLayout)
{
    const uint8_t bytes[16] = {0x4B, 0x53, 0xB4, 0x24, 0x80, 0xE5, 0x42, 0x4F,
                               0xBE, 0xAB, 0xA2, 0x81, 0x8F, 0xDE, 0x92, 0xC0};
    EXPECT_EQ(TLuStrfn::GUIDToString(bytes), u"{24B4534B-E580-4F42-BEAB-A2818FDE92C0}");
}

TEST(StrUtilsGuid, NewGuidsAreVersion4AndUnique)
{
    const std::regex shape("\\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\\}");
    std::set<std::u16string> seen;
    for (int i = 0; i < 2000; ++i) {
        const std::u16string g = TLuStrfn::NewGUIDString();
        ASSERT_TRUE(std::regex_match(U8(g), shape)) << U8(g);
        seen.insert(g);
    }
    EXPECT_EQ(seen.size(), 2000u);
}
