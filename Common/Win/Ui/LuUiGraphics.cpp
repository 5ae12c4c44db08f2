// Labels, link labels, paint boxes, images and bevels.
#include "LuUiGraphics.h"

#include "LuHandles.h"
#include "LuUiSkin.h"

#include <algorithm>

namespace lu::ui {

// ---- TLabel -----------------------------------------------------------------------------------

UINT TLabel::TextFormat() const
{
    UINT f = DT_NOPREFIX;
    f |= FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
    if (FWordWrap)
        f |= DT_WORDBREAK;
    else
        f |= DT_SINGLELINE | (FLayout == taVerticalCenter ? DT_VCENTER : FLayout == taAlignBottom ? DT_BOTTOM : 0);
    return f;
}

SIZE TLabel::TextExtent() const
{
    const TWindowDC dc(nullptr, GetDC(nullptr));
    const TSelectedObject selected(dc.Get(), Font().Handle());
    RECT r{0, 0, FWordWrap ? std::max(1, FWidth) : 0, 0};
    const std::u16string text = FCaption.empty() ? u" " : FCaption;
    DrawTextW(dc.Get(), W(text), int(text.size()), &r, TextFormat() | DT_CALCRECT);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void TLabel::AdjustSize()
{
    if (!FAutoSize) return;
    const SIZE s = TextExtent();
    SetBounds(FLeft, FTop, FWordWrap ? FWidth : s.cx, s.cy);
}

void TLabel::SetAutoSize(bool v)
{
    FAutoSize = v;
    AdjustSize();
}

void TLabel::SetCaption(const std::u16string& caption)
{
    TGraphicControl::SetCaption(caption);
    AdjustSize();
}

void TLabel::FontChanged()
{
    AdjustSize();
    Invalidate();
}

void TLabel::Paint(HDC dc)
{
    RECT r{0, 0, FWidth, FHeight};
    if (!FTransparent) TLuSkin::Fill(dc, r, ColorToRGB(Color()));
    const COLORREF color = FEnabled ? ColorToRGB(Font().Color) : TLuSkin::Palette().DisabledText;
    UINT format = TextFormat();
    if (FWordWrap && FLayout != taAlignTop) {
        // DrawText centres only single lines: place the wrapped block by its measured height.
        const int h = TextExtent().cy;
        r.top = FLayout == taVerticalCenter ? (FHeight - h) / 2 : FHeight - h;
    }
    TLuSkin::Text(dc, r, FCaption, Font(), color, format);
}

TLinkLabel::TLinkLabel(TWinControl* parent) : TLabel(parent)
{
    TFont f = Font();
    f.Color = RGBColor(0x00, 0x66, 0xCC);
    f.Underline = true;
    SetFont(f);
    FCursor = crHandPoint;
    FAutoSize = true;
}

// ---- TPaintBox --------------------------------------------------------------------------------

void TPaintBox::Paint(HDC dc)
{
    if (!OnPaint) return;
    FCanvas = dc;
    struct Reset {
        HDC& canvas;
        ~Reset() { canvas = nullptr; }
    } reset{FCanvas};
    OnPaint(this);
}

// ---- TImage -----------------------------------------------------------------------------------

RECT TImage::PictureRect() const
{
    const int pw = FPicture.Width(), ph = FPicture.Height();
    int w = pw, h = ph;
    if (pw > 0 && ph > 0 && (Stretch || (Proportional && (pw > FWidth || ph > FHeight)))) {
        if (Proportional) {
            // Fit inside the box, aspect ratio kept.
            if (int64_t(pw) * FHeight > int64_t(ph) * FWidth) {
                w = FWidth, h = int(int64_t(ph) * FWidth / pw);
            } else {
                h = FHeight, w = int(int64_t(pw) * FHeight / ph);
            }
        } else {
            w = FWidth, h = FHeight;
        }
    }
    const int x = Center ? (FWidth - w) / 2 : 0, y = Center ? (FHeight - h) / 2 : 0;
    return RECT{x, y, x + w, y + h};
}

void TImage::Paint(HDC dc)
{
    if (FPicture.Empty()) return;
    FPicture.Draw(dc, PictureRect());
}

// ---- TBevel -----------------------------------------------------------------------------------

void TBevel::Paint(HDC dc)
{
    const RECT r{0, 0, FWidth, FHeight};
    switch (FShape) {
        case bsBox:
        case bsFrame: TLuSkin::DrawFrame(dc, r, FStyle == bsRaised); break;
        case bsTopLine: TLuSkin::DrawSeparator(dc, r, false); break;
        case bsBottomLine: TLuSkin::DrawSeparator(dc, RECT{0, FHeight - 2, FWidth, FHeight}, false); break;
        case bsLeftLine: TLuSkin::DrawSeparator(dc, r, true); break;
        case bsRightLine: TLuSkin::DrawSeparator(dc, RECT{FWidth - 2, 0, FWidth, FHeight}, true); break;
        case bsSpacer: break;
    }
}

}  // namespace lu::ui
