#include "LocalTexts.h"

// Every Chinese text uses full-width punctuation; the status texts end in six ASCII full stops;
// the Simplified Chinese Windows texts have a blank after "请在", the Traditional ones none.

std::u16string TLocalText::In(std::u16string_view language) const
{
    if (language == LangCHS) return CHS;
    if (language == LangCHT) return CHT;
    return ENG;
}

namespace {

const TLocalText AppVersionFmt{u"%s 版本 %s", u"%s 版本 %s", u"%s Version %s"};
const TLocalText CheckingOldVersion{u"正在检查旧版本", u"正在檢查舊版本", u"Checking old version"};
const TLocalText CreateDestDirFailureFmt{u"创建安装目录失败：%s，请重新输入。", u"創建安裝目錄失敗：%s，請重新輸入。",
                                         u"Failed to create destination directory: %s, please re-enter."};
const TLocalText CreatingShortCut{u"正在创建快捷方式......", u"正在創建快捷方式......", u"Creating shortcut......"};
const TLocalText DestDirCannotBeEmpty{u"安装目录不能为空，请重新输入。", u"安裝目錄不能為空，請重新輸入。",
                                      u"The Destination directory cannot be empty, please re-enter."};
const TLocalText Exit{u"退出", u"退出", u"Exit"};
const TLocalText InstallComplete{u"安装完成", u"安裝完成", u"Installation Complete"};
const TLocalText InstallProgramTitleFmt{u"%s 安装程序", u"%s 安裝程式", u"%s Setup"};
const TLocalText Installing{u"正在安装", u"正在安裝", u"Installing"};
const TLocalText ModifyingRegistry{u"正在修改注册表......", u"正在修改註冊表......", u"Modifying registry......"};
const TLocalText NeedWin7OrHigher{u"请在 Windows 7 及以上版本系统中安装本软件。",
                                  u"請在Windows 7 及以上版本系統中安裝本軟件。",
                                  u"Please install this software in Windows 7 or higher."};
const TLocalText NeedWinXPOrHigher{u"请在 Windows XP 及以上版本系统中安装本软件。",
                                   u"請在Windows XP 及以上版本系統中安裝本軟件。",
                                   u"Please install this software in Windows XP or higher."};
const TLocalText RunningAppFmt{u"正在运行程序：%s", u"正在運行程式：%s", u"Running program: %s"};
const TLocalText SelectInstallPath{u"选择安装目录", u"選擇安裝目錄", u"Select Destination"};
const TLocalText SetupPackageError{u"安装包错误。", u"安裝包錯誤。", u"Installation Package Error."};
const TLocalText VerifyingSetup{u"正在验证安装......", u"正在驗證安裝......", u"Verifying installation......"};
const TLocalText VersionFmt{u"版本：%s", u"版本：%s", u"Version: %s"};
const TLocalText WriteDestDirFalureFmt{u"尝试在安装目录写入文件失败：%s，请重新输入。",
                                       u"嘗試在安裝目錄寫入檔案失敗：%s，請重新輸入。",
                                       u"Attempt to write file in destination directory failed: %s, please re-enter."};

// Main window captions.
const TLocalText DestDirLabel{u"安装目录：", u"安裝目錄：", u"Destination:"};
const TLocalText BrowseButton{u"浏览...", u"瀏覽...", u"Browse..."};
const TLocalText LicenseCheckBox{u"同意", u"同意", u"Agree"};
const TLocalText LicenseLink{u"用户许可协议", u"用戶授權合約", u"User License Agreement"};
const TLocalText InstallButton{u"立即安装", u"立即安裝", u"Install"};
const TLocalText WaitLabel{u"请等待", u"請等待", u"Please wait"};
const TLocalText RunButton{u"立即体验", u"立即體驗", u"Run"};

// Language dialog.
const TLocalText SelectLangCaption{u"选择语言", u"選擇語言", u"Select Language"};
const TLocalText SelectLangPrompt{u"请选择安装过程中要使用的语言：", u"請選擇安裝過程中要使用的語言：",
                                  u"Select the language to use during installation:"};
const TLocalText OkButton{u"确定", u"確定", u"OK"};
const TLocalText CancelButton{u"取消", u"取消", u"Cancel"};

// Copy-failure dialog.
const TLocalText CopyFailureCaption{u"复制文件失败", u"複製檔案失敗", u"Failed to copy file"};
const TLocalText RetryButton{u"重试", u"重試", u"Retry"};
const TLocalText IgnoreButton{u"忽略", u"忽略", u"Ignore"};
const TLocalText AbortButton{u"退出安装", u"退出安裝", u"Exit Setup"};
const TLocalText CopyFailureInfoFmt{u"文件：%s\r\n\r\n失败原因：%s", u"檔案：%s\r\n\r\n失敗原因：%s",
                                    u"File: %s\r\n\r\nFailure reason: %s"};

}  // namespace

std::u16string TLocalTexts::ResAppVersionFmt() const { return AppVersionFmt.In(FLanguage); }
std::u16string TLocalTexts::ResCheckingOldVersion() const { return CheckingOldVersion.In(FLanguage); }
std::u16string TLocalTexts::ResCreateDestDirFailureFmt() const { return CreateDestDirFailureFmt.In(FLanguage); }
std::u16string TLocalTexts::ResCreatingShortCut() const { return CreatingShortCut.In(FLanguage); }
std::u16string TLocalTexts::ResDestDirCannotBeEmpty() const { return DestDirCannotBeEmpty.In(FLanguage); }
std::u16string TLocalTexts::ResExit() const { return Exit.In(FLanguage); }
std::u16string TLocalTexts::ResInstallComplete() const { return InstallComplete.In(FLanguage); }
std::u16string TLocalTexts::ResInstallProgramTitleFmt() const { return InstallProgramTitleFmt.In(FLanguage); }
std::u16string TLocalTexts::ResInstalling() const { return Installing.In(FLanguage); }
std::u16string TLocalTexts::ResModifyingRegistry() const { return ModifyingRegistry.In(FLanguage); }
std::u16string TLocalTexts::ResNeedWin7OrHigher() const { return NeedWin7OrHigher.In(FLanguage); }
std::u16string TLocalTexts::ResNeedWinXPOrHigher() const { return NeedWinXPOrHigher.In(FLanguage); }
std::u16string TLocalTexts::ResRunningAppFmt() const { return RunningAppFmt.In(FLanguage); }
std::u16string TLocalTexts::ResSelectInstallPath() const { return SelectInstallPath.In(FLanguage); }
std::u16string TLocalTexts::ResSetupPackageError() const { return SetupPackageError.In(FLanguage); }
std::u16string TLocalTexts::ResVerifyingSetup() const { return VerifyingSetup.In(FLanguage); }
std::u16string TLocalTexts::ResVersionFmt() const { return VersionFmt.In(FLanguage); }
std::u16string TLocalTexts::ResWriteDestDirFalureFmt() const { return WriteDestDirFalureFmt.In(FLanguage); }

TMainFormCaptions MainFormCaptions(std::u16string_view language)
{
    TMainFormCaptions c;
    c.lblDestDir = DestDirLabel.In(language);
    c.btnDestDir = BrowseButton.In(language);
    c.cbLicense = LicenseCheckBox.In(language);
    c.lblLicense = LicenseLink.In(language);
    c.btnInstall = InstallButton.In(language);
    c.lblWait = WaitLabel.In(language);
    c.btnRunApp = RunButton.In(language);
    c.lblDetail = c.lblWait;
    return c;
}

int LicenseLinkLeft(std::u16string_view language, int checkBoxLeft, int checkBoxWidth, int designedLeft)
{
    // "Agree" is wider than "同意": the link moves so that it never covers the checkbox.
    return language == LangENG ? checkBoxLeft + checkBoxWidth + 16 : designedLeft;
}

TSelectLangTexts SelectLangTexts(std::u16string_view systemLanguage)
{
    return {SelectLangCaption.In(systemLanguage), SelectLangPrompt.In(systemLanguage), OkButton.In(systemLanguage),
            CancelButton.In(systemLanguage)};
}

std::u16string LanguageDisplayName(std::u16string_view code)
{
    if (code == LangCHS) return u"简体中文";
    if (code == LangCHT) return u"繁体中文";
    if (code == LangENG) return u"English";
    return std::u16string(code);
}

TCopyFileFailureTexts CopyFileFailureTexts(std::u16string_view language)
{
    return {CopyFailureCaption.In(language), RetryButton.In(language), IgnoreButton.In(language),
            AbortButton.In(language), CopyFailureInfoFmt.In(language)};
}
