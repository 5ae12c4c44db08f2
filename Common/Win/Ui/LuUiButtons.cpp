// Skinned push buttons and checkboxes, and radio buttons over the system class.
#include "LuUiButtons.h"

#include "LuUiForm.h"

#include <windowsx.h>

namespace lu::ui {

// ---- TSkinnedControl --------------------------------------------------------------------------

TSkinnedControl::TSkinnedControl(TWinControl* parent) : TWinControl(parent)
{
    FTabStop = true;
    FDoubleBuffered = true;
    CreateHandle(nullptr, 0, 0);
}

TSkinState TSkinnedControl::SkinState() const
{
    TSkinState s = skNormal;
    if (!FEnabled || (FHandle && !IsWindowEnabled(FHandle))) return skDisabled;
    if (FHot) s |= skHot;
    if (FPressed) s |= skPressed;
    if (Focused()) s |= skFocused;
    return s;
}

void TSkinnedControl::SetHot(bool hot)
{
    if (FHot == hot) return;
    FHot = hot;
    Invalidate();
}

void TSkinnedControl::SetPressed(bool pressed)
{
    if (FPressed == pressed) return;
    FPressed = pressed;
    Invalidate();
}

LRESULT TSkinnedControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
        case WM_MOUSEMOVE: {
            if (!FHot) {
                TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, FHandle, 0};
                TrackMouseEvent(&tme);
            }
            const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const bool inside = p.x >= 0 && p.y >= 0 && p.x < FWidth && p.y < FHeight;
            SetHot(inside);
            if (FMouseDown) SetPressed(inside);
            return 0;
        }
        case WM_MOUSELEAVE: SetHot(false); return 0;
        case WM_LBUTTONDOWN:
            if (FTabStop && CanFocus()) SetFocus();
            FMouseDown = true;
            SetCapture(FHandle);
            SetPressed(true);
            MouseDown(mbLeft, ShiftFromKeys(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONUP: {
            const bool click = FMouseDown && FPressed;
            FMouseDown = false;
            SetPressed(false);
            if (GetCapture() == FHandle) ReleaseCapture();
            MouseUp(mbLeft, ShiftFromKeys(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (click) Click();
            return 0;
        }
        case WM_CAPTURECHANGED:
            FMouseDown = false;
            SetPressed(false);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) {
                if (!(lParam & (1 << 30))) SetPressed(true);
                return 0;
            }
            break;
        case WM_KEYUP:
            if (wParam == VK_SPACE && FPressed) {
                SetPressed(false);
                Click();
                return 0;
            }
            break;
        case WM_ENABLE:
            if (!wParam) FHot = FPressed = FMouseDown = false;
            Invalidate();
            return 0;
        default: break;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

// ---- TButton ----------------------------------------------------------------------------------

TButton::TButton(TWinControl* parent) : TSkinnedControl(parent) {}

TButton::~TButton()
{
    if (TForm* form = ParentForm()) {
        if (form->FDefaultButton == this) form->FDefaultButton = nullptr;
        if (form->FCancelButton == this) form->FCancelButton = nullptr;
    }
}

void TButton::SetDefault(bool value)
{
    FDefault = value;
    if (TForm* form = ParentForm()) {
        if (value)
            form->SetDefaultButton(this);
        else if (form->DefaultButton() == this)
            form->SetDefaultButton(nullptr);
    }
    Invalidate();
}

void TButton::SetCancel(bool value)
{
    FCancel = value;
    if (TForm* form = ParentForm()) {
        if (value)
            form->SetCancelButton(this);
        else if (form->CancelButton() == this)
            form->SetCancelButton(nullptr);
    }
}

TSkinState TButton::SkinState() const
{
    TSkinState s = TSkinnedControl::SkinState();
    if (FDefault && !(s & skDisabled)) s |= skDefault;
    return s;
}

void TButton::Click()
{
    if (FModalResult != mrNone)
        if (TForm* form = ParentForm()) form->SetModalResult(FModalResult);
    TSkinnedControl::Click();
}

void TButton::PaintWindow(HDC dc)
{
    const RECT r{0, 0, FWidth, FHeight};
    TLuSkin::DrawButton(dc, r, SkinState(), FCaption, Font(), FParent ? FParent->Color() : clBtnFace);
}

// ---- TCheckBox --------------------------------------------------------------------------------

TCheckBox::TCheckBox(TWinControl* parent) : TSkinnedControl(parent) {}

void TCheckBox::SetChecked(bool checked)
{
    if (FChecked == checked) return;
    FChecked = checked;
    Invalidate();
}

TSkinState TCheckBox::SkinState() const
{
    TSkinState s = TSkinnedControl::SkinState();
    if (FChecked) s |= skChecked;
    return s;
}

void TCheckBox::Click()
{
    SetChecked(!FChecked);
    TSkinnedControl::Click();
}

void TCheckBox::PaintWindow(HDC dc)
{
    const RECT r{0, 0, FWidth, FHeight};
    TLuSkin::DrawCheckBox(dc, r, SkinState(), FCaption, Font(), FParent ? FParent->Color() : clBtnFace);
}

// ---- TRadioButton -----------------------------------------------------------------------------

TRadioButton::TRadioButton(TWinControl* parent) : TWinControl(parent)
{
    FTabStop = true;
    CreateHandle(L"BUTTON", BS_RADIOBUTTON | WS_TABSTOP, 0);
}

bool TRadioButton::Checked() const { return SendMessageW(FHandle, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TRadioButton::SetChecked(bool checked)
{
    SendMessageW(FHandle, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!checked || !FParent) return;
    for (TControl* c : FParent->Controls())
        if (auto* other = dynamic_cast<TRadioButton*>(c); other && other != this)
            SendMessageW(other->Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
}

void TRadioButton::CommandNotify(WORD code)
{
    if (code != BN_CLICKED) return;
    SetChecked(true);
    Click();
}

}  // namespace lu::ui
