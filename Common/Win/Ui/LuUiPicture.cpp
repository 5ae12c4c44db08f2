// GDI+ through its flat API, resolved with GetProcAddress from the system's gdiplus.dll.
#include "LuUiPicture.h"

#include "LuHandles.h"
#include "LuSysUtilsWin.h"
#include "LuUiControls.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <utility>

namespace lu::ui {

namespace {

using namespace Gdiplus;

struct TGdiApi {
    decltype(&GdiplusStartup) Startup = nullptr;
    decltype(&DllExports::GdipCreateBitmapFromStream) CreateBitmapFromStream = nullptr;
    decltype(&DllExports::GdipCreateBitmapFromFile) CreateBitmapFromFile = nullptr;
    decltype(&DllExports::GdipCreateBitmapFromScan0) CreateBitmapFromScan0 = nullptr;
    decltype(&DllExports::GdipCreateBitmapFromHBITMAP) CreateBitmapFromHBITMAP = nullptr;
    decltype(&DllExports::GdipCloneBitmapAreaI) CloneBitmapAreaI = nullptr;
    decltype(&DllExports::GdipDisposeImage) DisposeImage = nullptr;
    decltype(&DllExports::GdipGetImageWidth) GetImageWidth = nullptr;
    decltype(&DllExports::GdipGetImageHeight) GetImageHeight = nullptr;
    decltype(&DllExports::GdipBitmapGetPixel) BitmapGetPixel = nullptr;
    decltype(&DllExports::GdipCreateFromHDC) CreateFromHDC = nullptr;
    decltype(&DllExports::GdipDeleteGraphics) DeleteGraphics = nullptr;
    decltype(&DllExports::GdipSetInterpolationMode) SetInterpolationMode = nullptr;
    decltype(&DllExports::GdipDrawImageRectRect) DrawImageRectRect = nullptr;
    decltype(&DllExports::GdipSaveImageToFile) SaveImageToFile = nullptr;
    decltype(&DllExports::GdipSaveImageToStream) SaveImageToStream = nullptr;
    bool Ready = false;
};

template <class F>
bool Resolve(HMODULE m, const char* name, F& fn)
{
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    return fn != nullptr;
}

const TGdiApi& Api()
{
    static const TGdiApi api = [] {
        TGdiApi a;
        HMODULE m = LoadSystemDll(L"gdiplus.dll");
        if (!m) return a;
        bool ok =
            Resolve(m, "GdiplusStartup", a.Startup) &&
            Resolve(m, "GdipCreateBitmapFromStream", a.CreateBitmapFromStream) &&
            Resolve(m, "GdipCreateBitmapFromFile", a.CreateBitmapFromFile) &&
            Resolve(m, "GdipCreateBitmapFromScan0", a.CreateBitmapFromScan0) &&
            Resolve(m, "GdipCreateBitmapFromHBITMAP", a.CreateBitmapFromHBITMAP) &&
            Resolve(m, "GdipCloneBitmapAreaI", a.CloneBitmapAreaI) && Resolve(m, "GdipDisposeImage", a.DisposeImage) &&
            Resolve(m, "GdipGetImageWidth", a.GetImageWidth) && Resolve(m, "GdipGetImageHeight", a.GetImageHeight) &&
            Resolve(m, "GdipBitmapGetPixel", a.BitmapGetPixel) && Resolve(m, "GdipCreateFromHDC", a.CreateFromHDC) &&
            Resolve(m, "GdipDeleteGraphics", a.DeleteGraphics) &&
            Resolve(m, "GdipSetInterpolationMode", a.SetInterpolationMode) &&
            Resolve(m, "GdipDrawImageRectRect", a.DrawImageRectRect) &&
            Resolve(m, "GdipSaveImageToFile", a.SaveImageToFile) &&
            Resolve(m, "GdipSaveImageToStream", a.SaveImageToStream);
        if (!ok) return a;
        // GDI+ stays started for the life of the process: pictures may live until its end.
        ULONG_PTR token = 0;
        GdiplusStartupInput input;
        input.GdiplusVersion = 1;
        input.DebugEventCallback = nullptr;
        input.SuppressBackgroundThread = FALSE;
        input.SuppressExternalCodecs = TRUE;
        a.Ready = a.Startup(&token, &input, nullptr) == Ok;
        return a;
    }();
    return api;
}

// {557CF406-1A04-11D3-9A73-0000F81EF32E}: the PNG encoder of GDI+.
const CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

GpBitmap* AsBitmap(void* p) { return static_cast<GpBitmap*>(p); }

}  // namespace

bool TGdiPlus::Available() { return Api().Ready; }

TPicture::~TPicture() { Clear(); }

TPicture::TPicture(TPicture&& other) noexcept : FImage(std::exchange(other.FImage, nullptr)) {}

TPicture& TPicture::operator=(TPicture&& other) noexcept
{
    if (this != &other) {
        Clear();
        FImage = std::exchange(other.FImage, nullptr);
    }
    return *this;
}

void TPicture::Clear()
{
    if (FImage) Api().DisposeImage(static_cast<GpImage*>(FImage));
    FImage = nullptr;
}

bool TPicture::Adopt(void* loaded)
{
    // A copy in premultiplied ARGB: independent of the stream or file it came from, and quick to draw.
    Clear();
    if (!loaded) return false;
    const TGdiApi& a = Api();
    UINT w = 0, h = 0;
    a.GetImageWidth(static_cast<GpImage*>(loaded), &w);
    a.GetImageHeight(static_cast<GpImage*>(loaded), &h);
    GpBitmap* copy = nullptr;
    if (w && h) a.CloneBitmapAreaI(0, 0, INT(w), INT(h), PixelFormat32bppPARGB, AsBitmap(loaded), &copy);
    a.DisposeImage(static_cast<GpImage*>(loaded));
    FImage = copy;
    return copy != nullptr;
}

bool TPicture::IsPng(const void* data, size_t size)
{
    static const unsigned char sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return data && size >= 8 && std::memcmp(data, sig, 8) == 0;
}

bool TPicture::LoadFromMemory(const void* data, size_t size)
{
    Clear();
    if (!TGdiPlus::Available() || !data || size == 0) return false;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!mem) return false;
    std::memcpy(GlobalLock(mem), data, size);
    GlobalUnlock(mem);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(mem, TRUE, &stream))) {
        GlobalFree(mem);
        return false;
    }
    GpBitmap* loaded = nullptr;
    Api().CreateBitmapFromStream(stream, &loaded);
    const bool ok = Adopt(loaded);
    stream->Release();
    return ok;
}

bool TPicture::LoadFromFile(const std::u16string& path)
{
    Clear();
    if (!TGdiPlus::Available()) return false;
    GpBitmap* loaded = nullptr;
    Api().CreateBitmapFromFile(reinterpret_cast<const WCHAR*>(path.c_str()), &loaded);
    return Adopt(loaded);
}

bool TPicture::LoadFromPixels(int width, int height, const uint32_t* argb)
{
    Clear();
    if (!TGdiPlus::Available() || width <= 0 || height <= 0 || !argb) return false;
    GpBitmap* view = nullptr;
    Api().CreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB,
                                reinterpret_cast<BYTE*>(const_cast<uint32_t*>(argb)), &view);
    return Adopt(view);
}

bool TPicture::CaptureWindow(HWND hwnd)
{
    Clear();
    if (!TGdiPlus::Available() || !IsWindow(hwnd)) return false;
    RECT r;
    GetWindowRect(hwnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    const TWindowDC src(hwnd, GetWindowDC(hwnd));
    const TMemoryDC mem(CreateCompatibleDC(src.Get()));
    const TGdiObject<HBITMAP> bmp(CreateCompatibleBitmap(src.Get(), w, h));
    if (!src || !mem || !bmp) return false;
    {
        // GDI+ takes the bitmap only once it is no longer selected into a device context.
        const TSelectedObject selected(mem.Get(), bmp.Get());
        BitBlt(mem.Get(), 0, 0, w, h, src.Get(), 0, 0, SRCCOPY);
    }
    GpBitmap* shot = nullptr;
    Api().CreateBitmapFromHBITMAP(bmp.Get(), nullptr, &shot);
    return Adopt(shot);
}

int TPicture::Width() const
{
    UINT w = 0;
    if (FImage) Api().GetImageWidth(static_cast<GpImage*>(FImage), &w);
    return int(w);
}

int TPicture::Height() const
{
    UINT h = 0;
    if (FImage) Api().GetImageHeight(static_cast<GpImage*>(FImage), &h);
    return int(h);
}

uint32_t TPicture::Pixel(int x, int y) const
{
    ARGB c = 0;
    if (FImage && x >= 0 && y >= 0 && x < Width() && y < Height()) Api().BitmapGetPixel(AsBitmap(FImage), x, y, &c);
    return c;
}

void TPicture::Draw(HDC dc, float x, float y, float width, float height, int interpolation) const
{
    if (!FImage) return;
    const TGdiApi& a = Api();
    GpGraphics* g = nullptr;
    if (a.CreateFromHDC(dc, &g) != Ok || !g) return;
    a.SetInterpolationMode(g, InterpolationMode(interpolation));
    a.DrawImageRectRect(g, static_cast<GpImage*>(FImage), x, y, width, height, 0, 0, REAL(Width()), REAL(Height()),
                        UnitPixel, nullptr, nullptr, nullptr);
    a.DeleteGraphics(g);
}

bool TPicture::SaveToPngFile(const std::u16string& path) const
{
    if (!FImage) return false;
    return Api().SaveImageToFile(static_cast<GpImage*>(FImage), reinterpret_cast<const WCHAR*>(path.c_str()),
                                 &kPngEncoder, nullptr) == Ok;
}

bool TPicture::SaveToPngMemory(std::vector<uint8_t>& out) const
{
    out.clear();
    if (!FImage) return false;
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return false;
    bool ok = Api().SaveImageToStream(static_cast<GpImage*>(FImage), stream, &kPngEncoder, nullptr) == Ok;
    HGLOBAL mem = nullptr;
    if (ok && SUCCEEDED(GetHGlobalFromStream(stream, &mem))) {
        STATSTG st{};
        stream->Stat(&st, STATFLAG_NONAME);
        const size_t size = size_t(st.cbSize.QuadPart);
        const auto* p = static_cast<const uint8_t*>(GlobalLock(mem));
        out.assign(p, p + size);
        GlobalUnlock(mem);
    } else {
        ok = false;
    }
    stream->Release();
    return ok;
}

}  // namespace lu::ui
