// Colours and fonts: resolution of system colours and the caches of brushes and font handles.
// Both caches live for the process: a form uses a handful of fonts and colours, and handles that
// outlive every window are simpler than reference counts on each control.
#include "LuUiTypes.h"

#include <map>
#include <mutex>
#include <tuple>

namespace lu::ui {

COLORREF ColorToRGB(TColor color)
{
    const uint32_t bits = uint32_t(color);
    if ((bits & 0xFF000000u) == 0xFF000000u) return GetSysColor(int(bits & 0xFF));
    return bits & 0x00FFFFFFu;
}

HBRUSH ColorBrush(TColor color)
{
    static std::mutex lock;
    static std::map<COLORREF, HBRUSH> brushes;
    const COLORREF rgb = ColorToRGB(color);
    std::lock_guard<std::mutex> guard(lock);
    auto it = brushes.find(rgb);
    if (it != brushes.end()) return it->second;
    HBRUSH brush = CreateSolidBrush(rgb);
    brushes.emplace(rgb, brush);
    return brush;
}

HFONT TFont::Handle() const
{
    using Key = std::tuple<std::u16string, int, bool, bool, bool>;
    static std::mutex lock;
    static std::map<Key, HFONT> fonts;
    const Key key{Name, Height, Bold, Italic, Underline};
    std::lock_guard<std::mutex> guard(lock);
    auto it = fonts.find(key);
    if (it != fonts.end()) return it->second;
    LOGFONTW lf{};
    lf.lfHeight = -Height;  // negative: the character (em) height, not the cell height
    lf.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = Italic;
    lf.lfUnderline = Underline;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lstrcpynW(lf.lfFaceName, W(Name), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    if (!font) font = HFONT(GetStockObject(DEFAULT_GUI_FONT));
    fonts.emplace(key, font);
    return font;
}

bool TFont::operator==(const TFont& o) const
{
    return Name == o.Name && Height == o.Height && Color == o.Color && Bold == o.Bold && Italic == o.Italic &&
           Underline == o.Underline;
}

}  // namespace lu::ui
