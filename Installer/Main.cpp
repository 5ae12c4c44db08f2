// The installer's entry point.
#include "CrashReport.h"
#include "LuHandles.h"
#include "LuSysUtilsWin.h"
#include "MainForm.h"

#include <windows.h>

namespace {

// An installer is often started from a Downloads folder, where anyone may have left a DLL named
// like a system one. From here on the loader takes DLLs from the system folder only. The imports
// of this executable were resolved before this line: they are all KnownDLLs, which Windows always
// takes from the system folder; everything else is loaded at run time with LoadSystemDll.
void RestrictDllSearch() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    using TSetSearchPathMode = BOOL(WINAPI*)(DWORD);
    // Present from Windows 8, and on Vista and 7 with KB2533623; looked up so that the executable
    // still starts without it.
    auto setDefault = reinterpret_cast<TSetDefaultDllDirectories>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Without it, at least the current folder leaves the search.
    SetDllDirectoryW(L"");
    auto setSearchPathMode = reinterpret_cast<TSetSearchPathMode>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetSearchPathMode")));
    if (setSearchPathMode) setSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
}

bool IsSilentRun() {
    std::vector<std::u16string> args;
    for (int i = 1; i <= ParamCount(); ++i) args.push_back(ParamStr(i));
    return TSetupEngine::IsSilentCommandLine(args);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearch();
    const bool silent = IsSilentRun();
    TComInitializer com;
    InitSetupFolders();
    InitLocaleFormats();

    Application().OnException = [silent](std::exception_ptr error) { ReportCrash(error, silent); };
    std::unique_ptr<TMainForm> form;
    try {
        form = std::make_unique<TMainForm>();
    } catch (...) {
        ReportCrash(std::current_exception(), silent);
    }
    Application().SetMainForm(form.get());
    Application().Run();
    // The orderly end: the window closed outside the install.
    form.reset();
    return int(ecSuccess);
}
