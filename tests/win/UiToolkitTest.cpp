// The toolkit's controls: layout rules, mouse routing to windowless controls, fonts, value
// controls, pictures, and what the skin painter puts on the screen.
#include "LuHandles.h"
#include "LuUi.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <climits>
#include <cstring>
#include <memory>
#include <vector>

using namespace lu::ui;

namespace {

// A 32-bit DIB to paint into and read back.
struct TestCanvas {
    int w, h;
    uint32_t* bits = nullptr;
    TMemoryDC mem{CreateCompatibleDC(nullptr)};
    TGdiObject<HBITMAP> bmp{CreateDib(mem.Get(), w, h, bits)};
    TSelectedObject selected{mem.Get(), bmp.Get()};
    HDC dc = mem.Get();
    TestCanvas(int width, int height) : w(width), h(height) {}
    static HBITMAP CreateDib(HDC dc, int w, int h, uint32_t*& bits)
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* p = nullptr;
        HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint32_t*>(p);
        return bmp;
    }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        const uint32_t v = bits[y * w + x];  // 0x00RRGGBB in a DIB
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
};

TEST(UiLayout, AlignedChildrenShareTheClientAreaAndAnchorsFollowResizes)
{
    TForm f;
    f.SetClientSize(400, 300);
    TPanel* top = f.Add<TPanel>(u"top", 0, 0, 10, 30);
    top->SetAlign(alTop);
    TPanel* bottom = f.Add<TPanel>(u"bottom", 0, 0, 10, 40);
    bottom->SetAlign(alBottom);
    TPanel* left = f.Add<TPanel>(u"left", 0, 0, 50, 10);
    left->SetAlign(alLeft);
    TLabel* client = f.Add<TLabel>(u"client", 0, 0, 10, 10);  // windowless controls align too
    client->SetAlign(alClient);
    TButton* anchored = bottom->Add<TButton>(u"btn", 300, 8, 75, 25);
    anchored->SetAnchors(akTop | akRight);
    TEdit* stretched = top->Add<TEdit>(u"edt", 10, 4, 200, 22);
    stretched->SetAnchors(akLeft | akTop | akRight);

    struct Expect {
        TControl* c;
        RECT r;
    };
    for (const Expect& e : {Expect{top, {0, 0, 400, 30}}, Expect{bottom, {0, 260, 400, 300}},
                            Expect{left, {0, 30, 50, 260}}, Expect{client, {50, 30, 400, 260}}}) {
        SCOPED_TRACE(std::string(e.c->Name.begin(), e.c->Name.end()));
        EXPECT_EQ(e.c->Left(), e.r.left);
        EXPECT_EQ(e.c->Top(), e.r.top);
        EXPECT_EQ(e.c->Width(), e.r.right - e.r.left);
        EXPECT_EQ(e.c->Height(), e.r.bottom - e.r.top);
    }
    f.SetClientSize(500, 320);
    EXPECT_EQ(anchored->Left(), 400) << "right-anchored: moves with the right edge";
    EXPECT_EQ(stretched->Width(), 300) << "left and right anchored: grows";
    EXPECT_EQ(stretched->Left(), 10);
    EXPECT_EQ(bottom->Top(), 280);
    EXPECT_EQ(client->Width(), 450);
    left->Hide();
    EXPECT_EQ(client->Left(), 0) << "hidden aligned controls give their room back";
}

TEST(UiLayout, PanelFrameLiesOutsideTheClientArea)
{
    // The main window's colour panel: 750 by 480 with a one-pixel frame leaves 748 pixels for the
    // bottom strip and the background image.
    TForm f;
    f.SetBorderStyle(bsNone);
    f.SetClientSize(750, 480);
    TPanel* pnl = f.Add<TPanel>(u"pnlMainFormColor", 0, 0, 10, 10);
    pnl->SetAlign(alClient);
    pnl->SetBorderStyle(bsSingle);
    TPanel* bottom = pnl->Add<TPanel>(u"pnlBottom", 0, 0, 10, 100);
    bottom->SetAlign(alBottom);
    TImage* background = pnl->Add<TImage>(u"imgBackground", 0, 0, 10, 10);
    background->SetAlign(alClient);
    EXPECT_EQ(pnl->Width(), 750);
    EXPECT_EQ(pnl->ClientWidth(), 748);
    EXPECT_EQ(bottom->Width(), 748);
    EXPECT_EQ(bottom->Top(), 378);
    EXPECT_EQ(background->Width(), 748);
    EXPECT_EQ(background->Height(), 378);
    pnl->SetBorderStyle(bsNone);
    EXPECT_EQ(bottom->Width(), 750);
}

TEST(UiMouse, WindowlessControlsGetMouseDownAndClickInTheirOwnCoordinates)
{
    TForm f;
    f.SetClientSize(300, 200);
    TPanel* pnl = f.Add<TPanel>(u"pnl", 0, 0, 300, 200);
    TLabel* lbl = pnl->Add<TLabel>(u"lbl", 50, 40, 100, 20);
    TLinkLabel* link = pnl->Add<TLinkLabel>(u"lnk", 50, 100, 10, 10);
    link->SetCaption(u"licence agreement");
    TLabel* off = pnl->Add<TLabel>(u"off", 200, 40, 50, 20);
    off->SetEnabled(false);
    f.Show();
    Pump();

    std::vector<std::string> events;
    POINT down{-1, -1};
    lbl->OnMouseDown = [&](TObject* s, TMouseButton b, TShiftState, int x, int y) {
        events.push_back(b == mbRight ? "lbl right down" : "lbl down");
        EXPECT_EQ(s, lbl);
        down = {x, y};
    };
    lbl->OnClick = [&](TObject*) { events.push_back("lbl click"); };
    link->OnClick = [&](TObject*) { events.push_back("link click"); };
    off->OnClick = [&](TObject*) { events.push_back("disabled click"); };
    pnl->OnClick = [&](TObject*) { events.push_back("panel click"); };
    auto click = [&](int x, int y, bool right = false) {
        PostMessageW(pnl->Handle(), right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON,
                     MAKELPARAM(x, y));
        PostMessageW(pnl->Handle(), right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        Pump();
    };
    click(60, 45);
    EXPECT_EQ(down.x, 10);
    EXPECT_EQ(down.y, 5);
    click(60, 45, true);  // right button: mouse down, no click
    click(60, 105);
    click(210, 45);  // disabled label: nothing
    click(20, 180);  // the panel itself
    const std::vector<std::string> expected{"lbl down", "lbl click", "lbl right down", "link click", "panel click"};
    EXPECT_EQ(events, expected);

    EXPECT_EQ(link->Cursor(), crHandPoint);
    EXPECT_TRUE(link->Font().Underline);
    EXPECT_EQ(link->Width(), link->TextExtent().cx) << "link labels take the size of their text";
    EXPECT_GT(link->Width(), 50);
}

TEST(UiMouse, SkinnedButtonClicksOnlyWhenReleasedOverIt)
{
    TForm f;
    f.SetClientSize(200, 100);
    TButton* btn = f.Add<TButton>(u"btn", 10, 10, 80, 30);
    TCheckBox* cb = f.Add<TCheckBox>(u"cb", 10, 50, 120, 20);
    f.Show();
    Pump();
    int clicks = 0;
    btn->OnClick = [&](TObject*) { ++clicks; };
    SendMessageW(btn->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(btn->Pressed());
    EXPECT_TRUE(btn->SkinState() & skPressed);
    SendMessageW(btn->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 5));  // dragged off
    EXPECT_FALSE(btn->Pressed());
    SendMessageW(btn->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(150, 5));
    EXPECT_EQ(clicks, 0);
    SendMessageW(btn->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(btn->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(GetFocus(), btn->Handle()) << "a clicked button takes the focus";
    // The space bar clicks the focused control, on release.
    SendMessageW(btn->Handle(), WM_KEYDOWN, VK_SPACE, 1);
    EXPECT_EQ(clicks, 1);
    SendMessageW(btn->Handle(), WM_KEYUP, VK_SPACE, 1);
    EXPECT_EQ(clicks, 2);
    btn->SetEnabled(false);
    EXPECT_EQ(btn->SkinState(), skDisabled);

    bool checkedInHandler = false;
    cb->OnClick = [&](TObject*) { checkedInHandler = cb->Checked(); };
    SendMessageW(cb->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(cb->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_TRUE(cb->Checked());
    EXPECT_TRUE(checkedInHandler) << "OnClick sees the new state";
    checkedInHandler = false;
    cb->SetChecked(false);
    EXPECT_FALSE(cb->Checked());
    EXPECT_FALSE(checkedInHandler);
}

TEST(UiRadio, CheckingOneRadioButtonUnchecksItsSiblingsOnly)
{
    TForm f;
    TPanel* a = f.Add<TPanel>(u"a", 0, 0, 100, 100);
    TPanel* b = f.Add<TPanel>(u"b", 100, 0, 100, 100);
    TRadioButton* a1 = a->Add<TRadioButton>(u"a1", 0, 0, 80, 20);
    TRadioButton* a2 = a->Add<TRadioButton>(u"a2", 0, 20, 80, 20);
    TRadioButton* b1 = b->Add<TRadioButton>(u"b1", 0, 0, 80, 20);
    a1->SetChecked(true);
    b1->SetChecked(true);
    int clicks = 0;
    a2->OnClick = [&](TObject*) { ++clicks; };
    SendMessageW(a2->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(a2->Checked());
    EXPECT_FALSE(a1->Checked());
    EXPECT_TRUE(b1->Checked()) << "another parent is another group";
    EXPECT_EQ(clicks, 1);
}

TEST(UiFonts, ChildrenFollowTheParentFontUntilTheyHaveTheirOwn)
{
    TForm f;
    f.SetFont(TFont(u"Tahoma", 12));
    TPanel* pnl = f.Add<TPanel>(u"pnl", 0, 0, 100, 100);
    TLabel* inherits = pnl->Add<TLabel>(u"a", 0, 0, 50, 20);
    TLabel* own = pnl->Add<TLabel>(u"b", 0, 20, 50, 20);
    own->SetFont(TFont(u"微软雅黑", 37, clWhite));
    TEdit* edt = pnl->Add<TEdit>(u"edt", 0, 40, 50, 20);
    f.SetFont(TFont(u"Tahoma", 19, clBlue));
    EXPECT_EQ(inherits->Font().Height, 19);
    EXPECT_EQ(inherits->Font().Color, clBlue);
    EXPECT_EQ(own->Font().Height, 37);
    EXPECT_EQ(own->Font().Name, u"微软雅黑");
    // The system control got the new font too.
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edt->Handle(), WM_GETFONT, 0, 0)), f.Font().Handle());
    LOGFONTW lf{};
    GetObjectW(TFont(u"Tahoma", 11, clBlack, true).Handle(), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -11) << "heights are character heights in pixels";
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
}

TEST(UiProgressBar, PercentIsRoundedDownAndSafeForEveryRange)
{
    struct Case {
        int min, max, position, percent;
    } cases[] = {
        {0, 100, 42, 42},          {0, 3, 1, 33},    {0, 3, 2, 66},
        {-50, 50, 0, 50},          {5, 5, 5, 0},     {0, INT_MAX, INT_MAX, 100},
        {INT_MIN, INT_MAX, 0, 50}, {0, 10, 99, 100}, {0, 10, -4, 0},
    };
    TForm f;
    TProgressBar* pb = f.Add<TProgressBar>(u"pb", 0, 0, 150, 17);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " at " << c.position);
        pb->SetRange(c.min, c.max);
        pb->SetPosition(c.position);
        EXPECT_EQ(pb->Percent(), c.percent);
        EXPECT_GE(pb->Position(), pb->Min());
        EXPECT_LE(pb->Position(), pb->Max());
    }
}

TEST(UiEdits, MemoStoresEveryLineEndAsCrLf)
{
    TForm f;
    TMemo* mem = f.Add<TMemo>(u"mem", 0, 0, 200, 100);
    struct Case {
        std::u16string in, out;
    } cases[] = {
        {u"a\nb", u"a\r\nb"}, {u"a\r\nb", u"a\r\nb"},           {u"a\rb", u"a\r\nb"}, {u"a\n\nb\r", u"a\r\n\r\nb\r\n"},
        {u"", u""},           {u"一行\n二行", u"一行\r\n二行"},
    };
    for (const Case& c : cases) {
        mem->SetText(c.in);
        EXPECT_EQ(mem->Text(), c.out);
    }
    mem->SetReadOnly(true);
    EXPECT_TRUE(mem->ReadOnly());
    EXPECT_FALSE(mem->WantsKey(VK_RETURN)) << "Enter in a read-only memo reaches the default button";
    mem->SetReadOnly(false);
    EXPECT_TRUE(mem->WantsKey(VK_RETURN));
}

TEST(UiEdits, SpinEditKeepsItsValueInRange)
{
    TForm f;
    TSpinEdit* spin = f.Add<TSpinEdit>(u"spin", 10, 10, 80, 22);
    spin->SetRange(-5, 5);
    struct Case {
        std::u16string text;
        int value;
    } cases[] = {{u"3", 3}, {u"-3", -3}, {u"9", 5}, {u"-99999999999", -5}, {u"abc", -5}, {u"", -5}, {u" 2", 2}};
    for (const Case& c : cases) {
        spin->SetText(c.text);
        EXPECT_EQ(spin->Value(), c.value) << std::string(c.text.begin(), c.text.end());
    }
    spin->SetValue(42);
    EXPECT_EQ(spin->Value(), 5);
    EXPECT_EQ(spin->Text(), u"5");
    ASSERT_NE(spin->UpDownHandle(), nullptr);
    EXPECT_EQ(SendMessageW(spin->UpDownHandle(), UDM_GETPOS32, 0, 0), 5);
    // The arrow moves the value by one, within the range.
    SendMessageW(spin->UpDownHandle(), UDM_SETPOS32, 0, -4);
    EXPECT_EQ(spin->Value(), -4);
}

TEST(UiEdits, ComboBoxItemsAndSelection)
{
    TForm f;
    TComboBox* cbx = f.Add<TComboBox>(u"cbx", 0, 0, 120, 22);
    int changes = 0;
    cbx->OnChange = [&](TObject*) { ++changes; };
    for (const char16_t* s : {u"简体中文", u"繁體中文", u"English"}) cbx->AddItem(s);
    EXPECT_EQ(cbx->ItemCount(), 3);
    EXPECT_EQ(cbx->ItemIndex(), -1);
    cbx->SetItemIndex(1);
    EXPECT_EQ(cbx->Text(), u"繁體中文");
    EXPECT_EQ(cbx->Item(2), u"English");
    EXPECT_EQ(cbx->Item(7), u"");
    EXPECT_EQ(changes, 0) << "selection from code is not a change by the user";
    EXPECT_FALSE(cbx->WantsKey(VK_ESCAPE)) << "a closed list leaves Escape to the form";
}

TEST(UiPicture, PngRoundTripKeepsPixelsAndOwnsItsCopy)
{
    ASSERT_TRUE(TGdiPlus::Available());
    const uint32_t pixels[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF, 0x00000000, 0xFF123456};
    TPicture source;
    ASSERT_TRUE(source.LoadFromPixels(3, 2, pixels));
    std::vector<uint8_t> png;
    ASSERT_TRUE(source.SaveToPngMemory(png));
    ASSERT_TRUE(TPicture::IsPng(png.data(), png.size()));

    TPicture loaded;
    {
        std::vector<uint8_t> buffer = png;
        ASSERT_TRUE(loaded.LoadFromMemory(buffer.data(), buffer.size()));
        std::fill(buffer.begin(), buffer.end(), 0);  // the picture must not read the buffer later
    }
    EXPECT_EQ(loaded.Width(), 3);
    EXPECT_EQ(loaded.Height(), 2);
    for (int i = 0; i < 6; ++i) {
        if ((pixels[i] >> 24) != 0xFF) continue;  // premultiplied storage may round translucent ones
        EXPECT_EQ(loaded.Pixel(i % 3, i / 3), pixels[i]) << i;
    }
    EXPECT_EQ(loaded.Pixel(3, 0), 0u) << "outside the picture";
}

TEST(UiPicture, DataThatIsNoImageLeavesThePictureEmpty)
{
    const char* inputs[] = {"", "not an image at all", "\x89PNG\r\n\x1a\n truncated"};
    for (const char* in : inputs) {
        TPicture p;
        EXPECT_FALSE(p.LoadFromMemory(in, strlen(in))) << in;
        EXPECT_TRUE(p.Empty());
        EXPECT_EQ(p.Width(), 0);
        TestCanvas canvas(4, 4);
        p.Draw(canvas.dc, 0, 0, 4, 4);  // drawing nothing is fine
    }
    EXPECT_FALSE(TPicture::IsPng("\x89PNG", 4));
}

TEST(UiPicture, ImageControlCentresAndFitsItsPicture)
{
    TForm f;
    TImage* img = f.Add<TImage>(u"img", 0, 0, 96, 96);
    struct Case {
        int pw, ph;
        bool stretch, proportional, center;
        RECT expected;
    } cases[] = {
        {32, 32, false, false, true, {32, 32, 64, 64}},
        {200, 100, true, true, true, {0, 24, 96, 72}},
        {100, 200, true, true, true, {24, 0, 72, 96}},
        {200, 100, false, true, false, {0, 0, 96, 48}},  // proportional shrinks big pictures
        {48, 24, false, true, false, {0, 0, 48, 24}},    // but never enlarges without Stretch
        {48, 24, true, false, false, {0, 0, 96, 96}},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> px(size_t(c.pw) * c.ph, 0xFF336699);
        ASSERT_TRUE(img->Picture().LoadFromPixels(c.pw, c.ph, px.data()));
        img->Stretch = c.stretch, img->Proportional = c.proportional, img->Center = c.center;
        const RECT r = img->PictureRect();
        EXPECT_TRUE(EqualRect(&r, &c.expected))
            << c.pw << "x" << c.ph << " -> " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

TEST(UiSkin, StatesArePaintedInTheirColoursOnWholePixels)
{
    const TSkinPalette& p = TLuSkin::Palette();
    const TFont font(u"Tahoma", 12);
    struct Case {
        const char* name;
        TSkinState state;
        COLORREF face;
    } buttons[] = {
        {"normal", skNormal, p.Face},          {"hot", skHot, p.FaceHot},
        {"pressed", skPressed, p.FacePressed}, {"disabled", skDisabled, p.DisabledFace},
        {"default", skDefault, p.Accent},      {"default hot", skDefault | skHot, p.AccentHot},
        {"focused", skFocused, p.Face},
    };
    for (const Case& c : buttons) {
        SCOPED_TRACE(c.name);
        TestCanvas canvas(80, 30);
        TLuSkin::DrawButton(canvas.dc, RECT{0, 0, 80, 30}, c.state, u"", font, clWhite);
        EXPECT_EQ(canvas.At(40, 6), c.face);
        // Crisp frame: the middle of each edge is one solid pixel, the next one is the face.
        const COLORREF edge = canvas.At(40, 0);
        EXPECT_EQ(canvas.At(40, 29), edge);
        EXPECT_EQ(canvas.At(0, 15), edge);
        EXPECT_NE(edge, c.face);
        if (c.state & skFocused) {
            EXPECT_EQ(canvas.At(40, 1), p.Accent) << "focus ring";
        }
        EXPECT_EQ(canvas.At(0, 0), RGB(255, 255, 255)) << "the corner shows the background";
    }
    struct Box {
        const char* name;
        TSkinState state;
        COLORREF fill;
    } boxes[] = {{"unchecked", skNormal, RGB(255, 255, 255)},
                 {"checked", skChecked, p.Accent},
                 {"checked pressed", skChecked | skPressed, p.AccentPressed},
                 {"disabled", skDisabled, p.DisabledFace}};
    for (const Box& b : boxes) {
        SCOPED_TRACE(b.name);
        TestCanvas canvas(60, 16);
        TLuSkin::DrawCheckBox(canvas.dc, RECT{0, 0, 60, 16}, b.state, u"", font, clBtnFace);
        EXPECT_EQ(canvas.At(2, 3), b.fill);
    }
    {
        TestCanvas canvas(100, 17);
        TLuSkin::DrawProgressBar(canvas.dc, RECT{0, 0, 100, 17}, skNormal, 0.5, u"", font, clWhite);
        EXPECT_EQ(canvas.At(10, 8), p.Accent);
        EXPECT_EQ(canvas.At(90, 8), p.Track);
        EXPECT_EQ(canvas.At(49, 8), p.Accent) << "the bar ends at the half";
        EXPECT_EQ(canvas.At(51, 8), p.Track);
    }
}

// A paint handler that throws: every paint still gives back what it took (the double buffer's
// memory DC and bitmap, and the DC from BeginPaint, through EndPaint), and each error reaches the
// application's handler. GetGuiResources would count the objects, but Wine does not implement it:
// the handles the handler saw are checked instead.
TEST(UiPaint, ThrowingPaintHandlerReleasesItsDeviceContextsAndIsReported)
{
    TForm f;
    f.SetClientSize(220, 100);
    TPanel* pnl = f.Add<TPanel>(u"pnl", 0, 0, 100, 100);  // double-buffered
    TPaintBox* onPanel = pnl->Add<TPaintBox>(u"pbPanel", 10, 10, 80, 80);
    TPaintBox* onForm = f.Add<TPaintBox>(u"pbForm", 120, 10, 80, 80);  // painted on the BeginPaint DC

    int reported = 0;
    struct ResetHandler {
        ~ResetHandler() { Application().OnException = nullptr; }
    } resetHandler;
    Application().OnException = [&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const Exception& ex) {
            if (ex.Message() == u"paint failed") ++reported;
        }
    };
    HDC canvas = nullptr;
    HGDIOBJ bitmap = nullptr;
    for (TPaintBox* box : {onPanel, onForm})
        box->OnPaint = [&canvas, &bitmap, box](TObject*) {
            canvas = box->Canvas();
            bitmap = GetCurrentObject(canvas, OBJ_BITMAP);
            throw Exception(u"paint failed");
        };
    f.Show();
    Pump();

    struct Case {
        const char* name;
        TWinControl* host;
        bool buffered;
    };
    for (const Case& c : {Case{"double-buffered panel", pnl, true}, Case{"form", &f, false}}) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 20; ++i) {
            reported = 0;
            canvas = nullptr;
            RedrawWindow(c.host->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
            ASSERT_NE(canvas, nullptr) << "paint " << i << " reached the handler";
            EXPECT_EQ(reported, 1) << "paint " << i;
            if (c.buffered) {
                EXPECT_EQ(GetObjectType(canvas), 0u) << "memory DC deleted, paint " << i;
                EXPECT_EQ(GetObjectType(bitmap), 0u) << "its bitmap deselected and deleted, paint " << i;
            } else {
                // A DC from BeginPaint that EndPaint gave back is no longer the window's to release.
                EXPECT_EQ(ReleaseDC(c.host->Handle(), canvas), 0) << "EndPaint ran, paint " << i;
            }
        }
    }
}

TEST(UiForm, ClosingTheMainFormEndsTheApplicationAndOtherFormsOnlyHide)
{
    TForm main;
    TForm tool(&main);
    Application().SetMainForm(&main);
    main.Show();
    tool.Show();
    EXPECT_EQ(GetWindow(tool.Handle(), GW_OWNER), main.Handle());
    SendMessageW(tool.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(tool.Handle()));
    Application().ProcessMessages();
    EXPECT_FALSE(Application().Terminated());
    SendMessageW(main.Handle(), WM_CLOSE, 0, 0);
    Application().ProcessMessages();
    EXPECT_TRUE(Application().Terminated());
    Application().ClearTerminated();
    Application().SetMainForm(nullptr);
}

TEST(UiForm, BorderlessFormKeepsItsClientSize)
{
    TForm f;
    f.SetBorderStyle(bsNone);
    f.SetClientSize(750, 480);
    EXPECT_EQ(f.Width(), 750);
    EXPECT_EQ(f.ClientWidth(), 750);
    EXPECT_EQ(f.ClientHeight(), 480);
    f.SetBorderStyle(bsDialog);
    EXPECT_EQ(f.ClientWidth(), 750) << "a new border keeps the client size";
    EXPECT_EQ(f.ClientHeight(), 480);
    EXPECT_GT(f.Width(), 750);
}

}  // namespace
