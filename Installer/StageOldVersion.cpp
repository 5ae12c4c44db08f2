// Clearing the way before the files are written: the quiet uninstall of an earlier installation
// and the end of running copies of the package's programs.
#include "SetupEngine.h"

#include "SetupScript.h"

#include "InstallPlan.h"
#include "LuSysUtilsWin.h"

namespace {
const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
}  // namespace

namespace {

// "QuietUninstallString" of the key below HKEY_LOCAL_MACHINE; empty when the key or the value is
// missing. A value of another type than text is a broken entry and raises.
std::u16string ReadQuietUninstall(const std::u16string& keyName) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(keyName), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    TRegKey owned(key);
    const std::u16string valueName(QuietUninstallValueName);
    const wchar_t* name = W(valueName);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw Exception(u"Invalid data type for '" + valueName + u"' of " + keyName);
    std::u16string value(size / 2 + 1, u'\0');
    size = DWORD(value.size() * 2);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
        return {};
    value.resize(size / 2);
    while (!value.empty() && value.back() == u'\0') value.pop_back();
    return value;
}

}  // namespace

void TSetupEngine::UninstallOldVersion() {
    for (const std::u16string& keyName : OldVersionUninstallKeys(FScript->BaseInfo->GUID)) {
        const std::u16string command = ReadQuietUninstall(keyName);
        if (command.empty()) continue;
        HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        TLuWinfn::RunAndWait(command);  // its exit code tells us nothing we could act on
        Sleep(2000);
        SetCursor(previous);
    }
}

void TSetupEngine::KillRunningApps() {
    // taskkill by its full path: a bare name would be looked for first in the installer's own
    // folder, where a planted taskkill.exe would run with administrator rights.
    const std::u16string taskkill = u"\"" + SystemDirectory() + u"\\taskkill.exe\"";
    for (const std::u16string& name : ProcessesToEnd(*FScript->FileList, ParamStr(0))) {
        std::u16string command = TaskKillCommand(name);
        command.replace(0, command.find(u' '), taskkill);
        TLuWinfn::RunConsole(command);
        Sleep(300);
    }
}
