// The installer's small dialogs: the language dialog shown at start-up, the licence viewer opened
// from the main window's licence link, and the copy-failure dialog through which the file stage
// asks Retry, Ignore or Exit Setup. Each is used only through its class function Execute, which
// makes the dialog owned by the calling window, shows it modally and frees it.
#pragma once

#include "BaseForms.h"

#include <string>
#include <vector>

// The language dialog: a drop-down list of the languages the package offers. Its own captions
// follow the system language, not the offered ones.
class TSelectLangForm : public TBaseDialogForm {
public:
    explicit TSelectLangForm(TComponent* owner);

    TLabel* lblPrompt;
    TComboBox* cbLanguage;

    // Asks for one of `available` (language codes, in the package's order). Returns true when the
    // user confirmed with OK (or Enter); `language` then holds the chosen code. Cancel, Escape and
    // the close box return false and leave `language` unchanged. The captions and the entry
    // selected first follow the user's default locale (GetUserLangAbbrev).
    static bool Execute(TWinControl* owner, const std::vector<std::u16string>& available,
                        std::u16string& language);
    // The same with the system language given, for callers that already know it.
    static bool Execute(TWinControl* owner, const std::vector<std::u16string>& available,
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
    explicit TLicenseForm(TComponent* owner);

    TMemo* memLicense;

    // Shows the licence text under the caption (the main window passes its licence link's
    // caption) until the user closes the window.
    static void Execute(TWinControl* owner, const std::u16string& caption, const std::u16string& licenseText);
};

// The copy-failure dialog of the file stage.
class TCopyFileFailureForm : public TBaseForm {
public:
    explicit TCopyFileFailureForm(TComponent* owner);

    TPanel* pnlButtons;
    TBevel* bvlButtons;
    TButton* btnRetry;
    TButton* btnIgnore;
    TButton* btnAbort;
    TLabel* lblInfo;

    // Shows the file and the failure reason in the language ("CHS", "CHT", English for anything
    // else) and returns the modal result: mrRetry (4, the default button: Enter), mrIgnore (5, also
    // Escape), mrAbort (3, Exit Setup) or mrCancel (2, the close box), which the file stage treats
    // as Exit Setup.
    static TModalResult Execute(TWinControl* owner, const std::u16string& fileName, const std::u16string& language,
                                const std::u16string& failureReason);

    // Sets the captions and the message.
    void Fill(const std::u16string& fileName, const std::u16string& language, const std::u16string& failureReason);
};
