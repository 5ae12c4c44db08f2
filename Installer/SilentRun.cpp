// The /Silent run: the engine driven through a host that has no window. The order of the steps is
// the window's (start-up in TMainForm's constructor, then TMainForm::InstallRun and the Run
// button's end), less everything that is only shown.
#include "SilentRun.h"

#include "LuSysUtilsWin.h"
#include "MainForm.h"
#include "SetupEngine.h"

namespace {

class TSilentHost : public TInstallerHost {
public:
    HWND HostWindow() const override { return nullptr; }
    void ProcessMessages() override {}
    // A silent run shows a message only on its way to an end with an error code.
    void ShowMessage(const std::u16string& text) override { TLuSysfnWin::WriteStdErr(u"setup: error: " + text); }
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    void StepProgress() override {}
    void FillProgress() override {}
    void SetDetail(const std::u16string&) override {}
    // Never asked in a silent run (the engine decides without asking); each answer is the one
    // that ends the run rather than one that waits.
    bool AskLanguage(const std::vector<std::u16string>&, std::u16string&) override { return false; }
    int AskCopyFailure(const std::u16string&, const std::u16string&, const std::u16string&) override { return 3; }
    bool AskDownloadFailure(const std::u16string&, const std::u16string&) override { return true; }
    // Every run starts without a proxy, and a silent one has no dialog to set one.
    THttpProxyValues ProxySettings() const override { return THttpProxyValues(); }
};

}  // namespace

TExitCode RunSilentInstall()
{
    TSilentHost host;
    TSetupEngine engine(host);
    std::vector<std::u16string> args;
    for (int i = 1; i <= ParamCount(); ++i) args.push_back(ParamStr(i));
    engine.ParseCommandLine(args);
    engine.LoadScript();
    engine.InitLanguage();
    engine.CheckWinVersion();
    // The package is checked as in a window run before anything changes: the icon the uninstall
    // data keeps, and the licence text.
    CheckProductIcon(engine.LoadIcon());
    engine.LoadLicenseText();

    std::u16string dir;
    const TDestDirResult result = engine.CheckDestDir(engine.DefaultDestination(), dir);
    if (result != TDestDirResult::drOk) {
        host.ShowMessage(engine.DestDirMessage(result, dir));
        throw TRunEnd{ecDestDirRefused};
    }
    // Unattended, a failed download ends the run inside; false would mean the user chose to go back.
    if (!engine.FullPackage() && !engine.DownloadFullSetup()) throw TRunEnd{ecDownloadFailed};
    engine.InstallStages([](const std::u16string&) {});
    engine.VisitGotoUrl();
    engine.StartPrograms(nullptr);
    return ecSuccess;
}
