// The skin painter: every skinned control's look, in plain GDI on whole pixels.
#include "LuUiSkin.h"

#include "LuHandles.h"

#include <algorithm>

namespace lu::ui {

const TSkinPalette& TLuSkin::Palette()
{
    static const TSkinPalette palette{
        RGB(0x1E, 0x6F, 0xD9), RGB(0x3A, 0x86, 0xEA), RGB(0x15, 0x56, 0xAE),  // accent
        RGB(0xFC, 0xFC, 0xFC), RGB(0xE8, 0xF1, 0xFC), RGB(0xCF, 0xE1, 0xF8),  // face
        RGB(0xAE, 0xB4, 0xBD), RGB(0x85, 0x8B, 0x94),                         // borders
        RGB(0x1F, 0x1F, 0x1F), RGB(0xFF, 0xFF, 0xFF),                         // text
        RGB(0xF1, 0xF1, 0xF1), RGB(0xD3, 0xD3, 0xD3), RGB(0xA2, 0xA2, 0xA2),  // disabled
        RGB(0xE6, 0xE9, 0xED), RGB(0xC3, 0xC8, 0xCF),                         // progress track
        RGB(0xC8, 0xCC, 0xD2), RGB(0xFF, 0xFF, 0xFF),                         // separator
    };
    return palette;
}

COLORREF TLuSkin::Mix(COLORREF a, COLORREF b, int p)
{
    auto ch = [p](int x, int y) { return (x * (100 - p) + y * p + 50) / 100; };
    return RGB(ch(GetRValue(a), GetRValue(b)), ch(GetGValue(a), GetGValue(b)), ch(GetBValue(a), GetBValue(b)));
}

COLORREF TLuSkin::Darker(COLORREF c, int percent) { return Mix(c, RGB(0, 0, 0), percent); }

void TLuSkin::Fill(HDC dc, const RECT& r, COLORREF color)
{
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void TLuSkin::RoundBox(HDC dc, const RECT& r, COLORREF fill, COLORREF border, COLORREF background)
{
    const int l = r.left, t = r.top, rt = r.right - 1, b = r.bottom - 1;
    if (rt - l < 4 || b - t < 4) {
        Fill(dc, r, border);
        return;
    }
    Fill(dc, r, background);
    Fill(dc, RECT{l + 1, t + 1, rt, b}, fill);
    Fill(dc, RECT{l + 2, t, rt - 1, t + 1}, border);
    Fill(dc, RECT{l + 2, b, rt - 1, b + 1}, border);
    Fill(dc, RECT{l, t + 2, l + 1, b - 1}, border);
    Fill(dc, RECT{rt, t + 2, rt + 1, b - 1}, border);
    // The corner steps: a solid pixel on the diagonal, half-tones on either side of it.
    const COLORREF half = Mix(border, background, 55);
    const COLORREF inner = Mix(border, fill, 50);
    const int xs[2] = {l, rt}, ys[2] = {t, b};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            const int x = xs[i], y = ys[j], dx = i ? -1 : 1, dy = j ? -1 : 1;
            SetPixelV(dc, x + dx, y + dy, border);
            SetPixelV(dc, x + dx, y, half);
            SetPixelV(dc, x, y + dy, half);
            SetPixelV(dc, x + 2 * dx, y + dy, inner);
            SetPixelV(dc, x + dx, y + 2 * dy, inner);
        }
}

void TLuSkin::Text(HDC dc, const RECT& r, const std::u16string& text, const TFont& font, COLORREF color, UINT format)
{
    if (text.empty()) return;
    const TSelectedObject selected(dc, font.Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    RECT rc = r;
    DrawTextW(dc, W(text), int(text.size()), &rc, format | DT_NOPREFIX);
}

void TLuSkin::DrawButton(HDC dc, const RECT& r, TSkinState s, const std::u16string& caption, const TFont& font,
                         TColor background)
{
    const TSkinPalette& p = Palette();
    const COLORREF bg = ColorToRGB(background);
    COLORREF fill, border, text;
    if (s & skDisabled) {
        fill = p.DisabledFace, border = p.DisabledBorder, text = p.DisabledText;
    } else if (s & skDefault) {
        fill = (s & skPressed) ? p.AccentPressed : (s & skHot) ? p.AccentHot : p.Accent;
        border = (s & skPressed) ? Darker(p.AccentPressed, 10) : Darker(p.Accent, 12);
        text = p.TextOnAccent;
    } else {
        fill = (s & skPressed) ? p.FacePressed : (s & skHot) ? p.FaceHot : p.Face;
        border = (s & (skPressed | skHot | skFocused)) ? ((s & skPressed) ? p.AccentPressed : p.AccentHot) : p.Border;
        if ((s & skFocused) && !(s & (skPressed | skHot))) border = p.Accent;
        text = p.Text;
    }
    RoundBox(dc, r, fill, border, bg);
    if ((s & skFocused) && !(s & skDisabled)) {
        // A second ring inside the border: white on the accent face, accent on a light face.
        const COLORREF ring = (s & skDefault) ? Mix(fill, p.TextOnAccent, 70) : p.Accent;
        const RECT in{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        if ((s & skDefault)) {
            const RECT in2{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
            const TGdiObject<HBRUSH> brush(CreateSolidBrush(ring));
            FrameRect(dc, &in2, brush.Get());
        } else {
            Fill(dc, RECT{in.left + 1, in.top, in.right - 1, in.top + 1}, ring);
            Fill(dc, RECT{in.left + 1, in.bottom - 1, in.right - 1, in.bottom}, ring);
            Fill(dc, RECT{in.left, in.top + 1, in.left + 1, in.bottom - 1}, ring);
            Fill(dc, RECT{in.right - 1, in.top + 1, in.right, in.bottom - 1}, ring);
        }
    }
    RECT tr = r;
    if (s & skPressed) OffsetRect(&tr, 0, 1);
    Text(dc, tr, caption, font, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void TLuSkin::DrawCheckBox(HDC dc, const RECT& r, TSkinState s, const std::u16string& caption, const TFont& font,
                           TColor background)
{
    const TSkinPalette& p = Palette();
    const COLORREF bg = ColorToRGB(background);
    Fill(dc, r, bg);
    const int h = r.bottom - r.top;
    const int size = std::min(14, std::max(8, h - 2));
    const int top = r.top + (h - size) / 2;
    const RECT box{r.left, top, r.left + size, top + size};
    const bool checked = s & skChecked, disabled = s & skDisabled;
    COLORREF fill, border;
    if (disabled) {
        fill = checked ? p.DisabledBorder : p.DisabledFace;
        border = p.DisabledBorder;
    } else if (checked) {
        fill = (s & skPressed) ? p.AccentPressed : (s & skHot) ? p.AccentHot : p.Accent;
        border = (s & skPressed) ? p.AccentPressed : Darker(p.Accent, 12);
    } else {
        fill = (s & skPressed) ? p.FacePressed : (s & skHot) ? p.FaceHot : RGB(0xFF, 0xFF, 0xFF);
        border = (s & (skHot | skPressed | skFocused)) ? p.Accent : p.BoxBorder;
    }
    RoundBox(dc, box, fill, border, bg);
    if ((s & skFocused) && !disabled) {
        const RECT in{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
        const TGdiObject<HBRUSH> brush(CreateSolidBrush(checked ? Mix(fill, RGB(255, 255, 255), 70) : p.Accent));
        FrameRect(dc, &in, brush.Get());
    }
    if (checked) {
        // The tick: two strokes two pixels wide, on whole pixels.
        const COLORREF tick = disabled ? RGB(0xFF, 0xFF, 0xFF) : p.TextOnAccent;
        const TGdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, tick));
        const TSelectedObject selected(dc, pen.Get());
        const int x = box.left, y = box.top, k = size;
        POINT pts[3] = {
            {x + k * 3 / 14, y + k * 7 / 14}, {x + k * 6 / 14, y + k * 10 / 14}, {x + k * 11 / 14, y + k * 4 / 14}};
        Polyline(dc, pts, 3);
    }
    const RECT tr{box.right + 4, r.top, r.right, r.bottom};
    Text(dc, tr, caption, font, disabled ? p.DisabledText : ColorToRGB(font.Color),
         DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void TLuSkin::DrawPanel(HDC dc, const RECT& r, TColor color, bool frame)
{
    const COLORREF c = ColorToRGB(color);
    Fill(dc, r, c);
    if (frame) {
        const TGdiObject<HBRUSH> brush(CreateSolidBrush(Darker(c, 30)));
        FrameRect(dc, &r, brush.Get());
    }
}

void TLuSkin::DrawProgressBar(HDC dc, const RECT& r, TSkinState s, double fraction, const std::u16string& text,
                              const TFont& font, TColor background)
{
    const TSkinPalette& p = Palette();
    fraction = std::clamp(fraction, 0.0, 1.0);
    RoundBox(dc, r, p.Track, p.TrackBorder, ColorToRGB(background));
    const RECT in{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    const int filled = int((in.right - in.left) * fraction + 0.5);
    const RECT bar{in.left, in.top, in.left + filled, in.bottom};
    const COLORREF barColor = (s & skDisabled) ? p.DisabledText : p.Accent;
    if (filled > 0) Fill(dc, bar, barColor);
    if (text.empty()) return;
    const UINT fmt = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    const COLORREF dark = (s & skDisabled) ? p.DisabledText : p.Text;
    // Dark over the track, light over the bar, each clipped to its part.
    int saved = SaveDC(dc);
    ExcludeClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
    Text(dc, r, text, font, dark, fmt);
    RestoreDC(dc, saved);
    saved = SaveDC(dc);
    IntersectClipRect(dc, bar.left, bar.top, bar.right, bar.bottom);
    Text(dc, r, text, font, p.TextOnAccent, fmt);
    RestoreDC(dc, saved);
}

void TLuSkin::DrawSeparator(HDC dc, const RECT& r, bool vertical)
{
    const TSkinPalette& p = Palette();
    if (vertical) {
        Fill(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, p.SeparatorDark);
        Fill(dc, RECT{r.left + 1, r.top, r.left + 2, r.bottom}, p.SeparatorLight);
    } else {
        Fill(dc, RECT{r.left, r.top, r.right, r.top + 1}, p.SeparatorDark);
        Fill(dc, RECT{r.left, r.top + 1, r.right, r.top + 2}, p.SeparatorLight);
    }
}

void TLuSkin::DrawFrame(HDC dc, const RECT& r, bool raised)
{
    const TSkinPalette& p = Palette();
    const TGdiObject<HBRUSH> dark(CreateSolidBrush(p.SeparatorDark));
    if (raised) {
        RECT in{r.left + 1, r.top + 1, r.right, r.bottom};
        const TGdiObject<HBRUSH> light(CreateSolidBrush(p.SeparatorLight));
        FrameRect(dc, &in, light.Get());
        RECT out{r.left, r.top, r.right - 1, r.bottom - 1};
        FrameRect(dc, &out, dark.Get());
    } else {
        FrameRect(dc, &r, dark.Get());
    }
}

}  // namespace lu::ui
