// Forms: styles, placement, snapping to the work area, focus and dialog keys, closing and the
// modal loop.
#include "LuUiForm.h"

#include "LuUiApplication.h"
#include "LuUiButtons.h"

#include <algorithm>
#include <cstdlib>

namespace lu::ui {

POINT SnapToWorkArea(const RECT& window, const RECT& work, int buffer)
{
    const int w = window.right - window.left, h = window.bottom - window.top;
    POINT p{window.left, window.top};
    if (std::abs(window.left - work.left) <= buffer)
        p.x = work.left;
    else if (std::abs(window.right - work.right) <= buffer)
        p.x = work.right - w;
    if (std::abs(window.top - work.top) <= buffer)
        p.y = work.top;
    else if (std::abs(window.bottom - work.bottom) <= buffer)
        p.y = work.bottom - h;
    return p;
}

namespace {

HWND TopLevelOf(TComponent* owner)
{
    auto* control = dynamic_cast<TWinControl*>(owner);
    if (!control || !control->Handle()) return nullptr;
    return GetAncestor(control->Handle(), GA_ROOT);
}

BOOL CALLBACK CollectEnabledWindow(HWND h, LPARAM data)
{
    auto* list = reinterpret_cast<std::vector<HWND>*>(data);
    if (IsWindowVisible(h) && IsWindowEnabled(h)) list->push_back(h);
    return TRUE;
}

}  // namespace

TForm::TForm(TComponent* owner) : TWinControl(nullptr), FOwner(owner)
{
    FVisible = false;
    FParentFont = false;
    FParentColor = false;
    FColor = clBtnFace;
    FWidth = 320, FHeight = 240;
    CreateHandle(nullptr, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, TopLevelOf(owner));
    ApplyStyle();
}

TForm::~TForm()
{
    if (Application().MainForm() == this) Application().SetMainForm(nullptr);
    FActiveControl = nullptr;
    FDefaultButton = FCancelButton = nullptr;
}

HWND TForm::OwnerWindow() const { return TopLevelOf(FOwner); }

void TForm::ApplyStyle()
{
    DWORD style = WS_CLIPCHILDREN | (GetWindowLongPtrW(FHandle, GWL_STYLE) & (WS_VISIBLE | WS_DISABLED));
    DWORD ex = WS_EX_CONTROLPARENT;
    switch (FBorderStyle) {
        case bsNone: style |= WS_POPUP; break;
        case bsSingle: style |= WS_CAPTION | WS_BORDER; break;
        case bsSizeable: style |= WS_CAPTION | WS_THICKFRAME; break;
        case bsDialog:
            style |= WS_CAPTION;
            ex |= WS_EX_DLGMODALFRAME;
            break;
    }
    if (FBorderIcons & biSystemMenu) style |= WS_SYSMENU;
    if (FBorderStyle != bsDialog) {
        if (FBorderIcons & biMinimize) style |= WS_MINIMIZEBOX;
        if (FBorderIcons & biMaximize) style |= WS_MAXIMIZEBOX;
    }
    const int cw = ClientWidth(), ch = ClientHeight();
    SetWindowLongPtrW(FHandle, GWL_STYLE, LONG_PTR(style));
    SetWindowLongPtrW(FHandle, GWL_EXSTYLE, LONG_PTR(ex));
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    SetClientSize(cw, ch);
}

void TForm::SetBorderStyle(TFormBorderStyle style)
{
    FBorderStyle = style;
    ApplyStyle();
}

void TForm::SetBorderIcons(TBorderIcons icons)
{
    FBorderIcons = icons;
    ApplyStyle();
}

void TForm::SetClientSize(int width, int height)
{
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, DWORD(GetWindowLongPtrW(FHandle, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongPtrW(FHandle, GWL_EXSTYLE)));
    SetBounds(FLeft, FTop, r.right - r.left, r.bottom - r.top);
    Realign();
}

void TForm::SetActiveControl(TWinControl* control)
{
    FActiveControl = control;
    if (control && IsWindowVisible(FHandle) && control->CanFocus()) control->SetFocus();
}

bool TForm::SelectNext(bool forward)
{
    std::vector<TWinControl*> all;
    GetTabOrderList(all);
    std::vector<TWinControl*> list;
    for (TWinControl* c : all)
        if (c->TabStop() && c->CanFocus()) list.push_back(c);
    if (list.empty()) return false;
    TWinControl* current = FindControl(GetFocus());
    auto it = std::find(list.begin(), list.end(), current);
    size_t next;
    if (it == list.end())
        next = forward ? 0 : list.size() - 1;
    else {
        const size_t i = size_t(it - list.begin());
        next = forward ? (i + 1) % list.size() : (i + list.size() - 1) % list.size();
    }
    list[next]->SetFocus();
    return true;
}

void TForm::PlaceOnFirstShow()
{
    if (FPlaced) return;
    FPlaced = true;
    BeforeFirstShow();
    RECT area{};
    if (FPosition == poOwnerFormCenter && OwnerWindow()) {
        GetWindowRect(OwnerWindow(), &area);
    } else if (FPosition == poScreenCenter || FPosition == poOwnerFormCenter) {
        MONITORINFO mi{sizeof mi, {}, {}, 0};
        GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
        area = mi.rcWork;
    } else {
        return;
    }
    const int left = area.left + (area.right - area.left - FWidth) / 2;
    const int top = area.top + (area.bottom - area.top - FHeight) / 2;
    SetBounds(left, top, FWidth, FHeight);
}

void TForm::SetVisible(bool visible)
{
    if (visible)
        Show();
    else
        Hide();
}

void TForm::Show()
{
    PlaceOnFirstShow();
    FVisible = true;
    ShowWindow(FHandle, SW_SHOW);
    SetForegroundWindow(FHandle);
    if (OnShow) OnShow(this);
}

void TForm::Hide()
{
    FVisible = false;
    ShowWindow(FHandle, SW_HIDE);
    if (OnHide) OnHide(this);
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::Close()
{
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    const bool isMain = Application().MainForm() == this;
    TCloseAction action = isMain ? caFree : caHide;
    if (OnClose) OnClose(this, action);
    switch (action) {
        case caNone: break;
        case caMinimize: ShowWindow(FHandle, SW_MINIMIZE); break;
        case caFree:
            // The creator owns the form; freeing here would pull it from under its owner. Closing the
            // main form ends the application, which then frees it.
            Hide();
            if (isMain) Application().Terminate();
            break;
        default: Hide(); break;
    }
}

HWND TForm::SetWindowOwner(HWND owner)
{
    return reinterpret_cast<HWND>(SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner)));
}

TModalResult TForm::ShowModal()
{
    std::vector<HWND> others;
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow, reinterpret_cast<LPARAM>(&others));
    others.erase(std::remove(others.begin(), others.end(), FHandle), others.end());
    return ExecuteModal(others);
}

void TForm::CloseModalStep()
{
    try {
        if (CloseQuery()) {
            TCloseAction action = caHide;
            if (OnClose) OnClose(this, action);
            if (action == caNone) FModalResult = mrNone;
        } else {
            FModalResult = mrNone;
        }
    } catch (...) {
        FModalResult = mrNone;
        Application().HandleException(std::current_exception());
    }
}

TModalResult TForm::ExecuteModal(const std::vector<HWND>& disable)
{
    if (IsWindowVisible(FHandle) || !IsWindowEnabled(FHandle) || FModal)
        throw EInvalidOperation(u"Cannot make a visible window modal");
    if (HWND capture = GetCapture()) {
        SendMessageW(capture, WM_CANCELMODE, 0, 0);
        ReleaseCapture();
    }
    Application().ModalStarted();
    FModal = true;
    HWND activeBefore = GetActiveWindow();
    HCURSOR cursorBefore = GetCursor();
    ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    std::vector<HWND> disabled;
    for (HWND h : disable)
        if (h && h != FHandle && IsWindowEnabled(h)) {
            EnableWindow(h, FALSE);
            disabled.push_back(h);
        }
    // Undone in this order whatever way the loop ends.
    struct Restore {
        TForm* form;
        HWND& activeBefore;
        HCURSOR cursorBefore;
        std::vector<HWND>& disabled;
        ~Restore()
        {
            form->Hide();
            ::SetCursor(cursorBefore);
            for (auto it = disabled.rbegin(); it != disabled.rend(); ++it) EnableWindow(*it, TRUE);
            if (activeBefore && IsWindow(activeBefore)) SetActiveWindow(activeBefore);
            form->FModal = false;
            Application().ModalFinished();
        }
    } restore{this, activeBefore, cursorBefore, disabled};

    Show();
    FModalResult = mrNone;
    do {
        Application().HandleMessage();
        if (Application().Terminated())
            FModalResult = mrCancel;
        else if (FModalResult != mrNone)
            CloseModalStep();
    } while (FModalResult == mrNone);
    if (GetActiveWindow() != FHandle) activeBefore = nullptr;
    return FModalResult;
}

bool TForm::DialogKey(WORD key, TShiftState shift, TWinControl* target)
{
    if (shift & (ssAlt | ssCtrl)) return false;
    if (target && target != this && target->WantsKey(key)) return false;
    auto usable = [](TButton* b) { return b && b->Showing() && b->Enabled() && IsWindowEnabled(b->Handle()); };
    switch (key) {
        case VK_TAB: return SelectNext(!(shift & ssShift));
        case VK_RETURN: {
            auto* focused = dynamic_cast<TButton*>(FindControl(GetFocus()));
            if (focused && focused->ParentForm() == this && usable(focused)) {
                focused->Click();
                return true;
            }
            if (usable(FDefaultButton)) {
                FDefaultButton->Click();
                return true;
            }
            return false;
        }
        case VK_ESCAPE:
            if (usable(FCancelButton)) {
                FCancelButton->Click();
                return true;
            }
            return false;
        default: return false;
    }
}

void TForm::KeyDown(WORD& key, TShiftState shift)
{
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
        case WM_CLOSE: Close(); return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
                // Give the focus back to the control that last had it, else to the first tab stop.
                if (FActiveControl && FActiveControl->CanFocus())
                    FActiveControl->SetFocus();
                else if (!SelectNext(true))
                    ::SetFocus(FHandle);
                return 0;
            }
            break;
        case WM_WINDOWPOSCHANGING:
            if (ScreenSnap) {
                auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
                if (!(pos->flags & SWP_NOMOVE)) {
                    RECT current;
                    GetWindowRect(FHandle, &current);
                    const int w = (pos->flags & SWP_NOSIZE) ? current.right - current.left : pos->cx;
                    const int h = (pos->flags & SWP_NOSIZE) ? current.bottom - current.top : pos->cy;
                    RECT r{pos->x, pos->y, pos->x + w, pos->y + h};
                    MONITORINFO mi{sizeof mi, {}, {}, 0};
                    if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &mi)) {
                        const POINT p = SnapToWorkArea(r, mi.rcWork, SnapBuffer);
                        pos->x = p.x, pos->y = p.y;
                    }
                }
            }
            break;
        default: break;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

}  // namespace lu::ui
