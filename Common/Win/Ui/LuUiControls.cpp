// Controls and windowed controls: ownership, bounds, alignment, fonts and colours, the window
// procedures and the painting of graphic children.
#include "LuUiControls.h"

#include "LuExceptions.h"
#include "LuHandles.h"
#include "LuSysUtilsWin.h"
#include "LuUiApplication.h"
#include "LuUiForm.h"

#include <algorithm>
#include <commctrl.h>
#include <string>
#include <windowsx.h>

namespace lu::ui {

namespace {

const wchar_t* const kObjectProp = L"LuUi.Object";

LPCWSTR CursorId(TCursor cursor)
{
    switch (cursor) {
        case crHandPoint: return IDC_HAND;
        case crIBeam: return IDC_IBEAM;
        case crHourGlass: return IDC_WAIT;
        default: return IDC_ARROW;
    }
}

}  // namespace

TShiftState ShiftFromKeys(WPARAM keys)
{
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

TShiftState CurrentShiftState()
{
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

const wchar_t* ToolkitWindowClass() { return L"LuUi.Window"; }

void EnsureCommonControls()
{
    static const bool done = [] {
        HMODULE comctl = LoadSystemDll(L"comctl32.dll");
        if (!comctl) return false;
        using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
        if (!init) return false;
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
        return init(&icc) != FALSE;
    }();
    (void)done;
}

// ---- TControl ---------------------------------------------------------------------------------

TControl::TControl(TWinControl* parent) : FParent(parent)
{
    if (FParent) FParent->FControls.push_back(this);
}

TControl::~TControl()
{
    if (FParent) {
        auto& list = FParent->FControls;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        if (FParent->FCaptured == this) FParent->FCaptured = nullptr;
        if (!IsWindowed() && FVisible) FParent->Invalidate();
    }
}

TForm* TControl::ParentForm() const
{
    const TControl* c = this;
    while (c->FParent) c = c->FParent;
    return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    Invalidate();
    FLeft = left, FTop = top, FWidth = std::max(0, width), FHeight = std::max(0, height);
    Invalidate();
}

void TControl::SetAlign(TAlign align)
{
    FAlign = align;
    if (FParent) FParent->Realign();
}

void TControl::SetVisible(bool visible)
{
    if (FVisible == visible) return;
    if (!visible) Invalidate();
    FVisible = visible;
    if (visible) Invalidate();
    if (FParent && FAlign != alNone) FParent->Realign();
}

bool TControl::Showing() const
{
    for (const TControl* c = this; c; c = c->FParent) {
        if (!c->FVisible) return false;
        if (!c->FParent && c->IsWindowed()) return IsWindowVisible(static_cast<const TWinControl*>(c)->Handle());
    }
    return true;
}

void TControl::SetEnabled(bool enabled)
{
    if (FEnabled == enabled) return;
    FEnabled = enabled;
    EnabledChanged();
}

const TFont& TControl::Font() const
{
    if (FParentFont && FParent) return FParent->Font();
    return FFont;
}

void TControl::SetFont(const TFont& font)
{
    FFont = font;
    FParentFont = false;
    FontChanged();
}

void TControl::SetParentFont(bool value)
{
    if (!value && FParentFont) FFont = Font();
    FParentFont = value;
    FontChanged();
}

void TControl::FontChanged() { Invalidate(); }

TColor TControl::Color() const
{
    if (FParentColor && FParent) return FParent->Color();
    return FColor;
}

void TControl::SetColor(TColor color)
{
    FColor = color;
    FParentColor = false;
    ColorChanged();
}

void TControl::SetCaption(const std::u16string& caption)
{
    if (caption == FCaption) return;
    FCaption = caption;
    Invalidate();
}

void TControl::Invalidate()
{
    if (!FParent || !FParent->Handle()) return;
    RECT r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, FALSE);
}

POINT TControl::ClientToScreen(POINT p) const
{
    if (IsWindowed()) {
        ::ClientToScreen(static_cast<const TWinControl*>(this)->Handle(), &p);
        return p;
    }
    p.x += FLeft, p.y += FTop;
    return FParent ? FParent->ClientToScreen(p) : p;
}

void TControl::Click()
{
    if (OnClick) OnClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

// ---- TWinControl ------------------------------------------------------------------------------

TWinControl::TWinControl(TWinControl* parent) : TControl(parent)
{
    if (FParent) FParent->FTabList.push_back(this);
}

TWinControl::~TWinControl()
{
    // Children first, newest first, while this window still exists.
    while (!FOwned.empty()) {
        std::unique_ptr<TControl> child = std::move(FOwned.back());
        FOwned.pop_back();
        child.reset();
    }
    if (FParent) {
        auto& tabs = FParent->FTabList;
        tabs.erase(std::remove(tabs.begin(), tabs.end(), this), tabs.end());
    }
    if (FHandle) {
        HWND h = FHandle;
        // From here on the window's messages go to the system procedures, not to a dying object.
        RemovePropW(h, kObjectProp);
        if (FDefProc) SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefProc));
        FHandle = nullptr;
        DestroyWindow(h);
    }
}

TWinControl* TWinControl::FromHandle(HWND hwnd)
{
    if (!hwnd) return nullptr;
    return static_cast<TWinControl*>(GetPropW(hwnd, kObjectProp));
}

TWinControl* TWinControl::FindControl(HWND hwnd)
{
    for (; hwnd; hwnd = GetParent(hwnd)) {
        if (TWinControl* c = FromHandle(hwnd)) return c;
        if (!(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD)) break;
    }
    return nullptr;
}

TControl* TWinControl::FindChild(const std::u16string& name) const
{
    for (TControl* c : FControls) {
        if (c->Name == name) return c;
        if (c->IsWindowed())
            if (TControl* found = static_cast<TWinControl*>(c)->FindChild(name)) return found;
    }
    return nullptr;
}

LRESULT CALLBACK TWinControl::StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWinControl* self = FromHandle(hwnd);
    if (!self && msg == WM_NCCREATE) {
        self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) {
            SetPropW(hwnd, kObjectProp, self);
            self->FHandle = hwnd;
        }
    }
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return Dispatch(self, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWinControl* self = FromHandle(hwnd);
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return Dispatch(self, hwnd, msg, wParam, lParam);
}

LRESULT TWinControl::Dispatch(TWinControl* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // No C++ exception may cross the system's window procedure machinery.
    try {
        return self->WndProc(msg, wParam, lParam);
    } catch (...) {
        Application().HandleException(std::current_exception());
    }
    (void)hwnd;
    return 0;
}

LRESULT TWinControl::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (FDefProc) return CallWindowProcW(FDefProc, FHandle, msg, wParam, lParam);
    return DefWindowProcW(FHandle, msg, wParam, lParam);
}

void TWinControl::CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, HWND parentOverride)
{
    static UINT_PTR nextId = 100;
    const bool child = FParent != nullptr;
    HWND parentWnd = parentOverride ? parentOverride : (child ? FParent->Handle() : nullptr);
    if (child) style |= WS_CHILD | WS_CLIPSIBLINGS | (FVisible ? WS_VISIBLE : 0);
    if (!FEnabled) style |= WS_DISABLED;
    HMENU id = child ? reinterpret_cast<HMENU>(nextId++) : nullptr;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    FOwnClass = className == nullptr;
    HWND h;
    if (FOwnClass) {
        static const bool registered = [instance] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.style = CS_HREDRAW | CS_VREDRAW;
            wc.lpfnWndProc = &TWinControl::StaticProc;
            wc.hInstance = instance;
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
            wc.lpszClassName = ToolkitWindowClass();
            return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        }();
        (void)registered;
        h = CreateWindowExW(exStyle, ToolkitWindowClass(), W(FCaption), style, FLeft, FTop, FWidth, FHeight, parentWnd,
                            id, instance, this);
    } else {
        h = CreateWindowExW(exStyle, className, W(FCaption), style, FLeft, FTop, FWidth, FHeight, parentWnd, id,
                            instance, nullptr);
        if (h) {
            FHandle = h;
            SetPropW(h, kObjectProp, this);
            FDefProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::SubclassProc)));
        }
    }
    if (!h) {
        const DWORD error = GetLastError();
        throw Exception(u"Cannot create window " + Name + u" (error " +
                        std::u16string(reinterpret_cast<const char16_t*>(std::to_wstring(error).c_str())) + u")");
    }
    FHandle = h;
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
    RECT rc;
    GetClientRect(h, &rc);
    FLastClient = {rc.right, rc.bottom};
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    width = std::max(0, width), height = std::max(0, height);
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    FLeft = left, FTop = top, FWidth = width, FHeight = height;
    if (FHandle) SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int TWinControl::ClientWidth() const
{
    RECT rc{};
    if (FHandle) GetClientRect(FHandle, &rc);
    return rc.right;
}

int TWinControl::ClientHeight() const
{
    RECT rc{};
    if (FHandle) GetClientRect(FHandle, &rc);
    return rc.bottom;
}

void TWinControl::SetVisible(bool visible)
{
    if (FVisible == visible) return;
    FVisible = visible;
    if (FHandle) ShowWindow(FHandle, visible ? SW_SHOWNA : SW_HIDE);
    if (FParent && FAlign != alNone) FParent->Realign();
}

void TWinControl::SetEnabled(bool enabled)
{
    if (FEnabled == enabled) return;
    FEnabled = enabled;
    if (FHandle) EnableWindow(FHandle, enabled);
    EnabledChanged();
}

void TWinControl::SetCaption(const std::u16string& caption)
{
    if (caption == FCaption) return;
    FCaption = caption;
    if (FHandle) SetWindowTextW(FHandle, W(FCaption));
    Invalidate();
}

void TWinControl::FontChanged()
{
    if (FHandle) SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
    Invalidate();
    for (TControl* c : FControls)
        if (c->ParentFont()) c->FontChanged();
}

void TWinControl::ColorChanged()
{
    Invalidate();
    for (TControl* c : FControls)
        if (c->ParentColor()) c->ColorChanged();
}

void TWinControl::Invalidate()
{
    if (FHandle) InvalidateRect(FHandle, nullptr, FOwnClass ? FALSE : TRUE);
}

int TWinControl::TabOrder() const
{
    if (!FParent) return -1;
    auto& tabs = FParent->FTabList;
    return int(std::find(tabs.begin(), tabs.end(), this) - tabs.begin());
}

void TWinControl::SetTabOrder(int order)
{
    if (!FParent) return;
    auto& tabs = FParent->FTabList;
    tabs.erase(std::remove(tabs.begin(), tabs.end(), this), tabs.end());
    order = std::clamp(order, 0, int(tabs.size()));
    tabs.insert(tabs.begin() + order, this);
}

bool TWinControl::CanFocus() const
{
    if (!FHandle) return false;
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return IsWindowVisible(FHandle) && IsWindowEnabled(FHandle);
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus()
{
    if (FHandle) ::SetFocus(FHandle);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const
{
    for (TWinControl* c : FTabList) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

void TWinControl::Realign()
{
    if (!FHandle || FAligning) return;
    FAligning = true;
    const int cw = ClientWidth(), ch = ClientHeight();
    const int dx = cw - FLastClient.cx, dy = ch - FLastClient.cy;
    FLastClient = {cw, ch};
    // Anchored children follow the change of this control's client size.
    if (dx || dy) {
        for (TControl* c : FControls) {
            if (c->FAlign != alNone) continue;
            int l = c->FLeft, t = c->FTop, w = c->FWidth, h = c->FHeight;
            if (c->FAnchors & akRight) (c->FAnchors & akLeft) ? w += dx : l += dx;
            if (c->FAnchors & akBottom) (c->FAnchors & akTop) ? h += dy : t += dy;
            c->SetBounds(l, t, w, h);
        }
    }
    RECT r{Padding.Left, Padding.Top, cw - Padding.Right, ch - Padding.Bottom};
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl* c : FControls) {
            if (c->FAlign != pass || !c->FVisible) continue;
            const int w = std::max<int>(0, r.right - r.left), h = std::max<int>(0, r.bottom - r.top);
            switch (pass) {
                case alTop:
                    c->SetBounds(r.left, r.top, w, c->FHeight);
                    r.top += c->FHeight;
                    break;
                case alBottom:
                    c->SetBounds(r.left, r.bottom - c->FHeight, w, c->FHeight);
                    r.bottom -= c->FHeight;
                    break;
                case alLeft:
                    c->SetBounds(r.left, r.top, c->FWidth, h);
                    r.left += c->FWidth;
                    break;
                case alRight:
                    c->SetBounds(r.right - c->FWidth, r.top, c->FWidth, h);
                    r.right -= c->FWidth;
                    break;
                default: c->SetBounds(r.left, r.top, w, h); break;
            }
        }
    }
    FAligning = false;
}

HBRUSH TWinControl::CtlColor(HDC dc)
{
    SetTextColor(dc, ColorToRGB(FEnabled ? Font().Color : clGrayText));
    SetBkColor(dc, ColorToRGB(Color()));
    return ColorBrush(Color());
}

void TWinControl::PaintWindow(HDC dc)
{
    RECT rc{0, 0, ClientWidth(), ClientHeight()};
    FillRect(dc, &rc, ColorBrush(Color()));
}

void TWinControl::PaintControls(HDC dc, const RECT& clip)
{
    for (TControl* c : FControls) {
        if (c->IsWindowed() || !c->Visible()) continue;
        RECT b = c->BoundsRect(), hit;
        if (!IntersectRect(&hit, &b, &clip)) continue;
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, b.left, b.top, b.right, b.bottom);
        OffsetViewportOrgEx(dc, b.left, b.top, nullptr);
        c->Paint(dc);
        RestoreDC(dc, saved);
    }
}

void TWinControl::PaintHandler()
{
    // A paint override may throw: the scopes give everything back on the way to Dispatch, which
    // reports the error.
    const TPaintScope paint(FHandle);
    HDC dc = paint.DC();
    if (!dc) return;
    const RECT& area = paint.Area();
    if (FDoubleBuffered) {
        const int w = std::max(1, ClientWidth()), h = std::max(1, ClientHeight());
        const TMemoryDC mem(CreateCompatibleDC(dc));
        const TGdiObject<HBITMAP> bmp(CreateCompatibleBitmap(dc, w, h));
        const TSelectedObject selected(mem.Get(), bmp.Get());
        IntersectClipRect(mem.Get(), area.left, area.top, area.right, area.bottom);
        PaintWindow(mem.Get());
        PaintControls(mem.Get(), area);
        BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, mem.Get(), area.left, area.top,
               SRCCOPY);
    } else {
        PaintWindow(dc);
        PaintControls(dc, area);
    }
}

TGraphicControl* TWinControl::GraphicAt(int x, int y) const
{
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (c->IsWindowed() || !c->Visible()) continue;
        RECT b = c->BoundsRect();
        if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) return static_cast<TGraphicControl*>(c);
    }
    return nullptr;
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
        case WM_ERASEBKGND:
            if (FOwnClass) return 1;
            break;
        case WM_PAINT:
            if (FOwnClass) {
                PaintHandler();
                return 0;
            }
            break;
        case WM_SIZE:
        case WM_MOVE: {
            // Keep the recorded bounds in step with moves the user or the system makes.
            RECT wr;
            GetWindowRect(FHandle, &wr);
            if (FParent) MapWindowPoints(HWND_DESKTOP, FParent->Handle(), reinterpret_cast<POINT*>(&wr), 2);
            FLeft = wr.left, FTop = wr.top, FWidth = wr.right - wr.left, FHeight = wr.bottom - wr.top;
            if (msg == WM_SIZE) Resized();
            break;
        }
        case WM_SETFOCUS:
            if (TForm* form = ParentForm(); form && form != this) form->FocusChanged(this);
            if (FOwnClass) Invalidate();
            break;
        case WM_KILLFOCUS:
            if (FOwnClass) Invalidate();
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            const TMouseButton button = msg == WM_LBUTTONDOWN ? mbLeft : msg == WM_RBUTTONDOWN ? mbRight : mbMiddle;
            const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
            if (FOwnClass) {
                if (TGraphicControl* g = GraphicAt(x, y)) {
                    if (!g->Enabled()) return 0;
                    FCaptured = g;
                    SetCapture(FHandle);
                    g->MouseDown(button, ShiftFromKeys(wParam), x - g->Left(), y - g->Top());
                    if (GetCapture() != FHandle) FCaptured = nullptr;  // the handler took the mouse elsewhere
                    return 0;
                }
                FMouseInside = button == mbLeft;
            }
            MouseDown(button, ShiftFromKeys(wParam), x, y);
            break;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const TMouseButton button = msg == WM_LBUTTONUP ? mbLeft : msg == WM_RBUTTONUP ? mbRight : mbMiddle;
            const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
            if (TGraphicControl* g = FCaptured) {
                FCaptured = nullptr;
                ReleaseCapture();
                g->MouseUp(button, ShiftFromKeys(wParam), x - g->Left(), y - g->Top());
                RECT b = g->BoundsRect();
                if (button == mbLeft && x >= b.left && x < b.right && y >= b.top && y < b.bottom) g->Click();
                return 0;
            }
            MouseUp(button, ShiftFromKeys(wParam), x, y);
            if (FOwnClass && button == mbLeft && FMouseInside) {
                FMouseInside = false;
                if (x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight()) Click();
            }
            break;
        }
        case WM_CAPTURECHANGED: FCaptured = nullptr; break;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == FHandle && LOWORD(lParam) == HTCLIENT) {
                POINT p;
                GetCursorPos(&p);
                ScreenToClient(FHandle, &p);
                TGraphicControl* g = FOwnClass ? GraphicAt(p.x, p.y) : nullptr;
                const TCursor cursor = g ? g->Cursor() : FCursor;
                if (cursor != crDefault) {
                    ::SetCursor(LoadCursorW(nullptr, CursorId(cursor)));
                    return TRUE;
                }
            }
            break;
        case WM_COMMAND:
            if (lParam) {
                if (TWinControl* c = FindControl(reinterpret_cast<HWND>(lParam)); c && c != this) {
                    c->CommandNotify(HIWORD(wParam));
                    return 0;
                }
            }
            break;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lParam);
            if (TWinControl* c = FromHandle(hdr->hwndFrom); c && c != this) return c->Notify(hdr);
            break;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            if (TWinControl* c = FindControl(reinterpret_cast<HWND>(lParam)); c && c != this)
                return reinterpret_cast<LRESULT>(c->CtlColor(reinterpret_cast<HDC>(wParam)));
            break;
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (lParam) {
                if (TWinControl* c = FromHandle(reinterpret_cast<HWND>(lParam)); c && c != this) {
                    c->Scrolled(LOWORD(wParam));
                    return 0;
                }
            }
            break;
        default: break;
    }
    return DefaultProc(msg, wParam, lParam);
}

}  // namespace lu::ui
