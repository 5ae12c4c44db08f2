// Reading the data files and removing the installation: files and shortcuts, registry values, the
// uninstall entry, the data files, the program itself and the folders left empty.
#include "UninstallEngine.h"

#include "InstallPlan.h"
#include "LanguageChoice.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "LuSysUtilsWin.h"
#include "SetupScript.h"
#include "Setupfn.h"
#include "UninstallInfo.h"
#include "UninstallRules.h"

#include <windows.h>

#include <algorithm>

namespace {

// The system's text for an error, quoted inside a sentence: without its final full stop.
std::u16string ErrorText(DWORD code)
{
    std::u16string result = SysErrorMessage(code);
    if (!result.empty() && result.back() == u'.') result.pop_back();
    return result;
}

// A string value, or nothing when the key or the value is missing or is not text.
bool ReadRegText(HKEY root, const std::u16string& keyName, const std::u16string& valueName, std::u16string& value)
{
    return TLuRegfn::ReadString(root, keyName, valueName, value) == TLuRegfn::TReadResult::rrFound;
}

std::string ReadWholeFile(const std::u16string& path, const char16_t* name)
{
    TUniqueHandle file(
        CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw EUninstallDataError(std::u16string(name) + u" cannot be read: " + ErrorText(GetLastError()));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 256LL * 1024 * 1024)
        throw EUninstallDataError(std::u16string(name) + u" is damaged: it is too large");
    std::string bytes(size_t(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.Get(), bytes.data(), DWORD(bytes.size()), &read, nullptr) || read != bytes.size()))
        throw EUninstallDataError(std::u16string(name) + u" cannot be read: " + ErrorText(GetLastError()));
    return bytes;
}

// A file time as the local TDateTime the installer gave the file.
TDateTime LocalDateTime(const FILETIME& utc)
{
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return 0;
    return TLuFilefn::SystemTimeToDateTime(st);
}

bool IsReparsePoint(const std::u16string& path)
{
    const DWORD attrs = GetFileAttributesW(W(path));
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The path the system resolves an open handle to, without the "\\?\" prefix; empty when unknown.
std::u16string FinalPath(HANDLE handle)
{
    wchar_t buf[32768];
    const DWORD n = GetFinalPathNameByHandleW(handle, buf, 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= 32768) return {};
    std::u16string p = U16(buf);
    if (p.compare(0, 8, u"\\\\?\\UNC\\") == 0) return u"\\\\" + p.substr(8);
    if (p.compare(0, 4, u"\\\\?\\") == 0) return p.substr(4);
    return p;
}

std::u16string FinalFolderPath(const std::u16string& folder)
{
    TUniqueHandle dir(CreateFileW(W(folder), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return dir ? IncludeTrailingBackslash(FinalPath(dir.Get())) : std::u16string();
}

enum class TDeleteResult { drDeleted, drGone, drChanged, drRedirected, drFailed };

// Deletes one file of the installation through a handle that was checked to lie below the root
// as the system resolves it, so nothing swapped in on the way (a junction, a link) is followed.
TDeleteResult DeleteInstalledFile(const TFileRemoval& item, DWORD& error)
{
    const DWORD attrs = GetFileAttributesW(W(item.Path));
    if (attrs == INVALID_FILE_ATTRIBUTES) return TDeleteResult::drGone;
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) return TDeleteResult::drChanged;  // a folder now: not the installer's
    // No reparse point on the way from the root, the file itself included.
    if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) return TDeleteResult::drRedirected;
    for (const std::u16string& folder : FoldersBelowRoot(item.Path, item.Root))
        if (IsReparsePoint(folder)) return TDeleteResult::drRedirected;

    if (attrs & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(W(item.Path), attrs & ~FILE_ATTRIBUTE_READONLY);
    TUniqueHandle file(CreateFileW(W(item.Path), DELETE | FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        error = GetLastError();
        if (attrs & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(W(item.Path), attrs);
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TDeleteResult::drGone
                                                                              : TDeleteResult::drFailed;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.Get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return TDeleteResult::drRedirected;
    const std::u16string finalRoot = FinalFolderPath(item.Root);
    const std::u16string finalPath = FinalPath(file.Get());
    if (!finalRoot.empty() && !finalPath.empty() &&
        (finalPath.size() <= finalRoot.size() || !SameText(finalPath.substr(0, finalRoot.size()), finalRoot)))
        return TDeleteResult::drRedirected;
    if (!item.ShortCut) {
        const int64_t size = (int64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        if (!IsUnchangedFile(item, size, LocalDateTime(info.ftLastWriteTime))) {
            if (attrs & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(W(item.Path), attrs);
            return TDeleteResult::drChanged;
        }
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition)) {
        error = GetLastError();
        return TDeleteResult::drFailed;
    }
    return TDeleteResult::drDeleted;
}

bool KeyIsEmpty(HKEY root, const std::u16string& keyName)
{
    const TRegKey key = OpenRegKey(root, W(keyName), KEY_QUERY_VALUE);
    if (!key) return false;
    DWORD subKeys = 1, values = 1;
    return RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys == 0 && values == 0;
}

HKEY RootHandle(uint32_t root) { return reinterpret_cast<HKEY>(uintptr_t(root)); }

}  // namespace

TUninstallEngine::TUninstallEngine()
    : FScript(std::make_unique<TSetupScript>()), FPlan(std::make_unique<TUninstallPlan>())
{}

TUninstallEngine::~TUninstallEngine() = default;

void TUninstallEngine::Init()
{
    FSelfPath = ModuleFileName();
    FAppDir = ExtractFilePath(FSelfPath);
    TSetupfn::AppDir = FAppDir;
    FLanguage = UninstallLanguage(u"", TLuWinfn::GetUserLangAbbrev());
    FTexts = UninstallTexts(FLanguage);
}

bool TUninstallEngine::Load(std::u16string& error)
{
    try {
        LoadDataFiles();
    } catch (const EUninstallDataError& e) {
        error = e.Message();
        return false;
    }
    return true;
}

void TUninstallEngine::LoadDataFiles()
{
    FScript = LoadUninstallScript(ReadWholeFile(FAppDir + std::u16string(UninstallScriptFileName), u"Uninstall.da1"));
    FIconPng = LoadUninstallIcon(ReadWholeFile(FAppDir + std::u16string(UninstallIconFileName), u"Uninstall.da2"));
    std::u16string recorded;
    ReadRegText(HKEY_LOCAL_MACHINE, UninstallKeyName(FScript->BaseInfo->GUID), u"InstallLanguage", recorded);
    FLanguage = UninstallLanguage(recorded, TLuWinfn::GetUserLangAbbrev());
    FTexts = UninstallTexts(FLanguage);
    FTitle = TitleOfLanguage(*FScript->BaseInfo, FLanguage);
    // The installer expanded every path with the title of its language as the group name.
    TSetupfn::GroupName = FTitle;
    FPlan = std::make_unique<TUninstallPlan>();
    *FPlan = PlanUninstall(*FScript, TRemovalRoots::FromSetupFolders(), FSelfPath);
}

TColor TUninstallEngine::MainFormColor() const { return FScript->BaseInfo->MainFormColor & 0x00FFFFFF; }

int TUninstallEngine::Steps() const { return int(FPlan->Files.size() + FPlan->Values.size()) + 1; }

TUninstallOutcome TUninstallEngine::Run(TUninstallHost& host)
{
    TUninstallOutcome outcome;
    for (const TRefusedPath& r : FPlan->Refused)
        outcome.Kept.push_back(r.Path + (r.Verdict == TPathVerdict::pvOutside ? u" (outside the folders it may remove)"
                                                                              : u" (not a plain path)"));
    host.SetProgressMax(Steps());
    host.SetStatus(FTexts.ClosingPrograms);
    host.ProcessMessages();
    EndPrograms(host);
    host.SetStatus(Format(FTexts.RemovingFmt, {FTitle}));
    host.ProcessMessages();
    RemoveFiles(host, outcome);
    RemoveRegistryValues(host, outcome);
    RemoveUninstallEntry(outcome);
    RemoveDataFiles(outcome);
    RemoveSelf(outcome);
    RemoveFolders(outcome);
    host.StepProgress();
    host.SetDetail(u"");
    return outcome;
}

void TUninstallEngine::EndPrograms(TUninstallHost& host)
{
    // By its full path: a taskkill.exe in the destination must not run with administrator rights.
    const std::u16string taskkill = u"\"" + SystemDirectory() + u"\\taskkill.exe\"";
    for (const std::u16string& name : FPlan->ProgramsToEnd) {
        std::u16string command = TaskKillCommand(name);
        command.replace(0, command.find(u' '), taskkill);
        host.SetDetail(name);
        TLuWinfn::RunConsole(command);
        Sleep(300);  // lets the system release the ended program's files
    }
}

void TUninstallEngine::RemoveFiles(TUninstallHost& host, TUninstallOutcome& outcome)
{
    for (const TFileRemoval& item : FPlan->Files) {
        host.StepProgress();
        host.SetDetail(item.Path);
        host.ProcessMessages();
        DWORD error = 0;
        switch (DeleteInstalledFile(item, error)) {
            case TDeleteResult::drDeleted:
            case TDeleteResult::drGone: break;
            case TDeleteResult::drChanged:
                outcome.Kept.push_back(item.Path + u" (changed since the installation)");
                break;
            case TDeleteResult::drRedirected:
                outcome.Kept.push_back(item.Path + u" (a link or junction on the way)");
                break;
            case TDeleteResult::drFailed: outcome.Failed.push_back(item.Path + u" (" + ErrorText(error) + u")"); break;
        }
    }
}

void TUninstallEngine::RemoveRegistryValues(TUninstallHost& host, TUninstallOutcome& outcome)
{
    for (const TRegRemoval& v : FPlan->Values) {
        host.StepProgress();
        LONG open = ERROR_SUCCESS;
        const TRegKey key = OpenRegKey(RootHandle(v.Root), W(v.SubKey), KEY_SET_VALUE, &open);
        if (open == ERROR_FILE_NOT_FOUND) continue;
        const LONG rc = key ? RegDeleteValueW(key.Get(), W(v.ValueName)) : open;
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
            outcome.Failed.push_back(v.SubKey + u"\\" + v.ValueName + u" (" + ErrorText(DWORD(rc)) + u")");
    }
    // Keys left empty go, deepest first; a key that still holds anything stops the climb.
    std::vector<std::pair<uint32_t, std::u16string>> keys;
    for (const TRegRemoval& v : FPlan->Values)
        for (const std::u16string& k : RegistryKeysToTry(v.SubKey))
            if (std::none_of(keys.begin(), keys.end(),
                             [&](const auto& e) { return e.first == v.Root && SameText(e.second, k); }))
                keys.emplace_back(v.Root, k);
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
        return std::count(a.second.begin(), a.second.end(), u'\\') >
               std::count(b.second.begin(), b.second.end(), u'\\');
    });
    for (const auto& [root, k] : keys)
        if (KeyIsEmpty(RootHandle(root), k)) RegDeleteKeyW(RootHandle(root), W(k));
}

void TUninstallEngine::RemoveUninstallEntry(TUninstallOutcome& outcome)
{
    const std::u16string keyName = UninstallKeyName(FScript->BaseInfo->GUID);
    // Only the entry of this installation: a later one of the same product elsewhere stays.
    std::u16string location;
    if (!ReadRegText(HKEY_LOCAL_MACHINE, keyName, std::u16string(InstallLocationValueName), location)) return;
    if (!SameText(ExcludeTrailingBackslash(location), ExcludeTrailingBackslash(FAppDir))) {
        outcome.Kept.push_back(u"HKLM\\" + keyName + u" (it belongs to the installation in " + location + u")");
        return;
    }
    {
        const TRegKey key = OpenRegKey(HKEY_LOCAL_MACHINE, W(keyName), KEY_SET_VALUE);
        if (!key) {
            outcome.Failed.push_back(u"HKLM\\" + keyName);
            return;
        }
        TUninstallContext context;
        for (const TUninstallValue& v : UninstallValues(*FScript, context)) RegDeleteValueW(key.Get(), W(v.Name));
    }
    if (KeyIsEmpty(HKEY_LOCAL_MACHINE, keyName)) {
        const LONG rc = RegDeleteKeyW(HKEY_LOCAL_MACHINE, W(keyName));
        if (rc != ERROR_SUCCESS) outcome.Failed.push_back(u"HKLM\\" + keyName + u" (" + ErrorText(DWORD(rc)) + u")");
    }
}

void TUninstallEngine::RemoveDataFiles(TUninstallOutcome& outcome)
{
    for (std::u16string_view name : {UninstallScriptFileName, UninstallIconFileName}) {
        const std::u16string path = FAppDir + std::u16string(name);
        if (!DeleteFileW(W(path)) && GetLastError() != ERROR_FILE_NOT_FOUND)
            outcome.Failed.push_back(path + u" (" + ErrorText(GetLastError()) + u")");
    }
}

// A running program cannot delete its own file. It is moved out of the destination into a new
// folder of the temporary folder (a rename: same volume, allowed for a running image) and both
// are deleted at the next restart, as Windows Installer does with files in use. The destination
// is free at once, and a new installation that follows finds nothing of this one in its way.
void TUninstallEngine::RemoveSelf(TUninstallOutcome& outcome)
{
    const std::u16string temp = TLuWinfn::GetTempDir();
    const std::u16string folder = temp + u"LuUninstall-" + TLuStrfn::NewGUIDString();
    const std::u16string moved = folder + u"\\" + ExtractFileName(FSelfPath);
    if (!temp.empty() && CreateDirectoryW(W(folder), nullptr)) {
        if (MoveFileExW(W(FSelfPath), W(moved), 0)) {
            MoveFileExW(W(moved), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            MoveFileExW(W(folder), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            FSelfMovedOut = true;
            return;
        }
        RemoveDirectoryW(W(folder));
    }
    // Another volume: renamed in place under a name no installation uses, and deleted at the
    // restart; the destination folder goes then too when it is empty.
    const std::u16string renamed = FAppDir + u"~uninstall-" + TLuStrfn::NewGUIDString() + u".tmp";
    const std::u16string pending = MoveFileExW(W(FSelfPath), W(renamed), 0) ? renamed : FSelfPath;
    if (pending == renamed) SetFileAttributesW(W(renamed), FILE_ATTRIBUTE_HIDDEN);
    if (!MoveFileExW(W(pending), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        outcome.Failed.push_back(FSelfPath + u" (" + ErrorText(GetLastError()) + u")");
    MoveFileExW(W(ExcludeTrailingBackslash(FAppDir)), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void TUninstallEngine::RemoveFolders(TUninstallOutcome& outcome)
{
    for (const std::u16string& folder : FPlan->Folders) {
        const DWORD attrs = GetFileAttributesW(W(folder));
        if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // not ours to follow or remove
        RemoveDirectoryW(W(folder));                         // fails, as it should, while anything is left inside
    }
    const std::u16string dest = ExcludeTrailingBackslash(FAppDir);
    if (FSelfMovedOut && GetFileAttributesW(W(dest)) != INVALID_FILE_ATTRIBUTES) outcome.KeptFolder = dest;
}
