// A gallery of the toolkit: every control, and every skin state, on a few forms. Run it without
// arguments to look at it; with --shot FOLDER it saves each form as a PNG and exits (used by
// tests/win/screenshots.sh).
#include "BaseForms.h"
#include "GalleryShots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <memory>
#include <vector>

using namespace lu::ui;

namespace {

const TFont kYaHei(u"微软雅黑", 16);

// A round logo with a soft edge, drawn in code (no asset files).
std::vector<uint32_t> LogoPixels(int size)
{
    std::vector<uint32_t> px(size_t(size) * size);
    const double c = (size - 1) / 2.0, r = size / 2.0 - 1;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double d = std::hypot(x - c, y - c);
            const double a = std::clamp(r - d, 0.0, 1.0);
            const uint32_t g = uint32_t(120 + 100 * y / size);
            px[size_t(y) * size + x] = (uint32_t(a * 255) << 24) | (0x30u << 16) | (g << 8) | 0xE0u;
        }
    return px;
}

class TGalleryForm : public TBaseForm {
public:
    TGalleryForm() : TBaseForm(nullptr)
    {
        SetCaption(u"LuUi gallery");
        SetClientSize(760, 560);
        TLabel* h = Add<TLabel>(u"lblStates", 12, 8, 400, 16);
        h->SetCaption(u"Skin states: normal, hot, pressed, disabled, focused, default / checked");
        pbStates = Add<TPaintBox>(u"pbStates", 12, 28, 736, 150);
        pbStates->OnPaint = [this](TObject*) { PaintStates(pbStates->Canvas()); };

        TBevel* sep = Add<TBevel>(u"bvlSep", 12, 186, 736, 2);
        sep->SetShape(bsTopLine);

        // Live controls.
        btnNormal = Add<TButton>(u"btnNormal", 12, 200, 90, 27);
        btnNormal->SetCaption(u"Normal");
        TButton* btnDisabled = Add<TButton>(u"btnDisabled", 110, 200, 90, 27);
        btnDisabled->SetCaption(u"Disabled");
        btnDisabled->SetEnabled(false);
        TButton* btnDefault = Add<TButton>(u"btnDefault", 208, 200, 90, 27);
        btnDefault->SetCaption(u"Default");
        btnDefault->SetDefault(true);
        btnFocused = Add<TButton>(u"btnFocused", 306, 200, 90, 27);
        btnFocused->SetCaption(u"Focused");
        TButton* btnBig = Add<TButton>(u"btnInstall", 404, 196, 200, 50);
        btnBig->SetFont(TFont(u"微软雅黑", 27));
        btnBig->SetCaption(u"立即安装");
        btnBig->SetDefault(true);

        TCheckBox* cb1 = Add<TCheckBox>(u"cbOn", 12, 256, 150, 18);
        cb1->SetCaption(u"Checked");
        cb1->SetChecked(true);
        TCheckBox* cb2 = Add<TCheckBox>(u"cbOff", 170, 256, 150, 18);
        cb2->SetCaption(u"Unchecked");
        TCheckBox* cb3 = Add<TCheckBox>(u"cbDisabled", 328, 256, 150, 18);
        cb3->SetCaption(u"Disabled, checked");
        cb3->SetChecked(true);
        cb3->SetEnabled(false);
        TCheckBox* cb4 = Add<TCheckBox>(u"cbLicense", 486, 256, 42, 16);
        cb4->SetChecked(true);
        TLinkLabel* lnk = Add<TLinkLabel>(u"lblLicense", 533, 257, 10, 10);
        lnk->SetCaption(u"我已阅读并同意用户许可协议");

        TRadioButton* rb1 = Add<TRadioButton>(u"rbOne", 12, 284, 120, 20);
        rb1->SetCaption(u"Radio one");
        rb1->SetChecked(true);
        TRadioButton* rb2 = Add<TRadioButton>(u"rbTwo", 140, 284, 120, 20);
        rb2->SetCaption(u"Radio two");
        TRadioButton* rb3 = Add<TRadioButton>(u"rbOff", 268, 284, 140, 20);
        rb3->SetCaption(u"Radio disabled");
        rb3->SetEnabled(false);

        TEdit* edt = Add<TEdit>(u"edtDestDir", 12, 314, 240, 25);
        edt->SetFont(TFont(u"Tahoma", 16));
        edt->SetText(u"C:\\Program Files\\演示");
        TEdit* edtOff = Add<TEdit>(u"edtOff", 260, 314, 150, 25);
        edtOff->SetText(u"disabled");
        edtOff->SetEnabled(false);
        TComboBox* cbx = Add<TComboBox>(u"cbxLanguage", 418, 314, 150, 25);
        for (const char16_t* s : {u"简体中文", u"繁體中文", u"English"}) cbx->AddItem(s);
        cbx->SetItemIndex(0);
        TSpinEdit* spin = Add<TSpinEdit>(u"edtPort", 576, 314, 80, 25);
        spin->SetRange(0, 65535);
        spin->SetValue(8080);

        TMemo* mem = Add<TMemo>(u"memLicense", 12, 350, 300, 110);
        mem->SetReadOnly(true);
        std::u16string text;
        for (int i = 1; i <= 12; ++i)
            text += u"Line " + std::u16string(1, char16_t(u'0' + i % 10)) +
                    u": a read-only memo wraps long lines and scrolls vertically. 许可协议。\n";
        mem->SetText(text);

        TProgressBar* pb = Add<TProgressBar>(u"pbProgress", 324, 350, 150, 17);
        pb->SetFont(TFont(u"Tahoma", 11, clWindowText, true));
        pb->SetPosition(42);
        TProgressBar* pbFull = Add<TProgressBar>(u"pbFull", 324, 374, 150, 17);
        pbFull->SetFont(TFont(u"Tahoma", 11, clWindowText, true));
        pbFull->SetPosition(100);

        TLabel* l1 = Add<TLabel>(u"lblLeft", 324, 400, 200, 16);
        l1->SetCaption(u"Label, left");
        TLabel* l2 = Add<TLabel>(u"lblCenter", 324, 418, 200, 16);
        l2->SetCaption(u"Label, centred");
        l2->SetAlignment(taCenter);
        TLabel* l3 = Add<TLabel>(u"lblRight", 324, 436, 200, 16);
        l3->SetCaption(u"Label, right, disabled");
        l3->SetAlignment(taRightJustify);
        l3->SetEnabled(false);

        TBevel* box = Add<TBevel>(u"bvlBox", 540, 350, 96, 96);
        box->SetShape(bsBox);
        TImage* img = Add<TImage>(u"imgIcon", 540, 350, 96, 96);
        const auto px = LogoPixels(64);
        img->Picture().LoadFromPixels(64, 64, px.data());
        img->Center = true;

        TPanel* pnl = Add<TPanel>(u"pnlMainFormColor", 12, 470, 736, 80);
        pnl->SetColor(RGBColor(0x2B, 0x57, 0x9A));
        pnl->SetBorderStyle(bsSingle);
        TLabel* title = pnl->Add<TLabel>(u"lblAppTitle", 8, 4, 720, 40);
        title->SetFont(TFont(u"微软雅黑", 30, clWhite));
        title->SetAlignment(taCenter);
        title->SetLayout(taVerticalCenter);
        title->SetCaption(u"演示产品 Demo 2.0");
        TPanel* strip = pnl->Add<TPanel>(u"pnlBottom", 0, 0, 10, 30);
        strip->SetColor(clWhite);
        strip->SetAlign(alBottom);
        TLabel* onWhite = strip->Add<TLabel>(u"lblDestDir", 10, 7, 200, 16);
        onWhite->SetCaption(u"安装目录：");
        TButton* onWhiteBtn = strip->Add<TButton>(u"btnDestDir", 640, 3, 89, 24);
        onWhiteBtn->SetCaption(u"浏览...");
    }

    TButton* btnNormal;
    TButton* btnFocused;
    TPaintBox* pbStates;

private:
    void PaintStates(HDC dc)
    {
        const TFont font(u"Tahoma", 12);
        const TSkinState buttons[] = {skNormal,
                                      skHot,
                                      skPressed,
                                      skDisabled,
                                      skFocused,
                                      skDefault,
                                      skDefault | skHot,
                                      skDefault | skPressed,
                                      skDefault | skFocused};
        const char16_t* names[] = {u"Normal",  u"Hot",      u"Pressed",    u"Disabled",  u"Focused",
                                   u"Default", u"Def. hot", u"Def. press", u"Def. focus"};
        for (int i = 0; i < 9; ++i)
            TLuSkin::DrawButton(dc, RECT{i * 81, 0, i * 81 + 75, 25}, buttons[i], names[i], font, clBtnFace);
        const TSkinState boxes[] = {skNormal,
                                    skHot,
                                    skPressed,
                                    skDisabled,
                                    skFocused,
                                    skChecked,
                                    skChecked | skHot,
                                    skChecked | skPressed,
                                    skChecked | skDisabled,
                                    skChecked | skFocused};
        const char16_t* boxNames[] = {u"Normal",  u"Hot",     u"Pressed",   u"Disabled", u"Focused",
                                      u"Checked", u"Chk hot", u"Chk press", u"Chk dis.", u"Chk focus"};
        for (int i = 0; i < 10; ++i) {
            const int x = (i % 5) * 140, y = 36 + (i / 5) * 22;
            TLuSkin::DrawCheckBox(dc, RECT{x, y, x + 130, y + 18}, boxes[i], boxNames[i], font, clBtnFace);
        }
        const TFont bold(u"Tahoma", 11, clWindowText, true);
        const double fractions[] = {0.0, 0.37, 0.5, 1.0};
        const char16_t* texts[] = {u"0%", u"37%", u"50%", u"100%"};
        for (int i = 0; i < 4; ++i)
            TLuSkin::DrawProgressBar(dc, RECT{i * 160, 88, i * 160 + 150, 105}, skNormal, fractions[i], texts[i], bold,
                                     clBtnFace);
        TLuSkin::DrawProgressBar(dc, RECT{640, 88, 736, 105}, skDisabled, 0.6, u"60%", bold, clBtnFace);
        TLuSkin::DrawButton(dc, RECT{0, 115, 200, 148}, skDefault, u"A large default button", TFont(u"Tahoma", 16),
                            clBtnFace);
        TLuSkin::DrawButton(dc, RECT{210, 115, 290, 148}, skNormal, u"中文按钮", kYaHei, clBtnFace);
        TLuSkin::DrawPanel(dc, RECT{300, 115, 400, 148}, RGBColor(0x2B, 0x57, 0x9A), true);
        TLuSkin::DrawSeparator(dc, RECT{410, 130, 736, 132}, false);
    }
};

class TGalleryDialog : public TBaseDialogForm {
public:
    explicit TGalleryDialog(TComponent* owner) : TBaseDialogForm(owner)
    {
        SetCaption(u"演示 在线安装失败");
        SetClientSize(534, 261);
        const char16_t* lines[] = {u"您的电脑可能没有连接到互联网，在线安装失败。",
                                   u"如果您是通过代理服务器上网的，您可以点击【重试】按钮返回到首页设置代理服务器。",
                                   u"您还可以使用以下地址下载离线安装包，然后运行离线安装包进行安装。"};
        int i = 0;
        for (const char16_t* text : lines) {
            TLabel* l = pnlBkClient->Add<TLabel>(u"TntLabel" + std::u16string(1, char16_t(u'1' + i++)), 0, 0, 10, 30);
            l->SetAlign(alTop);
            l->SetLayout(taVerticalCenter);
            l->SetCaption(text);
        }
        TPanel* strip = pnlBkClient->Add<TPanel>(u"pnlStrip", 0, 0, 10, 33);
        strip->SetAlign(alBottom);
        TButton* b1 = strip->Add<TButton>(u"btnBrowser", 0, 4, 137, 25);
        b1->SetCaption(u"使用浏览器下载");
        TButton* b2 = strip->Add<TButton>(u"btnCopy", 144, 4, 121, 25);
        b2->SetCaption(u"复制到剪贴板");
        memUrl = pnlBkClient->Add<TMemo>(u"memUrl", 0, 0, 10, 10);
        memUrl->SetAlign(alClient);
        memUrl->SetReadOnly(true);
        memUrl->SetText(u"http://127.0.0.1:8080/downloads/DemoSetup-full.exe");
        btnOk->SetCaption(u"退出安装");
        btnCancel->SetCaption(u"重试");
    }
    TMemo* memUrl;
};

}  // namespace

int main(int argc, char** argv)
{
    std::u16string folder;
    if (argc == 3 && std::string(argv[1]) == "--shot")
        for (const char* p = argv[2]; *p; ++p) folder += char16_t(static_cast<unsigned char>(*p));
    Application().SetTitle(u"LuUi gallery");

    auto gallery = std::make_unique<TGalleryForm>();
    Application().SetMainForm(gallery.get());
    gallery->Show();
    gallery->btnFocused->SetFocus();
    if (folder.empty()) {
        Application().Run();
        return 0;
    }
    bool ok = SaveWindowShot(gallery->Handle(), folder, u"gallery.png");

    // The dialog, modal over the gallery: captured from inside its modal loop.
    auto dialog = std::make_unique<TGalleryDialog>(gallery.get());
    RunFromMessageLoop(300, [&] {
        ok = SaveWindowShot(dialog->Handle(), folder, u"dialog.png") && ok;
        ok = SaveWindowShot(gallery->Handle(), folder, u"gallery-disabled-owner.png") && ok;
        dialog->SetModalResult(mrCancel);
    });
    dialog->ShowModal();
    return ok ? 0 : 1;
}
