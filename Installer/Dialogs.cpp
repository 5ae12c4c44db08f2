// The language dialog, the licence viewer, the copy-failure dialog, the proxy settings dialog and
// the failed-download dialog.
#include "Dialogs.h"

#include "LanguageChoice.h"
#include "LocalTexts.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"

using namespace lu::ui;

// ---- TSelectLangForm ----------------------------------------------------------------------------

TSelectLangForm::TSelectLangForm(TComponent* owner) : TBaseDialogForm(owner)
{
    SetClientSize(383, 158);
    LayoutButtons();  // the base placed them for its own designed width
    lblPrompt = pnlBkClient->Add<TLabel>(u"lblPrompt", 16, 36, 350, 14);
    lblPrompt->SetAutoSize(true);
    cbLanguage = pnlBkClient->Add<TComboBox>(u"cbLanguage", 16, 60, 289, 22);
    cbLanguage->SetTabOrder(0);
    SetActiveControl(cbLanguage);
}

void TSelectLangForm::Fill(const std::vector<std::u16string>& available, const std::u16string& systemLanguage)
{
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

std::u16string TSelectLangForm::SelectedLanguage() const
{
    const int index = cbLanguage->ItemIndex();
    if (index < 0 || index >= static_cast<int>(FAvailable.size())) return {};
    return FAvailable[static_cast<size_t>(index)];
}

bool TSelectLangForm::Execute(TWinControl* owner, const std::vector<std::u16string>& available,
                              std::u16string& language)
{
    return Execute(owner, available, language, TLuWinfn::GetUserLangAbbrev());
}

bool TSelectLangForm::Execute(TWinControl* owner, const std::vector<std::u16string>& available,
                              std::u16string& language, const std::u16string& systemLanguage)
{
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

TLicenseForm::TLicenseForm(TComponent* owner) : TBaseForm(owner)
{
    SetBorderIcons(biSystemMenu | biMaximize);
    SetClientSize(784, 461);
    memLicense = Add<TMemo>(u"memLicense", 0, 0, ClientWidth(), ClientHeight());
    memLicense->SetAlign(alClient);
    memLicense->SetReadOnly(true);
    memLicense->SetScrollBars(ssVertical);  // and long lines wrap
    SetActiveControl(memLicense);
}

void TLicenseForm::Execute(TWinControl* owner, const std::u16string& caption, const std::u16string& licenseText)
{
    ExecuteDialog<TLicenseForm>(
        owner,
        [&](TLicenseForm& d) {
            d.SetCaption(caption);
            d.memLicense->SetText(licenseText);
        },
        [](TLicenseForm&, TModalResult) { return 0; });
}

// ---- TCopyFileFailureForm -----------------------------------------------------------------------

TCopyFileFailureForm::TCopyFileFailureForm(TComponent* owner) : TBaseForm(owner)
{
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
                                const std::u16string& failureReason)
{
    const TCopyFileFailureTexts texts = CopyFileFailureTexts(language);
    SetCaption(texts.Caption);
    btnRetry->SetCaption(texts.btnRetry);
    btnIgnore->SetCaption(texts.btnIgnore);
    btnAbort->SetCaption(texts.btnAbort);
    lblInfo->SetCaption(Format(texts.InfoFmt, {fileName, failureReason}));
}

TModalResult TCopyFileFailureForm::Execute(TWinControl* owner, const std::u16string& fileName,
                                           const std::u16string& language, const std::u16string& failureReason)
{
    return ExecuteDialog<TCopyFileFailureForm>(
        owner, [&](TCopyFileFailureForm& d) { d.Fill(fileName, language, failureReason); },
        [](TCopyFileFailureForm&, TModalResult result) { return result; });
}

// ---- TIndyProxySettingsForm ---------------------------------------------------------------------

namespace {

const char16_t kProxyAddressEmpty[] = u"服务器地址不能为空，请重新输入。";

TLabel* AddFieldLabel(TWinControl* parent, const char16_t* name, int left, int top, const char16_t* caption)
{
    TLabel* label = parent->Add<TLabel>(name, left, top, 0, 0);
    label->SetAutoSize(true);
    label->SetCaption(caption);
    return label;
}

}  // namespace

TIndyProxySettingsForm::TIndyProxySettingsForm(TComponent* owner) : TBaseDialogForm(owner)
{
    SetClientSize(430, 304);
    LayoutButtons();  // the base placed them for its own designed width
    SetCaption(u"代理服务器设置");
    TPanel* p = pnlBkClient;

    rbNoProxy = p->Add<TRadioButton>(u"rbNoProxy", 40, 40, 114, 16);
    rbNoProxy->SetCaption(u"不使用代理服务器");
    rbNoProxy->OnClick = [this](TObject* s) { rbNoProxyClick(s); };
    rbUseProxy = p->Add<TRadioButton>(u"rbUseProxy", 40, 72, 162, 16);
    rbUseProxy->SetCaption(u"使用以下指定的代理服务器");
    rbUseProxy->OnClick = [this](TObject* s) { rbUseProxyClick(s); };

    lblProxyAddress = AddFieldLabel(p, u"lblProxyAddress", 64, 106, u"服务器地址：");
    edtProxyAddress = p->Add<TEdit>(u"edtProxyAddress", 136, 102, 201, 22);
    lblProxyPort = AddFieldLabel(p, u"lblProxyPort", 100, 135, u"端口：");
    edtProxyPort = p->Add<TSpinEdit>(u"edtProxyPort", 136, 131, 121, 22);
    edtProxyPort->SetRange(0, 65535);  // the TCP port range
    lblProxyUser = AddFieldLabel(p, u"lblProxyUser", 88, 164, u"用户名：");
    edtProxyUser = p->Add<TEdit>(u"edtProxyUser", 136, 160, 201, 22);
    lblProxyPassword = AddFieldLabel(p, u"lblProxyPassword", 100, 194, u"密码：");
    edtProxyPassword = p->Add<TEdit>(u"edtProxyPassword", 136, 190, 201, 22);  // shown as typed

    int order = 0;
    for (TWinControl* c : std::initializer_list<TWinControl*>{rbNoProxy, rbUseProxy, edtProxyAddress, edtProxyPort,
                                                              edtProxyUser, edtProxyPassword})
        c->SetTabOrder(order++);

    // OK has no modal result of its own: its handler decides whether the dialog closes.
    btnOk->SetModalResult(mrNone);
    btnOk->OnClick = [this](TObject* s) { btnOkClick(s); };
}

void TIndyProxySettingsForm::Fill(const THttpProxyValues& settings)
{
    rbNoProxy->SetChecked(!settings.Checked);
    rbUseProxy->SetChecked(settings.Checked);
    edtProxyAddress->SetText(settings.Address);
    edtProxyUser->SetText(settings.UserName);
    edtProxyPassword->SetText(settings.Password);
    edtProxyPort->SetValue(settings.Port);
    ApplyEnabling();
    SetActiveControl(settings.Checked ? rbUseProxy : rbNoProxy);
}

THttpProxyValues TIndyProxySettingsForm::Values() const
{
    THttpProxyValues values;
    values.Checked = rbUseProxy->Checked();
    values.Address = Trim(edtProxyAddress->Text());
    values.Port = edtProxyPort->Value();
    values.UserName = edtProxyUser->Text();
    values.Password = edtProxyPassword->Text();
    return values;
}

void TIndyProxySettingsForm::ApplyEnabling()
{
    const bool use = rbUseProxy->Checked();
    for (TControl* c : std::initializer_list<TControl*>{lblProxyAddress, edtProxyAddress, lblProxyPort, edtProxyPort,
                                                        lblProxyUser, edtProxyUser, lblProxyPassword, edtProxyPassword})
        c->SetEnabled(use);
}

void TIndyProxySettingsForm::rbNoProxyClick(TObject*) { ApplyEnabling(); }

void TIndyProxySettingsForm::rbUseProxyClick(TObject*) { ApplyEnabling(); }

void TIndyProxySettingsForm::btnOkClick(TObject*)
{
    if (rbUseProxy->Checked() && Trim(edtProxyAddress->Text()).empty()) {
        TLuVclfn::ShowMessage(Handle(), kProxyAddressEmpty);
        edtProxyAddress->SetFocus();
        return;
    }
    SetModalResult(mrOk);
}

bool TIndyProxySettingsForm::Execute(TWinControl* owner, THttpProxyValues& settings)
{
    return ExecuteDialog<TIndyProxySettingsForm>(
        owner, [&](TIndyProxySettingsForm& d) { d.Fill(settings); },
        [&](TIndyProxySettingsForm& d, TModalResult result) {
            if (result != mrOk) return false;
            settings = d.Values();
            return true;
        });
}

// ---- TDownloadFailureForm -----------------------------------------------------------------------

TDownloadFailureForm::TDownloadFailureForm(TComponent* owner)
    : TBaseDialogForm(owner), OpenUrl([](const std::u16string& url) { TLuWinfn::OpenUrl(url); })
{
    SetClientSize(534, 261);
    LayoutButtons();
    btnOk->SetCaption(u"退出安装");  // Exit Setup: the default button
    btnCancel->SetCaption(u"重试");  // Retry: the cancel button (Escape)
    TPanel* p = pnlBkClient;

    const struct {
        TLabel** label;
        const char16_t* name;
        const char16_t* caption;
    } lines[] = {
        {&TntLabel2, u"TntLabel2", u"您的电脑可能没有连接到互联网，在线安装失败。"},
        {&TntLabel1, u"TntLabel1", u"如果您是通过代理服务器上网的，您可以点击【重试】按钮返回到首页设置代理服务器。"},
        {&TntLabel3, u"TntLabel3", u"您还可以使用以下地址下载离线安装包，然后运行离线安装包进行安装。"},
    };
    for (const auto& line : lines) {
        TLabel* label = p->Add<TLabel>(line.name, 0, 0, p->ClientWidth(), 30);
        label->SetAlign(alTop);
        label->SetLayout(taVerticalCenter);
        label->SetCaption(line.caption);
        *line.label = label;
    }

    pnlUrlButtons = p->Add<TPanel>(u"pnlUrlButtons", 0, 0, p->ClientWidth(), 33);
    pnlUrlButtons->SetAlign(alBottom);
    btnBrowser = pnlUrlButtons->Add<TButton>(u"btnBrowser", 0, 4, 137, 25);
    btnBrowser->SetCaption(u"使用浏览器下载");
    btnBrowser->OnClick = [this](TObject* s) { btnBrowserClick(s); };
    btnCopy = pnlUrlButtons->Add<TButton>(u"btnCopy", 144, 4, 121, 25);
    btnCopy->SetCaption(u"复制到剪贴板");
    btnCopy->OnClick = [this](TObject* s) { btnCopyClick(s); };

    memUrl = p->Add<TMemo>(u"memUrl", 0, 0, p->ClientWidth(), 40);
    memUrl->SetAlign(alClient);
    memUrl->SetReadOnly(true);
    memUrl->SetScrollBars(ssVertical);

    memUrl->SetTabOrder(0);
    pnlUrlButtons->SetTabOrder(1);
    SetActiveControl(memUrl);
}

void TDownloadFailureForm::Fill(const std::u16string& title, const std::u16string& url)
{
    SetCaption(Format(u"%s 在线安装失败", {title}));
    FUrl = url;
    memUrl->SetText(url);
}

void TDownloadFailureForm::btnBrowserClick(TObject*)
{
    if (OpenUrl) OpenUrl(FUrl);  // a failure is not reported
}

void TDownloadFailureForm::btnCopyClick(TObject*) { TLuVclfn::SetClipboardText(Handle(), FUrl); }

bool TDownloadFailureForm::Execute(TWinControl* owner, const std::u16string& title, const std::u16string& url)
{
    return ExecuteDialog<TDownloadFailureForm>(
        owner, [&](TDownloadFailureForm& d) { d.Fill(title, url); },
        [](TDownloadFailureForm&, TModalResult result) { return result == mrOk; });
}
