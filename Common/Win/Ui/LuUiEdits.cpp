// Edit fields, memos, combo boxes and spin edits.
#include "LuUiEdits.h"

#include "LuHandles.h"
#include "LuUiSkin.h"

#include <algorithm>
#include <commctrl.h>
#include <cwchar>

namespace lu::ui {

// ---- TCustomEdit ------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TWinControl* parent, DWORD style) : TWinControl(parent)
{
    FTabStop = true;
    FParentColor = false;
    FColor = clWindow;
    CreateHandle(L"EDIT", style | WS_TABSTOP | WS_BORDER, 0);
    SendMessageW(FHandle, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(3, 3));
}

std::u16string TCustomEdit::Text() const
{
    const int n = GetWindowTextLengthW(FHandle);
    std::u16string s(size_t(n) + 1, u'\0');
    GetWindowTextW(FHandle, reinterpret_cast<wchar_t*>(&s[0]), n + 1);
    s.resize(size_t(n));
    return s;
}

void TCustomEdit::SetText(const std::u16string& text)
{
    FCaption = text;
    SetWindowTextW(FHandle, W(text));
}

bool TCustomEdit::ReadOnly() const { return GetWindowLongPtrW(FHandle, GWL_STYLE) & ES_READONLY; }

void TCustomEdit::SetReadOnly(bool value) { SendMessageW(FHandle, EM_SETREADONLY, value, 0); }

void TCustomEdit::SetMaxLength(int length) { SendMessageW(FHandle, EM_SETLIMITTEXT, WPARAM(std::max(0, length)), 0); }

void TCustomEdit::SelectAll() { SendMessageW(FHandle, EM_SETSEL, 0, -1); }

void TCustomEdit::CommandNotify(WORD code)
{
    if (code == EN_CHANGE) {
        FCaption = Text();
        if (OnChange) OnChange(this);
    }
}

HBRUSH TCustomEdit::CtlColor(HDC dc)
{
    if (IsWindowEnabled(FHandle)) return TWinControl::CtlColor(dc);
    const TSkinPalette& p = TLuSkin::Palette();
    SetTextColor(dc, p.DisabledText);
    SetBkColor(dc, p.DisabledFace);
    return ColorBrush(TColor(p.DisabledFace));
}

LRESULT TCustomEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
        case WM_NCPAINT: {
            // The system paints scroll bars and its frame; the frame is then redrawn in the skin's colour.
            const LRESULT r = TWinControl::WndProc(msg, wParam, lParam);
            const TWindowDC dc(FHandle, GetWindowDC(FHandle));
            RECT wr;
            GetWindowRect(FHandle, &wr);
            RECT fr{0, 0, wr.right - wr.left, wr.bottom - wr.top};
            const TSkinPalette& p = TLuSkin::Palette();
            const COLORREF c = !IsWindowEnabled(FHandle) ? p.DisabledBorder : Focused() ? p.Accent : p.Border;
            const TGdiObject<HBRUSH> brush(CreateSolidBrush(c));
            FrameRect(dc.Get(), &fr, brush.Get());
            return r;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            const LRESULT r = TWinControl::WndProc(msg, wParam, lParam);
            RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
            return r;
        }
        default: return TWinControl::WndProc(msg, wParam, lParam);
    }
}

TEdit::TEdit(TWinControl* parent) : TCustomEdit(parent, ES_AUTOHSCROLL) {}

// ---- TMemo ------------------------------------------------------------------------------------

namespace {

DWORD MemoStyle(TScrollStyle s)
{
    DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (s == ssVertical || s == ssBoth) style |= WS_VSCROLL;
    if (s == ssHorizontal || s == ssBoth) style |= WS_HSCROLL | ES_AUTOHSCROLL;
    return style;
}

}  // namespace

TMemo::TMemo(TWinControl* parent, TScrollStyle scrollBars)
    : TCustomEdit(parent, MemoStyle(scrollBars)), FScrollBars(scrollBars)
{}

void TMemo::SetScrollBars(TScrollStyle style)
{
    FScrollBars = style;
    // Wrapping is fixed when the system class makes the window; only the bars can follow later.
    ShowScrollBar(FHandle, SB_VERT, style == ssVertical || style == ssBoth);
    ShowScrollBar(FHandle, SB_HORZ, style == ssHorizontal || style == ssBoth);
}

void TMemo::SetText(const std::u16string& text)
{
    std::u16string crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r') {
            crlf += u"\r\n";
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else if (c == u'\n') {
            crlf += u"\r\n";
        } else {
            crlf += c;
        }
    }
    TCustomEdit::SetText(crlf);
}

bool TMemo::WantsKey(WORD key) const { return key == VK_RETURN && !ReadOnly(); }

// ---- TComboBox --------------------------------------------------------------------------------

TComboBox::TComboBox(TWinControl* parent, TComboBoxStyle style) : TWinControl(parent)
{
    FTabStop = true;
    FParentColor = false;
    FColor = clWindow;
    CreateHandle(
        L"COMBOBOX",
        WS_TABSTOP | WS_VSCROLL | (style == csDropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL), 0);
}

void TComboBox::AddItem(const std::u16string& item) { SendMessageW(FHandle, CB_ADDSTRING, 0, LPARAM(W(item))); }

void TComboBox::ClearItems() { SendMessageW(FHandle, CB_RESETCONTENT, 0, 0); }

int TComboBox::ItemCount() const { return int(SendMessageW(FHandle, CB_GETCOUNT, 0, 0)); }

std::u16string TComboBox::Item(int index) const
{
    const LRESULT n = SendMessageW(FHandle, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (n == CB_ERR) return {};
    std::u16string s(size_t(n) + 1, u'\0');
    SendMessageW(FHandle, CB_GETLBTEXT, WPARAM(index), LPARAM(&s[0]));
    s.resize(size_t(n));
    return s;
}

int TComboBox::ItemIndex() const { return int(SendMessageW(FHandle, CB_GETCURSEL, 0, 0)); }

void TComboBox::SetItemIndex(int index) { SendMessageW(FHandle, CB_SETCURSEL, WPARAM(index), 0); }

std::u16string TComboBox::Text() const
{
    const int n = GetWindowTextLengthW(FHandle);
    std::u16string s(size_t(n) + 1, u'\0');
    GetWindowTextW(FHandle, reinterpret_cast<wchar_t*>(&s[0]), n + 1);
    s.resize(size_t(n));
    return s;
}

void TComboBox::SetText(const std::u16string& text) { SetWindowTextW(FHandle, W(text)); }

bool TComboBox::DroppedDown() const { return SendMessageW(FHandle, CB_GETDROPPEDSTATE, 0, 0) != 0; }

void TComboBox::SetBounds(int left, int top, int width, int height)
{
    // The window's height includes the opened list; the closed box takes its height from the font.
    FLeft = left, FTop = top, FWidth = std::max(0, width), FHeight = std::max(0, height);
    if (FHandle) SetWindowPos(FHandle, nullptr, left, top, FWidth, FHeight + 200, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TComboBox::CommandNotify(WORD code)
{
    if ((code == CBN_SELCHANGE || code == CBN_EDITCHANGE) && OnChange) OnChange(this);
}

bool TComboBox::WantsKey(WORD key) const { return (key == VK_RETURN || key == VK_ESCAPE) && DroppedDown(); }

// ---- TSpinEdit --------------------------------------------------------------------------------

TSpinEdit::TSpinEdit(TWinControl* parent) : TCustomEdit(parent, ES_AUTOHSCROLL)
{
    EnsureCommonControls();
    FUpDown = CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                              WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0,
                              kUpDownWidth, 20, FParent->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (FUpDown) {
        SendMessageW(FUpDown, UDM_SETBUDDY, WPARAM(FHandle), 0);
        SendMessageW(FUpDown, UDM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
    }
    SetValue(0);
}

TSpinEdit::~TSpinEdit()
{
    if (FUpDown) DestroyWindow(FUpDown);
}

void TSpinEdit::SetRange(int min, int max)
{
    FMin = min;
    FMax = std::max(min, max);
    if (FUpDown) SendMessageW(FUpDown, UDM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
    SetValue(Value());
}

int TSpinEdit::Value() const
{
    const std::u16string t = Text();
    wchar_t* end = nullptr;
    const wchar_t* begin = W(t);
    const long v = std::wcstol(begin, &end, 10);
    if (end == begin) return FMin;
    return int(std::clamp<long>(v, FMin, FMax));
}

void TSpinEdit::SetValue(int value)
{
    value = std::clamp(value, FMin, FMax);
    if (FUpDown) SendMessageW(FUpDown, UDM_SETPOS32, 0, LPARAM(value));
    SetText(reinterpret_cast<const char16_t*>(std::to_wstring(value).c_str()));
}

void TSpinEdit::SetBounds(int left, int top, int width, int height)
{
    TCustomEdit::SetBounds(left, top, std::max(0, width - kUpDownWidth), height);
    FWidth = std::max(0, width);
    if (FUpDown)
        SetWindowPos(FUpDown, nullptr, left + FWidth - kUpDownWidth, top, kUpDownWidth, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void TSpinEdit::SetVisible(bool visible)
{
    TCustomEdit::SetVisible(visible);
    if (FUpDown) ShowWindow(FUpDown, visible ? SW_SHOWNA : SW_HIDE);
}

void TSpinEdit::EnabledChanged()
{
    if (FUpDown) EnableWindow(FUpDown, FEnabled);
    TCustomEdit::EnabledChanged();
}

}  // namespace lu::ui
