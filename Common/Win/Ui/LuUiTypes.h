// Basic types of the UI toolkit: colours, fonts, modal results, alignment, shift states and the
// event signatures every control uses.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "LuColor.h"
#include "LuObject.h"
#include "LuWinText.h"  // W() and U16(), the Win32 text of a UTF-16 string

namespace lu::ui {

// ---- Colours ----------------------------------------------------------------------------------
// TColor (LuColor.h) is 0x00BBGGRR. Values with the top byte 0xFF name a system colour (the low
// byte is its COLOR_* index), so that "button face" follows the user's theme.
constexpr TColor SystemColor(int index) { return TColor(0xFF000000u | uint32_t(index)); }
constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b)
{
    return TColor(r | (uint32_t(g) << 8) | (uint32_t(b) << 16));
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clGray = 0x808080;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);

// The RGB value of a colour, system colours resolved.
COLORREF ColorToRGB(TColor color);
// A cached solid brush of the colour; owned by the toolkit, never to be deleted by the caller.
HBRUSH ColorBrush(TColor color);

// ---- Fonts ------------------------------------------------------------------------------------
// A font by face name and character height in pixels (the em height, as a negative LOGFONT
// height), its colour and style. Handles are created once per distinct font and kept.
struct TFont {
    std::u16string Name = u"Tahoma";
    int Height = 12;
    TColor Color = clWindowText;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;

    TFont() = default;
    TFont(std::u16string name, int height, TColor color = clWindowText, bool bold = false, bool underline = false)
        : Name(std::move(name)), Height(height), Color(color), Bold(bold), Underline(underline)
    {}

    HFONT Handle() const;
    bool operator==(const TFont& other) const;
    bool operator!=(const TFont& other) const { return !(*this == other); }
};

// ---- Results, layout and input ----------------------------------------------------------------
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

using TAnchors = unsigned;
constexpr TAnchors akLeft = 1, akTop = 2, akRight = 4, akBottom = 8;

enum TAlignment { taLeftJustify, taCenter, taRightJustify };
enum TVerticalAlignment { taAlignTop, taVerticalCenter, taAlignBottom };

using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TCursor { crDefault, crArrow, crHandPoint, crIBeam, crHourGlass };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

struct TPadding {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// ---- Events -----------------------------------------------------------------------------------
// The sender is a TObject (LuObject.h), the root the persistent objects share.
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

}  // namespace lu::ui
