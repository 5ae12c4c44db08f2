// The language dialog, the licence viewer and the copy-failure dialog.
#include "Dialogs.h"

#include "LocalTexts.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"

// From LanguageChoice.h, which cannot be included here: through the setup script it brings the
// package's TObject and TColor, which clash with the UI toolkit's.
int PreselectedLanguageIndex(const std::vector<std::u16string>& available, std::u16string_view systemLanguage);

// ---- TSelectLangForm ----------------------------------------------------------------------------

TSelectLangForm::TSelectLangForm(TComponent* owner) : TBaseDialogForm(owner) {
    SetClientSize(383, 158);
    LayoutButtons();  // the base placed them for its own designed width
    lblPrompt = pnlBkClient->Add<TLabel>(u"lblPrompt", 16, 36, 350, 14);
    lblPrompt->SetAutoSize(true);
    cbLanguage = pnlBkClient->Add<TComboBox>(u"cbLanguage", 16, 60, 289, 22);
    cbLanguage->SetTabOrder(0);
    SetActiveControl(cbLanguage);
}

void TSelectLangForm::Fill(const std::vector<std::u16string>& available, const std::u16string& systemLanguage) {
    FAvailable = available;
    cbLanguage->ClearItems();
    for (const std::u16string& code : FAvailable) cbLanguage->AddItem(LanguageDisplayName(code));
    cbLanguage->SetItemIndex(PreselectedLanguageIndex(FAvailable, systemLanguage));

    const TSelectLangTexts texts = SelectLangTexts(systemLanguage);
    SetCaption(texts.Caption);
    lblPrompt->SetCaption(texts.lblPrompt);
    btnOk->SetCaption(texts.btnOK);
    btnCancel->SetCaption(texts.btnCancel);
}

std::u16string TSelectLangForm::SelectedLanguage() const {
    const int index = cbLanguage->ItemIndex();
    if (index < 0 || index >= static_cast<int>(FAvailable.size())) return {};
    return FAvailable[static_cast<size_t>(index)];
}

bool TSelectLangForm::Execute(TWinControl* owner, const std::vector<std::u16string>& available,
                              std::u16string& language) {
    return Execute(owner, available, language, TLuWinfn::GetUserLangAbbrev());
}

bool TSelectLangForm::Execute(TWinControl* owner, const std::vector<std::u16string>& available,
                              std::u16string& language, const std::u16string& systemLanguage) {
    return ExecuteDialog<TSelectLangForm>(
        owner, [&](TSelectLangForm& d) { d.Fill(available, systemLanguage); },
        [&](TSelectLangForm& d, TModalResult result) {
            if (result != mrOk) return false;
            const std::u16string chosen = d.SelectedLanguage();
            if (chosen.empty()) return false;  // an empty list: nothing was chosen
            language = chosen;
            return true;
        });
}

// ---- TLicenseForm -------------------------------------------------------------------------------

TLicenseForm::TLicenseForm(TComponent* owner) : TBaseForm(owner) {
    SetBorderIcons(biSystemMenu | biMaximize);
    SetClientSize(784, 461);
    memLicense = Add<TMemo>(u"memLicense", 0, 0, ClientWidth(), ClientHeight());
    memLicense->SetAlign(alClient);
    memLicense->SetReadOnly(true);
    memLicense->SetScrollBars(ssVertical);  // and long lines wrap
    SetActiveControl(memLicense);
}

void TLicenseForm::Execute(TWinControl* owner, const std::u16string& caption, const std::u16string& licenseText) {
    ExecuteDialog<TLicenseForm>(
        owner,
        [&](TLicenseForm& d) {
            d.SetCaption(caption);
            d.memLicense->SetText(licenseText);
        },
        [](TLicenseForm&, TModalResult) { return 0; });
}

// ---- TCopyFileFailureForm -----------------------------------------------------------------------

TCopyFileFailureForm::TCopyFileFailureForm(TComponent* owner) : TBaseForm(owner) {
    SetClientSize(572, 268);

    pnlButtons = Add<TPanel>(u"pnlButtons", 0, ClientHeight() - 41, ClientWidth(), 41);
    pnlButtons->SetAlign(alBottom);
    bvlButtons = pnlButtons->Add<TBevel>(u"bvlButtons", 0, 0, ClientWidth(), 2);
    bvlButtons->SetShape(bsTopLine);
    bvlButtons->SetAlign(alTop);

    btnRetry = pnlButtons->Add<TButton>(u"btnRetry", 9, 8, 100, 25);
    btnRetry->SetModalResult(mrRetry);
    btnRetry->SetDefault(true);
    btnIgnore = pnlButtons->Add<TButton>(u"btnIgnore", 121, 8, 100, 25);
    btnIgnore->SetModalResult(mrIgnore);
    btnIgnore->SetCancel(true);
    btnAbort = pnlButtons->Add<TButton>(u"btnAbort", 233, 8, 100, 25);
    btnAbort->SetModalResult(mrAbort);
    // Tab order: Retry, Exit Setup, Ignore.
    btnRetry->SetTabOrder(0);
    btnAbort->SetTabOrder(1);
    btnIgnore->SetTabOrder(2);

    lblInfo = Add<TLabel>(u"lblInfo", 32, 32, ClientWidth() - 64, ClientHeight() - 41 - 64);
    lblInfo->SetWordWrap(true);
    lblInfo->SetAnchors(akLeft | akTop | akRight | akBottom);
    SetActiveControl(btnRetry);
}

void TCopyFileFailureForm::Fill(const std::u16string& fileName, const std::u16string& language,
                                const std::u16string& failureReason) {
    const TCopyFileFailureTexts texts = CopyFileFailureTexts(language);
    SetCaption(texts.Caption);
    btnRetry->SetCaption(texts.btnRetry);
    btnIgnore->SetCaption(texts.btnIgnore);
    btnAbort->SetCaption(texts.btnAbort);
    lblInfo->SetCaption(Format(texts.InfoFmt, {fileName, failureReason}));
}

TModalResult TCopyFileFailureForm::Execute(TWinControl* owner, const std::u16string& fileName,
                                           const std::u16string& language, const std::u16string& failureReason) {
    return ExecuteDialog<TCopyFileFailureForm>(
        owner, [&](TCopyFileFailureForm& d) { d.Fill(fileName, language, failureReason); },
        [](TCopyFileFailureForm&, TModalResult result) { return result; });
}
