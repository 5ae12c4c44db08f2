// The installer's small dialogs: the language dialog shown at start-up, the licence viewer opened
// from the main window's licence link, the copy-failure dialog through which the file stage asks
// Retry, Ignore or Exit Setup, and the mini setup's proxy settings and failed-download dialogs. Each is used only through its class function Execute, which
// makes the dialog owned by the calling window, shows it modally and frees it.
#pragma once

#include "BaseForms.h"
#include "LuHttpProxyValues.h"

#include <functional>
#include <string>
#include <vector>

// The language dialog: a drop-down list of the languages the package offers. Its own captions
// follow the system language, not the offered ones.
class TSelectLangForm : public TBaseDialogForm {
public:
    explicit TSelectLangForm(lu::ui::TComponent* owner);

    lu::ui::TLabel* lblPrompt;
    lu::ui::TComboBox* cbLanguage;

    // Asks for one of `available` (language codes, in the package's order). Returns true when the
    // user confirmed with OK (or Enter); `language` then holds the chosen code. Cancel, Escape and
    // the close box return false and leave `language` unchanged. The captions and the entry
    // selected first follow the user's default locale (GetUserLangAbbrev).
    static bool Execute(lu::ui::TWinControl* owner, const std::vector<std::u16string>& available,
                        std::u16string& language);
    // The same with the system language given, for callers that already know it.
    static bool Execute(lu::ui::TWinControl* owner, const std::vector<std::u16string>& available,
                        std::u16string& language, const std::u16string& systemLanguage);

    // Fills the list and the captions; the selected entry is the system language's, else
    // "ENG", else the first.
    void Fill(const std::vector<std::u16string>& available, const std::u16string& systemLanguage);
    // The code at the selected entry; empty when nothing is selected.
    std::u16string SelectedLanguage() const;

private:
    std::vector<std::u16string> FAvailable;
};

// The licence viewer: one read-only memo that fills the resizable window.
class TLicenseForm : public TBaseForm {
public:
    explicit TLicenseForm(lu::ui::TComponent* owner);

    lu::ui::TMemo* memLicense;

    // Shows the licence text under the caption (the main window passes its licence link's
    // caption) until the user closes the window.
    static void Execute(lu::ui::TWinControl* owner, const std::u16string& caption, const std::u16string& licenseText);
};

// The copy-failure dialog of the file stage.
class TCopyFileFailureForm : public TBaseForm {
public:
    explicit TCopyFileFailureForm(lu::ui::TComponent* owner);

    lu::ui::TPanel* pnlButtons;
    lu::ui::TBevel* bvlButtons;
    lu::ui::TButton* btnRetry;
    lu::ui::TButton* btnIgnore;
    lu::ui::TButton* btnAbort;
    lu::ui::TLabel* lblInfo;

    // Shows the file and the failure reason in the language ("CHS", "CHT", English for anything
    // else) and returns the modal result: mrRetry (4, the default button: Enter), mrIgnore (5, also
    // Escape), mrAbort (3, Exit Setup) or mrCancel (2, the close box), which the file stage treats
    // as Exit Setup.
    static lu::ui::TModalResult Execute(lu::ui::TWinControl* owner, const std::u16string& fileName,
                                        const std::u16string& language, const std::u16string& failureReason);

    // Sets the captions and the message.
    void Fill(const std::u16string& fileName, const std::u16string& language, const std::u16string& failureReason);
};

// The proxy settings dialog of the mini setup: no proxy, or a proxy server with its address, port,
// user name and password. Its texts are Simplified Chinese in every language.
class TIndyProxySettingsForm : public TBaseDialogForm {
public:
    explicit TIndyProxySettingsForm(lu::ui::TComponent* owner);

    lu::ui::TRadioButton* rbNoProxy;
    lu::ui::TRadioButton* rbUseProxy;
    lu::ui::TLabel* lblProxyAddress;
    lu::ui::TEdit* edtProxyAddress;
    lu::ui::TLabel* lblProxyPort;
    lu::ui::TSpinEdit* edtProxyPort;
    lu::ui::TLabel* lblProxyUser;
    lu::ui::TEdit* edtProxyUser;
    lu::ui::TLabel* lblProxyPassword;
    lu::ui::TEdit* edtProxyPassword;

    // Shows the dialog on `settings`. True when the user confirmed with OK: the settings then hold
    // all five values of the dialog (also those typed in the disabled fields when "no proxy" is
    // chosen, so that they are there when the proxy is chosen again). Cancel, Escape and the close
    // box return false and leave the settings unchanged.
    static bool Execute(lu::ui::TWinControl* owner, THttpProxyValues& settings);

    void Fill(const THttpProxyValues& settings);
    // What OK stores: the address trimmed, the user name and password exactly as typed.
    THttpProxyValues Values() const;

    // OK closes the dialog only when no proxy is chosen or an address is given; otherwise it says
    // so and puts the focus in the address field.
    void btnOkClick(TObject* sender);
    void rbNoProxyClick(TObject* sender);
    void rbUseProxyClick(TObject* sender);

private:
    // The labels and fields are enabled exactly when a proxy is chosen.
    void ApplyEnabling();
};

// The dialog of a failed online installation: what may have gone wrong, the address of the full
// setup with buttons to open it in the browser or copy it, and the choice between leaving the
// installer (OK, "退出安装") and going back to the first page (Cancel, "重试"). Simplified Chinese
// in every language.
class TDownloadFailureForm : public TBaseDialogForm {
public:
    explicit TDownloadFailureForm(lu::ui::TComponent* owner);

    lu::ui::TLabel* TntLabel2;
    lu::ui::TLabel* TntLabel1;
    lu::ui::TLabel* TntLabel3;
    lu::ui::TMemo* memUrl;
    lu::ui::TPanel* pnlUrlButtons;
    lu::ui::TButton* btnBrowser;
    lu::ui::TButton* btnCopy;

    // Opens the address; the system's handler for it unless replaced (the tests do).
    std::function<void(const std::u16string&)> OpenUrl;

    // True when the user chose to leave the installer (the default button, Enter); Retry, Escape
    // and the close box give false.
    static bool Execute(lu::ui::TWinControl* owner, const std::u16string& title, const std::u16string& url);

    void Fill(const std::u16string& title, const std::u16string& url);
    const std::u16string& Url() const { return FUrl; }

    // Neither closes the dialog.
    void btnBrowserClick(TObject* sender);
    void btnCopyClick(TObject* sender);

private:
    std::u16string FUrl;
};
