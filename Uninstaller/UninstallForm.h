// The uninstaller's window: the product's colour, icon and title, the question, the progress and
// the final message, in the installation's language. It knows the engine only through what its
// constructor is given, so that it can also be shown with made-up data (screenshots, tests).
#pragma once

#include "BaseForms.h"
#include "UninstallEngine.h"

#include <functional>
#include <string>

// What the window shows before anything is removed.
struct TUninstallView {
    std::u16string Title;
    TColor Color = 0xFF9900;
    std::string IconPng;
    TUninstallTexts Texts;
};

class TUninstallForm : public TBaseForm, private TUninstallHost {
public:
    using TRunUninstall = std::function<TUninstallOutcome(TUninstallHost& host)>;
    TUninstallForm(const TUninstallView& view, TRunUninstall run);
    ~TUninstallForm() override;

    lu::ui::TPanel* pnlColor;
    lu::ui::TPaintBox* pbIcon;
    lu::ui::TLabel* lblTitle;
    lu::ui::TLabel* lblMessage;
    lu::ui::TProgressBar* pbProgress;
    lu::ui::TLabel* lblDetail;
    lu::ui::TButton* btnUninstall;
    lu::ui::TButton* btnCancel;
    lu::ui::TButton* btnClose;

    // The process's exit code once the window is closed.
    int ExitCode() const { return FExitCode; }
    bool Running() const { return FRunning; }

    void btnUninstallClick(TObject* sender);
    void btnCloseClick(TObject* sender);
    void pbIconPaint(TObject* sender);

    // The layouts: removing, and the end with its message.
    void ShowProgressLayout();
    void ShowOutcome(const TUninstallOutcome& outcome);

    bool CloseQuery() override;

private:
    void ProcessMessages() override;
    void SetStatus(const std::u16string& text) override;
    void SetDetail(const std::u16string& text) override;
    void SetProgressMax(int maximum) override;
    void StepProgress() override;

    TUninstallView FView;
    TRunUninstall FRun;
    lu::ui::TPicture FIcon;
    bool FRunning = false;
    bool FDone = false;
    int FExitCode = ucSuccess;
};
