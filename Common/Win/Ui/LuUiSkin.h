// The one skin painter of the toolkit. Buttons, checkboxes, panels, the progress bar and bevels
// are drawn here, and only here, so that they share one flat look: solid fills, one-pixel lines
// on whole pixels, softened corners, one accent colour for hover, focus, the default button, a
// checked box and progress. Nothing is a stretched bitmap, so every size stays sharp.
#pragma once

#include "LuUiTypes.h"

#include <string>

namespace lu::ui {

using TSkinState = unsigned;
constexpr TSkinState skNormal = 0, skHot = 1, skPressed = 2, skDisabled = 4, skFocused = 8, skChecked = 16,
                     skDefault = 32;

struct TSkinPalette {
    COLORREF Accent, AccentHot, AccentPressed;
    COLORREF Face, FaceHot, FacePressed;
    COLORREF Border, BoxBorder;
    COLORREF Text, TextOnAccent;
    COLORREF DisabledFace, DisabledBorder, DisabledText;
    COLORREF Track, TrackBorder;
    COLORREF SeparatorDark, SeparatorLight;
};

class TLuSkin {
public:
    static const TSkinPalette& Palette();

    // A push button; a default button (skDefault) is filled with the accent colour. `background`
    // is the colour around the softened corners (the parent's).
    static void DrawButton(HDC dc, const RECT& r, TSkinState state, const std::u16string& caption, const TFont& font,
                           TColor background);
    // A checkbox: a square box at the left, vertically centred, and the caption to its right.
    static void DrawCheckBox(HDC dc, const RECT& r, TSkinState state, const std::u16string& caption, const TFont& font,
                             TColor background);
    // A panel face with an optional one-pixel frame in a darker shade of its colour.
    static void DrawPanel(HDC dc, const RECT& r, TColor color, bool frame);
    // A progress bar at `fraction` (0..1) with `text` centred: dark over the track, light over the
    // filled part.
    static void DrawProgressBar(HDC dc, const RECT& r, TSkinState state, double fraction, const std::u16string& text,
                                const TFont& font, TColor background);
    // A separator: a dark line over a light one, across a horizontal rectangle (or down a vertical one).
    static void DrawSeparator(HDC dc, const RECT& r, bool vertical);
    // A frame of one pixel, for bevel boxes.
    static void DrawFrame(HDC dc, const RECT& r, bool raised);

    // Helpers shared by the painters.
    static COLORREF Mix(COLORREF a, COLORREF b, int percentOfB);
    static COLORREF Darker(COLORREF c, int percent);
    static void Fill(HDC dc, const RECT& r, COLORREF color);
    // A box with a one-pixel border and corners softened by two pixels.
    static void RoundBox(HDC dc, const RECT& r, COLORREF fill, COLORREF border, COLORREF background);
    static void Text(HDC dc, const RECT& r, const std::u16string& text, const TFont& font, COLORREF color, UINT format);
};

}  // namespace lu::ui
