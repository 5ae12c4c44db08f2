// The installer's entry point.
#include "CrashReport.h"
#include "LuHandles.h"
#include "LuSysUtilsWin.h"
#include "SetupfnWin.h"
#include "MainForm.h"

#include <windows.h>

using namespace lu::ui;

namespace {

bool IsSilentRun() {
    std::vector<std::u16string> args;
    for (int i = 1; i <= ParamCount(); ++i) args.push_back(ParamStr(i));
    return TSetupEngine::IsSilentCommandLine(args);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // An installer is often started from a Downloads folder: before anything else is loaded.
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
