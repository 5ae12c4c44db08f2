// Pictures through GDI+: decoding PNG (and the other formats GDI+ reads), drawing with a chosen
// interpolation, encoding PNG, and capturing a window. GDI+ is loaded at run time from the system
// folder: the installer imports nothing but the system's known DLLs statically.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lu::ui {

class TGdiPlus {
public:
    // Loads gdiplus.dll from the system folder and starts it, once; false when it is missing.
    static bool Available();
};

class TPicture {
public:
    TPicture() = default;
    ~TPicture();
    TPicture(TPicture&& other) noexcept;
    TPicture& operator=(TPicture&& other) noexcept;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // Decodes an image; the picture keeps its own copy of the pixels, not the buffer or the file.
    // False (and the picture empty) when GDI+ is missing or cannot read the data.
    bool LoadFromMemory(const void* data, size_t size);
    bool LoadFromFile(const std::u16string& path);
    // A picture of width x height pixels from 0xAARRGGBB values, row by row, top row first.
    bool LoadFromPixels(int width, int height, const uint32_t* argb);
    // The screen content of a window, its frame included.
    bool CaptureWindow(HWND hwnd);
    void Clear();

    bool Empty() const { return FImage == nullptr; }
    int Width() const;
    int Height() const;
    // The 0xAARRGGBB value of a pixel (0 outside the picture).
    uint32_t Pixel(int x, int y) const;
    // True for data that starts with the PNG signature.
    static bool IsPng(const void* data, size_t size);

    // Draws the whole picture into the rectangle; interpolation is a GDI+ InterpolationMode value
    // (7: high-quality bicubic). Nothing is drawn when the picture is empty.
    void Draw(HDC dc, float x, float y, float width, float height, int interpolation = 7) const;
    void Draw(HDC dc, const RECT& r) const
    {
        Draw(dc, float(r.left), float(r.top), float(r.right - r.left), float(r.bottom - r.top));
    }

    bool SaveToPngFile(const std::u16string& path) const;
    bool SaveToPngMemory(std::vector<uint8_t>& out) const;

    // The GDI+ image (a GpBitmap*), for painters that draw it themselves.
    void* Handle() const { return FImage; }

private:
    bool Adopt(void* loaded);
    void* FImage = nullptr;
};

}  // namespace lu::ui
