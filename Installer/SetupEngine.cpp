// The engine's start-up, the destination check and the order of the install stages.
#include "SetupEngine.h"

#include "InstallPlan.h"
#include "LanguageChoice.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "LuSysUtilsWin.h"
#include "PackageFormat.h"
#include "SetupScript.h"
#include "Setupfn.h"
#include "StartupRules.h"
#include "UninstallInfo.h"

namespace {

// The directory of an earlier installation as its uninstall key stored it.
std::optional<std::u16string> PreviousInstallLocation(const std::u16string& guid)
{
    std::u16string value;
    if (TLuRegfn::ReadString(HKEY_LOCAL_MACHINE, UninstallKeyName(guid), std::u16string(InstallLocationValueName),
                             value) != TLuRegfn::TReadResult::rrFound)
        return std::nullopt;
    return value;
}

}  // namespace

double NowDateTime()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    return TLuFilefn::SystemTimeToDateTime(st);
}

TSetupEngine::TSetupEngine(TInstallerHost& host) : FHost(host), FScript(std::make_unique<TSetupScript>()) {}

TSetupEngine::~TSetupEngine()
{
    FPackage.Close();  // the downloaded file stays locked while it is the package
    if (!FDownloadedSetupPath.empty()) DeleteFileW(W(FDownloadedSetupPath));
}

void TSetupEngine::EndUnattended(TExitCode code, const std::u16string& reason)
{
    TLuSysfnWin::WriteStdErr(u"setup: error: " + reason);
    throw TRunEnd{code};
}

void TSetupEngine::ParseCommandLine(const std::vector<std::u16string>& arguments)
{
    const TStartMode mode = ::ParseCommandLine(arguments);
    FSilent = mode == TStartMode::smSilent;
    FAuto = mode == TStartMode::smAuto;
}

bool TSetupEngine::IsSilentCommandLine(const std::vector<std::u16string>& arguments)
{
    return ::ParseCommandLine(arguments) == TStartMode::smSilent;
}

void TSetupEngine::LoadScript()
{
    FPackage = TPackageModule::Self();
    const TScriptResource which = ChooseScriptResource(FPackage.HasPackageResource(SetupScriptResID),
                                                       FPackage.HasPackageResource(MiniSetupScriptResID));
    if (which == TScriptResource::srNone) throw TRunEnd{ecNoScriptResource};
    FFullPackage = which == TScriptResource::srFull;
    TMemoryStream stream;
    FPackage.LoadPackageResource(ScriptResourceName(which), stream);
    stream.SetPosition(0);
    FScript->LoadFromStream(stream);
}

void TSetupEngine::InitLanguage()
{
    const TStartMode mode = FSilent ? TStartMode::smSilent : FAuto ? TStartMode::smAuto : TStartMode::smInteractive;
    const std::optional<std::u16string> language =
        ChooseLanguage(*FScript->BaseInfo, mode, TLuWinfn::GetUserLangAbbrev(),
                       [this](const std::vector<std::u16string>& available, std::u16string& chosen) {
                           return FHost.AskLanguage(available, chosen);
                       });
    if (!language) throw TRunEnd{ecSuccess};  // cancelled before anything was installed
    FLanguage = *language;
    FTexts.SetLanguage(FLanguage);
    FTitle = TitleOfLanguage(*FScript->BaseInfo, FLanguage);
    TSetupfn::GroupName = FTitle;
}

void TSetupEngine::CheckWinVersion()
{
    const TWinVersionEnum required = FScript->BaseInfo->WinVersion;
    const TWinVersion& v = TLuWinfn::WinVersion();
    if (IsWinVersionMet(required, v.PlatformId == VER_PLATFORM_WIN32_NT, v.Major, v.Minor)) return;
    FHost.ShowMessage(WinVersionMessage(FTexts, required));
    throw TRunEnd{ecWindowsTooOld};
}

std::u16string TSetupEngine::DefaultDestination() const
{
    return ::DefaultDestination(*FScript->BaseInfo, FTitle, PreviousInstallLocation(FScript->BaseInfo->GUID));
}

TColor TSetupEngine::MainFormColor() const { return FScript->BaseInfo->MainFormColor; }

const std::u16string& TSetupEngine::Version() const { return FScript->BaseInfo->Version; }

std::string TSetupEngine::LoadIcon()
{
    TMemoryStream stream;
    FPackage.LoadPackageResource(Utf16ToUtf8(FScript->BaseInfo->IconResID), stream);
    FIconPng = stream.ToString();
    return FIconPng;
}

std::u16string TSetupEngine::LoadLicenseText()
{
    const std::u16string resID = LicenseResIDOfLanguage(*FScript->BaseInfo, FLanguage);
    if (resID.empty() || !FPackage.HasPackageResource(Utf16ToUtf8(resID))) return {};
    TMemoryStream stream;
    FPackage.LoadPackageResource(Utf16ToUtf8(resID), stream);
    return DecodeLicenseText(stream.ToString(), AnsiToText);
}

TDestDirResult TSetupEngine::CheckDestDir(const std::u16string& fieldText, std::u16string& dir)
{
    const TDestDirCheck check = CheckDestDirText(fieldText);
    TSetupfn::AppDir = check.Trimmed;
    dir = check.Dir;
    if (check.Result == TDestDirCheck::dcEmpty) return TDestDirResult::drEmpty;
    TSetupfn::AppDir = dir;
    if (check.Result != TDestDirCheck::dcOk) return TDestDirResult::drCannotCreate;
    if (!DirectoryExists(dir)) {
        try {
            ForceDirectories(dir);
        } catch (const Exception&) {
            // Reported below, by the directory that is still missing.
        }
        if (!DirectoryExists(dir)) return TDestDirResult::drCannotCreate;
    }
    const std::u16string testFile = WriteTestFileName(dir, TLuStrfn::NewGUIDString());
    HANDLE h = CreateFileW(W(testFile), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool writable = h != INVALID_HANDLE_VALUE;
    if (writable) CloseHandle(h);
    DeleteFileW(W(testFile));
    return writable ? TDestDirResult::drOk : TDestDirResult::drCannotWrite;
}

std::u16string TSetupEngine::DestDirMessage(TDestDirResult result, const std::u16string& dir) const
{
    switch (result) {
        case TDestDirResult::drOk: break;
        case TDestDirResult::drEmpty: return FTexts.ResDestDirCannotBeEmpty();
        case TDestDirResult::drCannotCreate: return Format(FTexts.ResCreateDestDirFailureFmt(), {dir});
        case TDestDirResult::drCannotWrite: return Format(FTexts.ResWriteDestDirFalureFmt(), {dir});
    }
    return {};
}

void TSetupEngine::InstallStages(const std::function<void(const std::u16string&)>& setWaitText)
{
    FHost.SetProgressMax(ProgressMaximum(*FScript));
    setWaitText(FTexts.ResCheckingOldVersion());
    FHost.ProcessMessages();
    UninstallOldVersion();
    KillRunningApps();

    setWaitText(FTexts.ResInstalling());
    FHost.ProcessMessages();
    InstallFiles();
    WriteRegistry();
    CreateShortCuts();
    SaveUninstallData();
    WriteUninstallKey();
    RunSetupPrograms();
}

std::u16string TSetupEngine::RunButtonCaption() const { return ::RunButtonCaption(FTexts, *FScript->RunList); }
