// Clearing the way before the files are written: the quiet uninstall of an earlier installation
// and the end of running copies of the package's programs.
#include "SetupEngine.h"

#include "SetupScript.h"

#include "InstallPlan.h"
#include "LuSysUtilsWin.h"

namespace {

// "QuietUninstallString" of the key below HKEY_LOCAL_MACHINE; empty when the key or the value is
// missing. A value of another type than text is a broken entry and raises.
std::u16string ReadQuietUninstall(const std::u16string& keyName)
{
    const std::u16string valueName(QuietUninstallValueName);
    std::u16string value;
    switch (TLuRegfn::ReadString(HKEY_LOCAL_MACHINE, keyName, valueName, value)) {
        case TLuRegfn::TReadResult::rrFound: return value;
        case TLuRegfn::TReadResult::rrNotText:
            throw Exception(u"Invalid data type for '" + valueName + u"' of " + keyName);
        case TLuRegfn::TReadResult::rrMissing: break;
    }
    return {};
}

}  // namespace

void TSetupEngine::UninstallOldVersion()
{
    for (const std::u16string& keyName : OldVersionUninstallKeys(FScript->BaseInfo->GUID)) {
        const std::u16string command = ReadQuietUninstall(keyName);
        if (command.empty()) continue;
        HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        TLuWinfn::RunAndWait(command);  // its exit code tells us nothing we could act on
        Sleep(2000);
        SetCursor(previous);
    }
}

void TSetupEngine::KillRunningApps()
{
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
