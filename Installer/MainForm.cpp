// The main window: its controls and layout, the images, and start-up.
#include "MainForm.h"

#include <algorithm>

#include "Dialogs.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"

#include <cmath>
#include <vector>

using namespace lu::ui;

namespace {

const std::u16string kYaHei = u"微软雅黑";

// The two window-button glyphs, white on transparent, 32 by 32.
std::vector<uint32_t> MinimizeGlyph()
{
    std::vector<uint32_t> px(32 * 32, 0);
    for (int y = 19; y < 21; ++y)
        for (int x = 11; x < 21; ++x) px[size_t(y) * 32 + x] = 0xFFFFFFFF;
    return px;
}

std::vector<uint32_t> CloseGlyph()
{
    std::vector<uint32_t> px(32 * 32, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const double cx = x + 0.5, cy = y + 0.5;
            if (cx < 7.5 || cx > 24.5 || cy < 7.5 || cy > 24.5) continue;
            // Distance to either diagonal of the square from (8, 8) to (24, 24).
            const double d1 = std::fabs((cx - 8) - (cy - 8)) / std::sqrt(2.0);
            const double d2 = std::fabs((cx - 8) + (cy - 8) - 16) / std::sqrt(2.0);
            const double a = std::clamp(2.0 - std::min(d1, d2), 0.0, 1.0);  // about 3 pixels thick
            if (a > 0) px[size_t(y) * 32 + x] = (uint32_t(a * 255) << 24) | 0x00FFFFFF;
        }
    return px;
}

}  // namespace

TMainForm::TMainForm() : TBaseForm(nullptr), FEngine(*this)
{
    CreateControls();
    std::vector<std::u16string> args;
    for (int i = 1; i <= ParamCount(); ++i) args.push_back(ParamStr(i));
    FEngine.ParseCommandLine(args);
    ApplyWindowLayout();
    FInstallState = TInstallState::isReady;

    FEngine.LoadScript();
    FEngine.InitLanguage();
    InitCaptions();
    const std::u16string caption = Format(FEngine.Texts().ResInstallProgramTitleFmt(), {FEngine.Title()});
    SetCaption(caption);
    Application().SetTitle(caption);
    FEngine.CheckWinVersion();

    pnlMainFormColor->SetColor(FEngine.MainFormColor() & 0x00FFFFFF);
    lblAppTitle->SetCaption(FEngine.Title());
    lblVersion->SetCaption(Format(FEngine.Texts().ResVersionFmt(), {FEngine.Version()}));
    lblProxy->SetVisible(!FEngine.FullPackage());
    edtDestDir->SetText(FEngine.DefaultDestination());

    LoadImages();
    FLicenseText = FEngine.LoadLicenseText();
    if (FLicenseText.empty()) {
        // Nothing to agree to: no link, and nothing keeps Install disabled.
        lblLicense->SetVisible(false);
        cbLicense->SetVisible(false);
    }
    ApplyDestLayout();
    UpdateInstallEnabled();
    ApplyStartMode();
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateControls()
{
    SetBorderStyle(bsNone);
    SetClientSize(750, 480);
    SetPosition(poScreenCenter);
    OnShow = [this](TObject* s) { TntFormShow(s); };
    const TMouseEvent drag = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        StartWindowDrag(s, b, sh, x, y);
    };

    pnlMainFormColor = Add<TPanel>(u"pnlMainFormColor", 0, 0, 750, 480);
    pnlMainFormColor->SetAlign(alClient);
    pnlMainFormColor->SetBorderStyle(bsSingle);
    TPanel* p = pnlMainFormColor;

    pnlBottom = p->Add<TPanel>(u"pnlBottom", 0, 378, 748, 100);
    pnlBottom->SetAlign(alBottom);
    pnlBottom->SetColor(clWhite);
    pnlBottom->SetTabOrder(0);
    pnlBottom->OnMouseDown = drag;

    imgBackground = p->Add<TImage>(u"imgBackground", 0, 0, 748, 378);
    imgBackground->OnMouseDown = drag;

    const TFont white37(kYaHei, 37, clWhite), white21(kYaHei, 21, clWhite);
    lblAppTitle = p->Add<TLabel>(u"lblAppTitle", 8, 168, 737, 57);
    lblAppTitle->SetFont(white37);
    lblAppTitle->SetAlignment(taCenter);
    lblAppTitle->SetLayout(taVerticalCenter);
    lblAppTitle->OnMouseDown = drag;
    lblVersion = p->Add<TLabel>(u"lblVersion", 8, 232, 737, 33);
    lblVersion->SetFont(white21);
    lblVersion->SetAlignment(taCenter);
    lblVersion->SetLayout(taVerticalCenter);
    lblVersion->OnMouseDown = drag;

    imgMinimize = p->Add<TImage>(u"imgMinimize", 682, 2, 32, 32);
    imgMinimize->Center = true;
    imgMinimize->Picture().LoadFromPixels(32, 32, MinimizeGlyph().data());
    imgMinimize->OnClick = [this](TObject* s) { imgMinimizeClick(s); };
    imgClose = p->Add<TImage>(u"imgClose", 714, 2, 32, 32);
    imgClose->Center = true;
    imgClose->Picture().LoadFromPixels(32, 32, CloseGlyph().data());
    imgClose->OnClick = [this](TObject* s) { imgCloseClick(s); };

    imgIcon = p->Add<TImage>(u"imgIcon", 320, 48, 96, 96);
    imgIcon->OnMouseDown = drag;
    pbLogo = p->Add<TPaintBox>(u"pbLogo", 448, 48, 96, 96);
    pbLogo->OnPaint = [this](TObject* s) { pbLogoPaint(s); };
    pbLogo->OnMouseDown = drag;

    btnInstall = p->Add<TButton>(u"btnInstall", 264, 280, 200, 50);
    btnInstall->SetFont(TFont(kYaHei, 27));
    btnInstall->SetTabOrder(1);
    btnInstall->OnClick = [this](TObject* s) { btnInstallClick(s); };

    TPanel* b = pnlBottom;
    lblDestDir = b->Add<TLabel>(u"lblDestDir", 10, 26, 107, 23);
    lblDestDir->SetFont(TFont(u"Tahoma", 19));
    lblDestDir->SetAlignment(taRightJustify);
    lblDestDir->OnMouseDown = drag;
    edtDestDir = b->Add<TEdit>(u"edtDestDir", 120, 25, 100, 25);
    edtDestDir->SetFont(TFont(u"Tahoma", 16));
    edtDestDir->SetTabOrder(0);
    btnDestDir = b->Add<TButton>(u"btnDestDir", 224, 23, 89, 29);
    btnDestDir->SetFont(TFont(kYaHei, 16));
    btnDestDir->OnClick = [this](TObject* s) { btnDestDirClick(s); };
    cbLicense = b->Add<TCheckBox>(u"cbLicense", 120, 62, 42, 16);
    cbLicense->SetChecked(true);
    cbLicense->OnClick = [this](TObject* s) { cbLicenseClick(s); };
    lblLicense = b->Add<TLinkLabel>(u"lblLicense", 167, 63, 0, 0);
    lblLicense->SetFont(TFont(u"Tahoma", 12, clBlue, false, true));
    lblLicense->OnClick = [this](TObject* s) { lblLicenseClick(s); };
    lblProxy = b->Add<TLinkLabel>(u"lblProxy", 15, 63, 84, 14);
    lblProxy->SetFont(TFont(u"Tahoma", 12, clBlue, false, true));
    lblProxy->SetCaption(std::u16string(ProxyLinkCaption));
    lblProxy->SetVisible(false);
    lblProxy->OnClick = [this](TObject* s) { lblProxyClick(s); };
    lblWait = b->Add<TLabel>(u"lblWait", 364, 11, 149, 25);
    lblWait->SetFont(TFont(u"Tahoma", 21));
    lblWait->SetAlignment(taCenter);
    lblWait->SetVisible(false);
    lblWait->OnMouseDown = drag;
    lblDetail = b->Add<TLabel>(u"lblDetail", 361, 63, 36, 14);
    lblDetail->SetFont(TFont(u"Tahoma", 12));
    lblDetail->SetVisible(false);
    lblDetail->OnMouseDown = drag;
    pbProgress = b->Add<TProgressBar>(u"pbProgress", 360, 42, 150, 17);
    pbProgress->SetVisible(false);
    btnRunApp = b->Add<TButton>(u"btnRunApp", 536, 23, 200, 50);
    btnRunApp->SetFont(TFont(kYaHei, 27));
    btnRunApp->SetVisible(false);
    btnRunApp->OnClick = [this](TObject* s) { btnRunAppClick(s); };

    // Tab order of the bottom strip: field, Browse, Run, checkbox.
    btnDestDir->SetTabOrder(2);
    btnRunApp->SetTabOrder(3);
    cbLicense->SetTabOrder(4);
}

void TMainForm::ApplyWindowLayout()
{
    imgIcon->SetVisible(false);
    const int w = ClientWidth();
    for (TControl* c : std::initializer_list<TControl*>{pbLogo, lblAppTitle, lblVersion, btnInstall})
        c->SetLeft((w - c->Width()) / 2);
}

void TMainForm::InitCaptions()
{
    const TMainFormCaptions c = MainFormCaptions(FEngine.Language());
    lblDestDir->SetCaption(c.lblDestDir);
    btnDestDir->SetCaption(c.btnDestDir);
    cbLicense->SetCaption(c.cbLicense);
    lblLicense->SetCaption(c.lblLicense);
    btnInstall->SetCaption(c.btnInstall);
    lblWait->SetCaption(c.lblWait);
    btnRunApp->SetCaption(c.btnRunApp);
    lblDetail->SetCaption(c.lblDetail);
    const int linkLeft = LicenseLinkLeft(FEngine.Language(), cbLicense->Left(), cbLicense->Width(), lblLicense->Left());
    lblLicense->SetLeft(linkLeft);
    // The designed 42 pixels hold "同意" but cut "Agree" short: the checkbox takes the room up to
    // the link.
    cbLicense->SetWidth(std::max(cbLicense->Width(), linkLeft - cbLicense->Left() - 4));
}

void CheckProductIcon(const std::string& png)
{
    TPicture picture;
    if (!TPicture::IsPng(png.data(), png.size()) || !picture.LoadFromMemory(png.data(), png.size()))
        throw Exception(u"The product icon is not a PNG image that can be decoded");
}

void TMainForm::LoadImages()
{
    const std::string png = FEngine.LoadIcon();
    CheckProductIcon(png);
    if (!FLogo.LoadFromMemory(png.data(), png.size()) || !imgIcon->Picture().LoadFromMemory(png.data(), png.size()))
        throw Exception(u"The product icon is not a PNG image that can be decoded");
    pbLogo->Invalidate();
    imgIcon->PictureChanged();
}

void TMainForm::ApplyDestLayout()
{
    btnDestDir->SetLeft(ClientWidth() - btnDestDir->Width() - 16);
    edtDestDir->SetWidth(btnDestDir->Left() - edtDestDir->Left() - 8);
}

void TMainForm::ApplyStartMode()
{
    if (FEngine.Silent()) {
        InstallRun();
    } else if (FEngine.Auto()) {
        ShowProgressLayout();
        Show();
        Application().ProcessMessages();
        InstallRun();
    } else {
        Show();
    }
}

void TMainForm::UpdateInstallEnabled() { btnInstall->SetEnabled(cbLicense->Checked() || !cbLicense->Visible()); }

// ---- Small controls -----------------------------------------------------------------------------

void TMainForm::cbLicenseClick(TObject*) { UpdateInstallEnabled(); }

void TMainForm::btnDestDirClick(TObject*)
{
    std::u16string path = Trim(edtDestDir->Text());
    if (TLuVclfn::SelectDirectory(Handle(), FEngine.Texts().ResSelectInstallPath(), path)) edtDestDir->SetText(path);
}

void TMainForm::btnRunAppClick(TObject*) { PostMessageW(Handle(), WM_RUN_APPS, 0, 0); }

void TMainForm::imgCloseClick(TObject*)
{
    if (FInstallState != TInstallState::isInstalling) PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TMainForm::imgMinimizeClick(TObject*) { ShowWindow(Handle(), SW_MINIMIZE); }

void TMainForm::lblLicenseClick(TObject*) { TLicenseForm::Execute(this, lblLicense->Caption(), FLicenseText); }

void TMainForm::lblProxyClick(TObject*) { TIndyProxySettingsForm::Execute(this, FProxy); }

void TMainForm::TntFormShow(TObject*)
{
    if (btnInstall->Visible() && btnInstall->Enabled()) btnInstall->SetFocus();
}

void TMainForm::StartWindowDrag(TObject*, TMouseButton, TShiftState, int, int)
{
    ReleaseCapture();
    SendMessageW(Handle(), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
}

void TMainForm::pbLogoPaint(TObject*)
{
    if (FLogo.Empty() || FLogo.Width() == 0 || FLogo.Height() == 0) return;
    const float w = float(FLogo.Width()), h = float(FLogo.Height());
    const float bw = float(pbLogo->Width()), bh = float(pbLogo->Height());
    float dw, dh;
    if (w > h) {
        dw = bw;
        dh = h * bw / w;
    } else {
        dh = bh;
        dw = w * bh / h;
    }
    FLogo.Draw(pbLogo->Canvas(), (bw - dw) / 2, (bh - dh) / 2, dw, dh, 7);
}

bool TMainForm::CloseQuery() { return FInstallState != TInstallState::isInstalling && TBaseForm::CloseQuery(); }

LRESULT TMainForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_RUN_APPS) {
        HandleRunApps();
        return 0;
    }
    return TBaseForm::WndProc(msg, wParam, lParam);
}
