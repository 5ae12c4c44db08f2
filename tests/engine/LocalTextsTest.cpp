// The localised texts: lookup by language, the fallbacks to English, and the typographic rules the
// Chinese texts keep (full-width punctuation, ASCII dots, markers of the formats).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "LocalTexts.h"
#include "LuStrUtils.h"

namespace {

using TAccessor = std::u16string (TLocalTexts::*)() const;

struct TTextCase {
    const char* Name;
    TAccessor Get;
    int Markers;         // "%s" markers of a format
    bool SameInChinese;  // Simplified and Traditional read the same
};

const TTextCase AllTexts[] = {
    {"ResAppVersionFmt", &TLocalTexts::ResAppVersionFmt, 2, true},
    {"ResCheckingOldVersion", &TLocalTexts::ResCheckingOldVersion, 0, false},
    {"ResCreateDestDirFailureFmt", &TLocalTexts::ResCreateDestDirFailureFmt, 1, false},
    {"ResCreatingShortCut", &TLocalTexts::ResCreatingShortCut, 0, false},
    {"ResDestDirCannotBeEmpty", &TLocalTexts::ResDestDirCannotBeEmpty, 0, false},
    {"ResExit", &TLocalTexts::ResExit, 0, true},
    {"ResInstallComplete", &TLocalTexts::ResInstallComplete, 0, false},
    {"ResInstallProgramTitleFmt", &TLocalTexts::ResInstallProgramTitleFmt, 1, false},
    {"ResInstalling", &TLocalTexts::ResInstalling, 0, false},
    {"ResModifyingRegistry", &TLocalTexts::ResModifyingRegistry, 0, false},
    {"ResNeedWin7OrHigher", &TLocalTexts::ResNeedWin7OrHigher, 0, false},
    {"ResNeedWinXPOrHigher", &TLocalTexts::ResNeedWinXPOrHigher, 0, false},
    {"ResRunningAppFmt", &TLocalTexts::ResRunningAppFmt, 1, false},
    {"ResSelectInstallPath", &TLocalTexts::ResSelectInstallPath, 0, false},
    {"ResSetupPackageError", &TLocalTexts::ResSetupPackageError, 0, false},
    {"ResVerifyingSetup", &TLocalTexts::ResVerifyingSetup, 0, false},
    {"ResVersionFmt", &TLocalTexts::ResVersionFmt, 1, true},
    {"ResWriteDestDirFalureFmt", &TLocalTexts::ResWriteDestDirFalureFmt, 1, false},
};

std::u16string Text(const TTextCase& c, const char16_t* language) { return (TLocalTexts(language).*c.Get)(); }

int CountOf(const std::u16string& text, std::u16string_view what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

bool HasCjk(const std::u16string& text)
{
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x4E00 && c <= 0x9FFF; });
}

}  // namespace

TEST(LocalTexts, EachLanguageHasItsOwnColumnAndTheRestIsEnglish)
{
    for (const TTextCase& c : AllTexts) {
        SCOPED_TRACE(c.Name);
        const std::u16string chs = Text(c, u"CHS"), cht = Text(c, u"CHT"), eng = Text(c, u"ENG");
        EXPECT_TRUE(HasCjk(chs));
        EXPECT_TRUE(HasCjk(cht));
        EXPECT_FALSE(HasCjk(eng));
        EXPECT_EQ(c.SameInChinese, chs == cht);
        // Before a language is chosen, and for anything that is not exactly a code, English.
        for (const char16_t* other : {u"", u"chs", u"Cht", u"ENU", u"ZHH", u"CHS "})
            EXPECT_EQ(eng, Text(c, other)) << Utf16ToUtf8(other);
    }
}

TEST(LocalTexts, FormatsCarryTheirMarkersInEveryLanguage)
{
    for (const TTextCase& c : AllTexts)
        for (const char16_t* language : {u"CHS", u"CHT", u"ENG"}) {
            const std::u16string text = Text(c, language);
            EXPECT_EQ(c.Markers, CountOf(text, u"%s")) << c.Name << " " << Utf16ToUtf8(language);
            EXPECT_EQ(0, CountOf(text, u"%") - CountOf(text, u"%s")) << c.Name;  // no stray marker
        }
}

TEST(LocalTexts, ChineseTextsUseFullWidthPunctuationAndAsciiDots)
{
    for (const TTextCase& c : AllTexts)
        for (const char16_t* language : {u"CHS", u"CHT"}) {
            const std::u16string text = Text(c, language);
            SCOPED_TRACE(std::string(c.Name) + " " + Utf16ToUtf8(language));
            EXPECT_EQ(std::u16string::npos, text.find_first_of(u":,")) << "half-width colon or comma";
            EXPECT_EQ(std::u16string::npos, text.find_first_of(u"．…")) << "dots must be ASCII";
            if (CountOf(text, u".") > 0) {
                EXPECT_EQ(6, CountOf(text, u".")) << "six ASCII full stops";
            }
        }
    // The status texts with dots keep them in every language.
    for (TAccessor get :
         {&TLocalTexts::ResCreatingShortCut, &TLocalTexts::ResModifyingRegistry, &TLocalTexts::ResVerifyingSetup})
        for (const char16_t* language : {u"CHS", u"CHT", u"ENG"}) {
            const std::u16string text = (TLocalTexts(language).*get)();
            EXPECT_EQ(u"......", text.substr(text.size() - 6)) << Utf16ToUtf8(text);
        }
}

TEST(LocalTexts, WindowsVersionTextsKeepTheirBlanks)
{
    // Simplified: a blank after "请在"; Traditional: none.
    EXPECT_EQ(u"请在 Windows 7 及以上版本系统中安装本软件。", TLocalTexts(u"CHS").ResNeedWin7OrHigher());
    EXPECT_EQ(u"請在Windows 7 及以上版本系統中安裝本軟件。", TLocalTexts(u"CHT").ResNeedWin7OrHigher());
    EXPECT_EQ(u"请在 Windows XP 及以上版本系统中安装本软件。", TLocalTexts(u"CHS").ResNeedWinXPOrHigher());
    EXPECT_EQ(u"請在Windows XP 及以上版本系統中安裝本軟件。", TLocalTexts(u"CHT").ResNeedWinXPOrHigher());
}

TEST(LocalTexts, FormatsFillAsTheWindowShowsThem)
{
    struct {
        const char16_t* Language;
        std::u16string Caption;
        std::u16string DisplayName;
        std::u16string Version;
    } cases[] = {
        {u"CHS", u"演示 安装程序", u"演示 版本 2.5", u"版本：2.5"},
        {u"CHT", u"演示 安裝程式", u"演示 版本 2.5", u"版本：2.5"},
        {u"ENG", u"演示 Setup", u"演示 Version 2.5", u"Version: 2.5"},
    };
    for (const auto& c : cases) {
        const TLocalTexts texts(c.Language);
        EXPECT_EQ(c.Caption, Format(texts.ResInstallProgramTitleFmt(), {u"演示"}));
        EXPECT_EQ(c.DisplayName, Format(texts.ResAppVersionFmt(), {u"演示", u"2.5"}));
        EXPECT_EQ(c.Version, Format(texts.ResVersionFmt(), {u"2.5"}));
    }
    EXPECT_EQ(u"Failed to create destination directory: D:\\Apps\\Tool\\, please re-enter.",
              Format(TLocalTexts(u"ENG").ResCreateDestDirFailureFmt(), {u"D:\\Apps\\Tool\\"}));
}

TEST(LocalTexts, MainFormCaptions)
{
    const TMainFormCaptions chs = MainFormCaptions(u"CHS"), cht = MainFormCaptions(u"CHT"),
                            eng = MainFormCaptions(u"ENG");
    EXPECT_EQ(u"安装目录：", chs.lblDestDir);
    EXPECT_EQ(u"安裝目錄：", cht.lblDestDir);
    EXPECT_EQ(u"Destination:", eng.lblDestDir);
    EXPECT_EQ(u"同意", chs.cbLicense);
    EXPECT_EQ(chs.cbLicense, cht.cbLicense);
    EXPECT_EQ(u"Run", eng.btnRunApp);
    for (const TMainFormCaptions* c : {&chs, &cht, &eng}) EXPECT_EQ(c->lblWait, c->lblDetail);
    EXPECT_EQ(u"Please wait", MainFormCaptions(u"").lblWait);  // not a code: English
    EXPECT_EQ(u"代理服务器设置", ProxyLinkCaption);
}

TEST(LocalTexts, LicenseLinkMovesOnlyForEnglish)
{
    // Checkbox at 120, 42 wide; the link is designed at 167.
    EXPECT_EQ(178, LicenseLinkLeft(u"ENG", 120, 42, 167));
    EXPECT_EQ(167, LicenseLinkLeft(u"CHS", 120, 42, 167));
    EXPECT_EQ(167, LicenseLinkLeft(u"CHT", 120, 42, 167));
}

TEST(LocalTexts, LanguageDialogFollowsTheSystemLanguage)
{
    struct {
        const char16_t* System;
        const char16_t* Caption;
        const char16_t* Cancel;
    } cases[] = {
        {u"CHS", u"选择语言", u"取消"},          {u"CHT", u"選擇語言", u"取消"},
        {u"ENU", u"Select Language", u"Cancel"}, {u"ZHH", u"Select Language", u"Cancel"},
        {u"cht", u"Select Language", u"Cancel"}, {u"", u"Select Language", u"Cancel"},
    };
    for (const auto& c : cases) {
        const TSelectLangTexts texts = SelectLangTexts(c.System);
        EXPECT_EQ(c.Caption, texts.Caption) << Utf16ToUtf8(c.System);
        EXPECT_EQ(c.Cancel, texts.btnCancel) << Utf16ToUtf8(c.System);
    }
    EXPECT_EQ(u"Select the language to use during installation:", SelectLangTexts(u"ENU").lblPrompt);
    EXPECT_EQ(u"确定", SelectLangTexts(u"CHS").btnOK);
    EXPECT_EQ(u"简体中文", LanguageDisplayName(u"CHS"));
    EXPECT_EQ(u"繁体中文", LanguageDisplayName(u"CHT"));
    EXPECT_EQ(u"English", LanguageDisplayName(u"ENG"));
}

TEST(LocalTexts, CopyFailureDialog)
{
    const TCopyFileFailureTexts chs = CopyFileFailureTexts(u"CHS"), cht = CopyFileFailureTexts(u"CHT"),
                                other = CopyFileFailureTexts(u"XYZ");
    EXPECT_EQ(u"文件：C:\\a.dll\r\n\r\n失败原因：拒绝访问", Format(chs.InfoFmt, {u"C:\\a.dll", u"拒绝访问"}));
    EXPECT_EQ(u"File: C:\\a.dll\r\n\r\nFailure reason: Access denied",
              Format(other.InfoFmt, {u"C:\\a.dll", u"Access denied"}));
    EXPECT_EQ(u"複製檔案失敗", cht.Caption);
    EXPECT_EQ(u"退出安装", chs.btnAbort);
    EXPECT_EQ(u"Exit Setup", other.btnAbort);
    EXPECT_EQ(chs.btnIgnore, cht.btnIgnore);
}
