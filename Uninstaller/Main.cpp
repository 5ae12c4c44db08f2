// The uninstaller's entry point: Uninstall.exe in the destination, named by the installation's
// uninstall entry ("UninstallString", and "QuietUninstallString" with /SILENT).
#include "LuExceptions.h"
#include "LuHandles.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"
#include "SetupfnWin.h"
#include "UninstallEngine.h"
#include "UninstallForm.h"

#include <windows.h>

using namespace lu::ui;

namespace {

void WriteStdErr(const std::u16string& text) { TLuSysfnWin::WriteStdErr(u"uninstall: " + text); }

// An error nothing else handled: on standard error in every run (the only report of a window that
// could not be made), and in a message box unless the run is silent. The run then ends with
// ucUnhandledError.
void ReportCrash(std::exception_ptr error, bool silent, const std::u16string& caption)
{
    const std::u16string message = ExceptionMessage(error);
    WriteStdErr(u"error: " + message);
    if (silent) return;
    const std::u16string text = message + u"\r\n\r\nThe uninstaller cannot continue and will now end.";
    MessageBoxW(nullptr, W(text), W(caption), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// The silent run shows nothing.
class TSilentHost : public TUninstallHost {
public:
    void ProcessMessages() override {}
    void SetStatus(const std::u16string&) override {}
    void SetDetail(const std::u16string&) override {}
    void SetProgressMax(int) override {}
    void StepProgress() override {}
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // It runs as administrator from the destination, which its users may be able to write to.
    RestrictDllSearch();
    std::vector<std::u16string> args;
    for (int i = 1; i <= ParamCount(); ++i) args.push_back(ParamStr(i));
    const bool silent = IsSilentUninstall(args);
    TComInitializer com;
    InitSetupFolders();
    InitLocaleFormats();

    TUninstallEngine engine;
    std::u16string caption = u"Uninstall";
    try {
        engine.Init();
        caption = Format(engine.Texts().CaptionFmt, {ExtractFileName(ExcludeTrailingBackslash(engine.AppDir()))});
        std::u16string error;
        if (!engine.Load(error)) {
            const std::u16string message = Format(engine.Texts().DataErrorFmt, {error});
            if (silent)
                WriteStdErr(u"error: " + message);
            else
                TLuWinfn::MsgBox(nullptr, message, caption, MB_OK | MB_ICONERROR);
            return int(ucDataError);
        }
        caption = Format(engine.Texts().CaptionFmt, {engine.Title()});
        Application().SetTitle(caption);

        if (silent) {
            TSilentHost host;
            const TUninstallOutcome outcome = engine.Run(host);
            for (const std::u16string& item : outcome.Kept) WriteStdErr(u"kept: " + item);
            for (const std::u16string& item : outcome.Failed) WriteStdErr(u"error: cannot remove " + item);
            return int(outcome.ExitCode());
        }
    } catch (...) {
        ReportCrash(std::current_exception(), silent, caption);
        return int(ucUnhandledError);
    }

    // An error in an event handler leaves the window procedure and the message loop as an
    // exception that reaches the catch below.
    Application().OnException = [](std::exception_ptr error) { std::rethrow_exception(error); };
    std::unique_ptr<TUninstallForm> form;
    int code = ucUnhandledError;
    try {
        TUninstallView view;
        view.Title = engine.Title();
        view.Color = engine.MainFormColor();
        view.IconPng = engine.IconPng();
        view.Texts = engine.Texts();
        form = std::make_unique<TUninstallForm>(view, [&engine](TUninstallHost& host) { return engine.Run(host); });
        Application().SetMainForm(form.get());
        form->Show();
        Application().Run();
        code = form->ExitCode();
    } catch (...) {
        ReportCrash(std::current_exception(), false, caption);
    }
    Application().SetMainForm(nullptr);
    form.reset();
    return code;
}
