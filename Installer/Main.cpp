// The installer's entry point. Every run ends here: by returning from the message loop, by a
// TRunEnd with its exit code, or by an error that the crash report shows. The window, and with it
// the engine, is destroyed on each of these ways before the code is returned.
#include "CrashReport.h"
#include "LuHandles.h"
#include "LuSysUtilsWin.h"
#include "SetupfnWin.h"
#include "MainForm.h"
#include "SilentRun.h"

#include <windows.h>

using namespace lu::ui;

namespace {

bool IsSilentRun()
{
    std::vector<std::u16string> args;
    for (int i = 1; i <= ParamCount(); ++i) args.push_back(ParamStr(i));
    return TSetupEngine::IsSilentCommandLine(args);
}

TExitCode RunInstaller(bool silent)
{
    // An error or a run end in an event handler leaves the window procedure, and every message
    // loop it is in, as an exception that reaches the catch below.
    Application().OnException = [](std::exception_ptr error) { std::rethrow_exception(error); };
    std::unique_ptr<TMainForm> form;
    try {
        // A silent run shows nothing and so makes no window: it also installs where none can be
        // made.
        if (silent) return RunSilentInstall();
        form = std::make_unique<TMainForm>();
        Application().SetMainForm(form.get());
        Application().Run();
        return ecSuccess;  // the window closed outside the install
    } catch (const TRunEnd& end) {
        return end.Code;
    } catch (...) {
        // Reported while the window is still there, which the user may want to see.
        ReportCrash(std::current_exception(), silent);
        return ecUnhandledError;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // An installer is often started from a Downloads folder: before anything else is loaded.
    RestrictDllSearch();
    const bool silent = IsSilentRun();
    TComInitializer com;
    InitSetupFolders();
    InitLocaleFormats();
    const TExitCode code = RunInstaller(silent);
    Application().SetMainForm(nullptr);
    return int(code);
}
