// The installer's texts in its three languages: Simplified Chinese ("CHS"), Traditional Chinese
// ("CHT") and English ("ENG"). Portable: the Windows layer only puts them on controls.
//
// Lookup rule shared by every text here: "CHS" gives the Simplified Chinese text, "CHT" the
// Traditional Chinese one, any other value (also an empty one, before a language is chosen) the
// English one. Codes compare exactly, case counts.
#pragma once

#include <string>
#include <string_view>

// The three language codes.
inline constexpr std::u16string_view LangCHS = u"CHS";
inline constexpr std::u16string_view LangCHT = u"CHT";
inline constexpr std::u16string_view LangENG = u"ENG";

// One text in the three languages.
struct TLocalText {
    const char16_t* CHS;
    const char16_t* CHT;
    const char16_t* ENG;

    // The text of the language by the lookup rule above.
    std::u16string In(std::u16string_view language) const;
};

// The message and status texts of the engine. Formats end in "Fmt"; their "%s" markers are filled
// with Format (LuStrUtils) in the order the comment gives.
class TLocalTexts {
public:
    explicit TLocalTexts(std::u16string language = std::u16string()) : FLanguage(std::move(language)) {}

    const std::u16string& Language() const { return FLanguage; }
    void SetLanguage(std::u16string language) { FLanguage = std::move(language); }

    std::u16string ResAppVersionFmt() const;  // title, Version
    std::u16string ResCheckingOldVersion() const;
    std::u16string ResCreateDestDirFailureFmt() const;  // destination directory
    std::u16string ResCreatingShortCut() const;
    std::u16string ResDestDirCannotBeEmpty() const;
    std::u16string ResExit() const;
    std::u16string ResInstallComplete() const;
    std::u16string ResInstallProgramTitleFmt() const;  // title
    std::u16string ResInstalling() const;
    std::u16string ResModifyingRegistry() const;
    std::u16string ResNeedWin7OrHigher() const;
    std::u16string ResNeedWinXPOrHigher() const;
    std::u16string ResRunningAppFmt() const;  // program
    std::u16string ResSelectInstallPath() const;
    std::u16string ResSetupPackageError() const;
    std::u16string ResVerifyingSetup() const;
    std::u16string ResVersionFmt() const;             // Version
    std::u16string ResWriteDestDirFalureFmt() const;  // destination directory

private:
    std::u16string FLanguage;
};

// The fixed captions of the main window in one language (lookup rule above). The detail label
// starts with the wait label's text.
struct TMainFormCaptions {
    std::u16string lblDestDir;
    std::u16string btnDestDir;
    std::u16string cbLicense;
    std::u16string lblLicense;
    std::u16string btnInstall;
    std::u16string lblWait;
    std::u16string btnRunApp;
    std::u16string lblDetail;
};
TMainFormCaptions MainFormCaptions(std::u16string_view language);

// The proxy link reads the same in every language.
inline constexpr std::u16string_view ProxyLinkCaption = u"代理服务器设置";

// Left edge of the licence link: in English, 16 pixels right of the licence checkbox; the Chinese
// captions keep the designed place.
int LicenseLinkLeft(std::u16string_view language, int checkBoxLeft, int checkBoxWidth, int designedLeft);

// The language dialog. Its own captions follow the system language ("CHS", "CHT", otherwise
// English), not the languages the package offers.
struct TSelectLangTexts {
    std::u16string Caption;
    std::u16string lblPrompt;
    std::u16string btnOK;
    std::u16string btnCancel;
};
TSelectLangTexts SelectLangTexts(std::u16string_view systemLanguage);
// The entry of a language code in the dialog's list: "简体中文", "繁体中文", "English"; any
// other text stands for itself.
std::u16string LanguageDisplayName(std::u16string_view code);

// The copy-failure dialog, in the language its caller passes (lookup rule above). The message is
// InfoFmt filled with the file name, then the failure reason.
struct TCopyFileFailureTexts {
    std::u16string Caption;
    std::u16string btnRetry;
    std::u16string btnIgnore;
    std::u16string btnAbort;
    std::u16string InfoFmt;
};
TCopyFileFailureTexts CopyFileFailureTexts(std::u16string_view language);
