// The language of a run: what a package offers, unattended runs following the system language,
// the dialog's pre-selection and cancel, the title's fallback, the licence resource and text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LanguageChoice.h"
#include "LuStrUtils.h"
#include "SetupScript.h"

namespace {

using TList = std::vector<std::u16string>;

TSetupBaseInfo Titles(const char16_t* chs, const char16_t* cht, const char16_t* eng)
{
    TSetupBaseInfo info;
    info.AppTitleCHS = chs;
    info.AppTitleCHT = cht;
    info.AppTitleENG = eng;
    return info;
}

// A dialog that must not be shown.
bool NoDialog(const TList&, std::u16string&)
{
    ADD_FAILURE() << "the language dialog was shown";
    return false;
}

}  // namespace

TEST(LanguageChoice, OfferedLanguagesFollowTheTitles)
{
    EXPECT_EQ((TList{u"CHS"}), AvailableLanguages(Titles(u"演示", u"", u"")));
    EXPECT_EQ((TList{u"CHS", u"CHT", u"ENG"}), AvailableLanguages(Titles(u"演示", u"演示", u"Demo")));
    EXPECT_EQ((TList{u"CHS", u"ENG"}), AvailableLanguages(Titles(u"演示", u"", u"Demo")));
    // "CHS" is always offered, even without its title.
    EXPECT_EQ((TList{u"CHS", u"CHT"}), AvailableLanguages(Titles(u"", u"演示", u"")));
}

TEST(LanguageChoice, UnattendedRunsFollowTheSystemLanguage)
{
    struct {
        TSetupBaseInfo Info;
        const char16_t* System;
        const char16_t* Expected;
    } cases[] = {
        // Only "CHS" offered: never anything else, whatever the system says.
        {Titles(u"演示", u"", u""), u"ENU", u"CHS"},
        {Titles(u"演示", u"", u""), u"CHT", u"CHS"},
        // All three: the system's own, else English.
        {Titles(u"演示", u"演示", u"Demo"), u"CHT", u"CHT"},
        {Titles(u"演示", u"演示", u"Demo"), u"CHS", u"CHS"},
        {Titles(u"演示", u"演示", u"Demo"), u"ENU", u"ENG"},
        {Titles(u"演示", u"演示", u"Demo"), u"ZHH", u"ENG"},
        {Titles(u"演示", u"演示", u"Demo"), u"", u"ENG"},
        // The list is searched ignoring case, and the offered code is what the run gets.
        {Titles(u"演示", u"演示", u"Demo"), u"cht", u"CHT"},
        {Titles(u"演示", u"演示", u"Demo"), u"eng", u"ENG"},
        // No English offered: Simplified Chinese.
        {Titles(u"演示", u"演示", u""), u"ENU", u"CHS"},
        {Titles(u"演示", u"演示", u""), u"ZHM", u"CHS"},
        {Titles(u"演示", u"", u"Demo"), u"CHT", u"ENG"},
    };
    for (const auto& c : cases)
        for (TStartMode mode : {TStartMode::smSilent, TStartMode::smAuto}) {
            const auto language = ChooseLanguage(c.Info, mode, c.System, NoDialog);
            ASSERT_TRUE(language.has_value());
            EXPECT_EQ(c.Expected, *language)
                << Utf16ToUtf8(c.System) << " offered " << AvailableLanguages(c.Info).size();
        }
}

TEST(LanguageChoice, InteractiveRunsAskOnlyWhenThereIsAChoice)
{
    // One language: no dialog.
    EXPECT_EQ(u"CHS", ChooseLanguage(Titles(u"演示", u"", u""), TStartMode::smInteractive, u"ENU", NoDialog));

    const TSetupBaseInfo all = Titles(u"演示", u"演示", u"Demo");
    TList shown;
    auto pick = [&](const char16_t* answer) {
        return [&shown, answer](const TList& available, std::u16string& language) {
            shown = available;
            EXPECT_EQ(u"CHS", language);  // what the dialog starts from
            language = answer;
            return true;
        };
    };
    EXPECT_EQ(u"CHT", ChooseLanguage(all, TStartMode::smInteractive, u"ENU", pick(u"CHT")));
    EXPECT_EQ((TList{u"CHS", u"CHT", u"ENG"}), shown);

    // Cancelled: no language, the installer ends.
    auto cancel = [](const TList&, std::u16string&) { return false; };
    EXPECT_FALSE(ChooseLanguage(all, TStartMode::smInteractive, u"CHS", cancel).has_value());
    EXPECT_FALSE(ChooseLanguage(all, TStartMode::smInteractive, u"CHS", nullptr).has_value());

    // Whatever comes back, only the three codes get through.
    EXPECT_EQ(u"CHS", ChooseLanguage(all, TStartMode::smInteractive, u"CHS", pick(u"FRA")));
    EXPECT_EQ(u"CHS", ChooseLanguage(all, TStartMode::smInteractive, u"CHS", pick(u"eng")));
}

TEST(LanguageChoice, DialogPreselection)
{
    const TList all{u"CHS", u"CHT", u"ENG"}, chinese{u"CHS", u"CHT"};
    struct {
        const TList* Available;
        const char16_t* System;
        int Expected;
    } cases[] = {
        {&all, u"CHT", 1},     {&all, u"cht", 1},     {&all, u"ENU", 2},  {&all, u"CHS", 0},
        {&chinese, u"ENU", 0}, {&chinese, u"CHT", 1}, {&chinese, u"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Expected, PreselectedLanguageIndex(*c.Available, c.System)) << Utf16ToUtf8(c.System);
}

TEST(LanguageChoice, TitleFallsBackToSimplifiedChinese)
{
    const TSetupBaseInfo info = Titles(u"演示", u"演示繁", u"");
    EXPECT_EQ(u"演示", TitleOfLanguage(info, u"CHS"));
    EXPECT_EQ(u"演示繁", TitleOfLanguage(info, u"CHT"));
    EXPECT_EQ(u"演示", TitleOfLanguage(info, u"ENG"));  // empty English title
    EXPECT_EQ(u"Demo", TitleOfLanguage(Titles(u"演示", u"", u"Demo"), u"ENG"));
}

TEST(LanguageChoice, LicenseResourceOfTheLanguage)
{
    TSetupBaseInfo info;
    info.LicenseCHSResID = u"LICENSE_CHS";
    info.LicenseCHTResID = u"LICENSE_CHT";
    EXPECT_EQ(u"LICENSE_CHS", LicenseResIDOfLanguage(info, u"CHS"));
    EXPECT_EQ(u"LICENSE_CHT", LicenseResIDOfLanguage(info, u"CHT"));
    EXPECT_EQ(u"", LicenseResIDOfLanguage(info, u"ENG"));  // no English licence: controls hidden
    info.LicenseENGResID = u"LICENSE_ENG";
    EXPECT_EQ(u"LICENSE_ENG", LicenseResIDOfLanguage(info, u"ENG"));
    EXPECT_EQ(u"LICENSE_ENG", LicenseResIDOfLanguage(info, u"XYZ"));
}

TEST(LicenseText, ByteOrderMarksAndAnsi)
{
    // A stand-in for code page 936: the two bytes C4 E3 are "你".
    const TAnsiDecoder gbk = [](std::string_view bytes) {
        std::u16string text;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes.substr(i, 2) == "\xC4\xE3") {
                text += u'你';
                ++i;
            } else {
                text += char16_t(uint8_t(bytes[i]));
            }
        }
        return text;
    };
    struct {
        const char* Name;
        std::string Bytes;
        std::u16string Expected;
    } cases[] = {
        {"UTF-8 with mark",
         "\xEF\xBB\xBF"
         "A\xE4\xBD\xA0",
         u"A你\r\n"},
        {"UTF-16 LE with mark",
         std::string("\xFF\xFE"
                     "A\0\x60\x4F",
                     6),
         u"A你\r\n"},
        {"UTF-16 BE with mark", std::string("\xFE\xFF\0A\x4F\x60", 6), u"A你\r\n"},
        {"ANSI without mark", "A\xC4\xE3", u"A你\r\n"},
        // UTF-8 without a mark is not recognised: it is ANSI text.
        {"UTF-8 without mark", "\xE4\xBD\xA0", u"\u00E4\u00BD\u00A0\r\n"},
        {"odd UTF-16 tail dropped",
         std::string("\xFF\xFE"
                     "A\0B",
                     5),
         u"A\r\n"},
        {"mark only", "\xEF\xBB\xBF", u""},
        {"empty", "", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Expected, DecodeLicenseText(c.Bytes, gbk)) << c.Name;
    // Without a decoder, bytes are Latin-1.
    EXPECT_EQ(u"caf\u00E9\r\n", DecodeLicenseText("caf\xE9"));
}

TEST(LicenseText, LinesEndInCrLfAndTextEndsAtZero)
{
    struct {
        std::u16string Text;
        std::u16string Expected;
    } cases[] = {
        {u"one", u"one\r\n"},
        {u"one\r\ntwo", u"one\r\ntwo\r\n"},
        {u"one\ntwo\n", u"one\r\ntwo\r\n"},
        {u"one\rtwo\r", u"one\r\ntwo\r\n"},
        {u"one\u2028two", u"one\r\ntwo\r\n"},
        {u"one\n\rtwo", u"one\r\n\r\ntwo\r\n"},  // LF then CR: two breaks
        {u"one\r\n\r\n", u"one\r\n\r\n"},        // an empty line stays
        {u"\n", u"\r\n"},
        {std::u16string(u"one\ntwo\0three\n", 14), u"one\r\ntwo\r\n"},
        {std::u16string(u"\0text", 5), u""},
    };
    for (const auto& c : cases) {
        std::string bytes("\xFF\xFE");
        for (char16_t ch : c.Text) bytes += {char(ch & 0xFF), char(ch >> 8)};
        EXPECT_EQ(c.Expected, DecodeLicenseText(bytes)) << Utf16ToUtf8(c.Text);
    }
}
