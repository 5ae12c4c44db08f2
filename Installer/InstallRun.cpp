// The install run as the window sees it: the destination check with its messages, the progress
// and completion layouts, the way back to the input layout after a failed download, and the end
// of the run. The stages themselves are the engine's.
#include "MainForm.h"

#include "Dialogs.h"
#include "LuStrUtils.h"

using namespace lu::ui;

void TMainForm::btnInstallClick(TObject*) { InstallRun(); }

void TMainForm::InstallRun()
{
    if (!CheckDestDir()) {
        // An unattended run has no window in which the user could correct the directory: it ends
        // here instead of waiting, hidden, for a click that never comes.
        if (FEngine.Silent() || FEngine.Auto()) throw TRunEnd{ecDestDirRefused};
        return;
    }
    FInstallState = TInstallState::isInstalling;
    ShowProgressLayout();
    if (!FEngine.FullPackage() && !DownloadFullSetup()) return;
    FEngine.InstallStages([this](const std::u16string& text) { lblWait->SetCaption(text); });
    FInstallState = TInstallState::isComplete;
    ShowCompleteLayout();
    FEngine.VisitGotoUrl();
    if (FEngine.Silent() || FEngine.Auto()) btnRunAppClick(btnRunApp);
}

bool TMainForm::CheckDestDir()
{
    std::u16string dir;
    const TDestDirResult result = FEngine.CheckDestDir(edtDestDir->Text(), dir);
    if (result == TDestDirResult::drOk) return true;
    ShowMessage(FEngine.DestDirMessage(result, dir));
    if (result == TDestDirResult::drEmpty && edtDestDir->Showing()) edtDestDir->SetFocus();
    return false;
}

void TMainForm::ShowProgressLayout()
{
    lblAppTitle->SetCaption(FEngine.Texts().ResInstalling());
    for (TControl* c : std::initializer_list<TControl*>{lblVersion, btnInstall, lblDestDir, edtDestDir, btnDestDir,
                                                        cbLicense, lblLicense, lblProxy})
        c->SetVisible(false);
    const int width = pnlBottom->ClientWidth() - 32;
    pbProgress->SetBounds(16, pbProgress->Top(), width, pbProgress->Height());
    pbProgress->SetVisible(true);
    lblWait->SetBounds(16, lblWait->Top(), width, lblWait->Height());
    lblWait->SetVisible(true);
    lblDetail->SetBounds(16, lblDetail->Top(), width, lblDetail->Height());
    lblDetail->SetCaption(u"");
    lblDetail->SetVisible(true);
}

bool TMainForm::DownloadFullSetup()
{
    if (FEngine.DownloadFullSetup()) return true;
    RestoreInputLayout();
    return false;
}

void TMainForm::RestoreInputLayout()
{
    FInstallState = TInstallState::isReady;
    lblWait->SetVisible(false);
    pbProgress->SetVisible(false);
    lblDetail->SetVisible(false);
    lblAppTitle->SetCaption(FEngine.Title());
    for (TControl* c : std::initializer_list<TControl*>{lblVersion, btnInstall, lblDestDir, edtDestDir, btnDestDir})
        c->SetVisible(true);
    // A package without a licence text for the language showed no checkbox and link at start-up,
    // and shows none now.
    cbLicense->SetVisible(!FLicenseText.empty());
    lblLicense->SetVisible(!FLicenseText.empty());
    lblProxy->SetVisible(!FEngine.FullPackage());
    UpdateInstallEnabled();
    if (btnInstall->Showing() && btnInstall->Enabled()) btnInstall->SetFocus();
}

void TMainForm::ShowCompleteLayout()
{
    lblAppTitle->SetCaption(FEngine.Texts().ResInstallComplete());
    pbProgress->SetVisible(false);
    lblWait->SetVisible(false);
    lblDetail->SetVisible(false);
    btnRunApp->SetCaption(FEngine.RunButtonCaption());
    btnRunApp->SetLeft((pnlBottom->ClientWidth() - btnRunApp->Width()) / 2);
    btnRunApp->SetVisible(true);
    if (btnRunApp->Showing()) btnRunApp->SetFocus();
}

void TMainForm::HandleRunApps()
{
    Hide();
    Application().ProcessMessages();
    FEngine.StartPrograms(Handle());
    throw TRunEnd{ecSuccess};  // out of the message loop to wWinMain
}

// ---- What the engine asks of the window ---------------------------------------------------------

void TMainForm::ProcessMessages() { Application().ProcessMessages(); }

void TMainForm::ShowMessage(const std::u16string& text) { TLuVclfn::ShowMessage(Handle(), text); }

void TMainForm::SetProgressMax(int maximum)
{
    pbProgress->SetRange(0, maximum);
    pbProgress->SetPosition(0);
}

void TMainForm::SetProgressPosition(int position) { pbProgress->SetPosition(position); }

void TMainForm::StepProgress() { pbProgress->StepBy(1); }

void TMainForm::FillProgress() { pbProgress->SetPosition(pbProgress->Max()); }

void TMainForm::SetDetail(const std::u16string& text)
{
    lblDetail->SetCaption(text);
    if (Showing()) UpdateWindow(pnlBottom->Handle());
}

bool TMainForm::AskLanguage(const std::vector<std::u16string>& available, std::u16string& language)
{
    return TSelectLangForm::Execute(this, available, language);
}

int TMainForm::AskCopyFailure(const std::u16string& path, const std::u16string& language, const std::u16string& reason)
{
    return TCopyFileFailureForm::Execute(this, path, language, reason);
}

bool TMainForm::AskDownloadFailure(const std::u16string& title, const std::u16string& url)
{
    return TDownloadFailureForm::Execute(this, title, url);
}
