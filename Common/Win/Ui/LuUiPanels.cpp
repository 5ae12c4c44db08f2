// Panels and the progress bar, painted by the skin.
#include "LuUiPanels.h"

#include "LuHandles.h"
#include "LuUiSkin.h"

#include <algorithm>
#include <string>

namespace lu::ui {

TPanel::TPanel(TWinControl* parent) : TWinControl(parent)
{
    FDoubleBuffered = true;
    CreateHandle(nullptr, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

void TPanel::SetBorderStyle(TFormBorderStyle style)
{
    FBorderStyle = style;
    LONG_PTR s = GetWindowLongPtrW(FHandle, GWL_STYLE);
    s = style == bsNone ? (s & ~LONG_PTR(WS_BORDER)) : (s | WS_BORDER);
    SetWindowLongPtrW(FHandle, GWL_STYLE, s);
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    Realign();
}

LRESULT TPanel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCPAINT && FBorderStyle != bsNone) {
        const TWindowDC dc(FHandle, GetWindowDC(FHandle));
        RECT r{0, 0, FWidth, FHeight};
        const TGdiObject<HBRUSH> brush(CreateSolidBrush(TLuSkin::Darker(ColorToRGB(Color()), 30)));
        FrameRect(dc.Get(), &r, brush.Get());
        return 0;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

void TPanel::PaintWindow(HDC dc) { TLuSkin::DrawPanel(dc, RECT{0, 0, ClientWidth(), ClientHeight()}, Color(), false); }

TProgressBar::TProgressBar(TWinControl* parent) : TWinControl(parent)
{
    FDoubleBuffered = true;
    CreateHandle(nullptr, 0, 0);
}

void TProgressBar::SetRange(int min, int max)
{
    FMin = min;
    FMax = std::max(min, max);
    FPosition = std::clamp(FPosition, FMin, FMax);
    Invalidate();
}

void TProgressBar::SetPosition(int position)
{
    position = std::clamp(position, FMin, FMax);
    if (position == FPosition) return;
    FPosition = position;
    Invalidate();
}

int TProgressBar::Percent() const
{
    if (FMax <= FMin) return 0;
    return int((int64_t(FPosition) - FMin) * 100 / (int64_t(FMax) - FMin));
}

void TProgressBar::PaintWindow(HDC dc)
{
    const double fraction = FMax > FMin ? double(FPosition - FMin) / (double(FMax) - FMin) : 0.0;
    std::u16string text;
    if (FShowText)
        for (char c : std::to_string(Percent()) + "%") text += char16_t(c);
    TLuSkin::DrawProgressBar(dc, RECT{0, 0, FWidth, FHeight}, FEnabled ? skNormal : skDisabled, fraction, text, Font(),
                             FParent ? FParent->Color() : clBtnFace);
}

}  // namespace lu::ui
