// The installer's main window. It owns the whole state of one run: the setup script, the package
// module, the start mode, the language, the proxy settings and the install state. Start-up runs in the constructor;
// the install run and each of its stages are operations of the window, one source file per stage:
//   MainForm.cpp        construction, layout, images, start-up, the small controls
//   InstallRun.cpp      the install run, the destination check and the window's layouts
//   StageDownload.cpp   a mini setup's download of the full setup (the engine's part)
//   StageOldVersion.cpp the quiet uninstall of an earlier installation, ending running copies
//   StageFiles.cpp      the files, with Retry / Ignore / Exit Setup when a write fails
//   StageRegistry.cpp   registry values and shortcuts
//   StageUninstall.cpp  Uninstall.da1 / Uninstall.da2 and the uninstall key
//   StagePrograms.cpp   the programs run after the install, the goto URL, the end of the run
#pragma once

#include "BaseForms.h"
#include "SetupEngine.h"

#include <memory>
#include <string>

enum class TInstallState { isReady, isInstalling, isComplete };

// The product icon must be a PNG that decodes; anything else is a broken package and stops the
// start (raises), in a window run and a silent one alike.
void CheckProductIcon(const std::string& png);

// The private message that ends a complete run: the Run button posts it, and so does the program
// itself at the end of a silent or auto run.
constexpr UINT WM_RUN_APPS = WM_USER + 1;

class TMainForm : public TBaseForm, private TInstallerHost {
public:
    // Performs the whole start-up; in a silent or auto run also the install run. May end the
    // run with TRunEnd (no script resource, Windows too old, language dialog cancelled).
    TMainForm();
    ~TMainForm() override;

    // ---- Controls ---------------------------------------------------------------------------
    lu::ui::TPanel* pnlMainFormColor;
    lu::ui::TImage* imgBackground;
    lu::ui::TLabel* lblAppTitle;
    lu::ui::TLabel* lblVersion;
    lu::ui::TImage* imgMinimize;
    lu::ui::TImage* imgClose;
    lu::ui::TImage* imgIcon;
    lu::ui::TPaintBox* pbLogo;
    lu::ui::TButton* btnInstall;
    lu::ui::TPanel* pnlBottom;
    lu::ui::TLabel* lblDestDir;
    lu::ui::TEdit* edtDestDir;
    lu::ui::TButton* btnDestDir;
    lu::ui::TCheckBox* cbLicense;
    lu::ui::TLinkLabel* lblLicense;
    lu::ui::TLinkLabel* lblProxy;
    lu::ui::TLabel* lblWait;
    lu::ui::TLabel* lblDetail;
    lu::ui::TProgressBar* pbProgress;
    lu::ui::TButton* btnRunApp;

    TInstallState InstallState() const { return FInstallState; }
    const TSetupEngine& Engine() const { return FEngine; }

    // The Install button is enabled exactly when the licence checkbox is checked (or when the
    // package has no licence to agree to).
    void UpdateInstallEnabled();

    // ---- Event handlers ---------------------------------------------------------------------
    void btnInstallClick(TObject* sender);
    void btnDestDirClick(TObject* sender);
    void cbLicenseClick(TObject* sender);
    void btnRunAppClick(TObject* sender);
    void imgCloseClick(TObject* sender);
    void imgMinimizeClick(TObject* sender);
    void lblLicenseClick(TObject* sender);
    void lblProxyClick(TObject* sender);
    void pbLogoPaint(TObject* sender);
    void TntFormShow(TObject* sender);
    // Every drag surface (background, title, version, logo, labels, bottom strip).
    void StartWindowDrag(TObject* sender, lu::ui::TMouseButton button, lu::ui::TShiftState shift, int x, int y);

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool CloseQuery() override;

private:
    // ---- Start-up (MainForm.cpp) ------------------------------------------------------------
    void CreateControls();
    void ApplyWindowLayout();
    void InitCaptions();
    void LoadImages();
    void ApplyDestLayout();
    void ApplyStartMode();

    // ---- The install run (InstallRun.cpp) ---------------------------------------------------
    void InstallRun();
    bool CheckDestDir();
    // A mini setup's download; false when it failed and the input layout is back.
    bool DownloadFullSetup();
    void ShowProgressLayout();
    void RestoreInputLayout();
    void ShowCompleteLayout();
    void HandleRunApps();

    // ---- TInstallerHost ---------------------------------------------------------------------
    HWND HostWindow() const override { return Handle(); }
    void ProcessMessages() override;
    void ShowMessage(const std::u16string& text) override;
    void SetProgressMax(int maximum) override;
    void SetProgressPosition(int position) override;
    void StepProgress() override;
    void FillProgress() override;
    void SetDetail(const std::u16string& text) override;
    bool AskLanguage(const std::vector<std::u16string>& available, std::u16string& language) override;
    int AskCopyFailure(const std::u16string& path, const std::u16string& language,
                       const std::u16string& reason) override;
    bool AskDownloadFailure(const std::u16string& title, const std::u16string& url) override;
    THttpProxyValues ProxySettings() const override { return FProxy; }

    TSetupEngine FEngine;
    THttpProxyValues FProxy;  // the window's own proxy settings: every run starts without a proxy
    TInstallState FInstallState = TInstallState::isReady;
    std::u16string FLicenseText;
    lu::ui::TPicture FLogo;
};
