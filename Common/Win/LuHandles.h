// Scoped owners of Win32 handles: each closes its handle exactly once, can be moved but not
// copied, and treats the "no handle" values of its kind as empty.
#pragma once

#include <windows.h>

#include <utility>

// Owner of one handle of a kind described by Traits: Traits::Invalid() is the empty value and
// Traits::Close(h) releases a handle that is not empty.
template <class Traits>
class TScopedHandle {
public:
    using THandle = typename Traits::THandle;

    TScopedHandle() = default;
    explicit TScopedHandle(THandle handle) : FHandle(Traits::IsEmpty(handle) ? Traits::Invalid() : handle) {}
    ~TScopedHandle() { Reset(); }
    TScopedHandle(TScopedHandle&& other) noexcept : FHandle(other.Release()) {}
    TScopedHandle& operator=(TScopedHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    TScopedHandle(const TScopedHandle&) = delete;
    TScopedHandle& operator=(const TScopedHandle&) = delete;

    THandle Get() const { return FHandle; }
    explicit operator bool() const { return !Traits::IsEmpty(FHandle); }

    // Gives up ownership without closing.
    THandle Release()
    {
        THandle handle = FHandle;
        FHandle = Traits::Invalid();
        return handle;
    }
    void Reset(THandle handle = Traits::Invalid())
    {
        if (!Traits::IsEmpty(FHandle)) Traits::Close(FHandle);
        FHandle = Traits::IsEmpty(handle) ? Traits::Invalid() : handle;
    }
    // For output parameters: closes the current handle and returns the slot to be filled.
    THandle* Receive()
    {
        Reset();
        return &FHandle;
    }

private:
    THandle FHandle = Traits::Invalid();
};

// Kernel object handles (files, processes, threads, pipes, events, snapshots). Both null and
// INVALID_HANDLE_VALUE mean "none", since the API uses either depending on the function.
struct TKernelHandleTraits {
    using THandle = HANDLE;
    static THandle Invalid() { return nullptr; }
    static bool IsEmpty(THandle h) { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static void Close(THandle h) { ::CloseHandle(h); }
};
using TUniqueHandle = TScopedHandle<TKernelHandleTraits>;

// Registry keys. The predefined roots (HKEY_LOCAL_MACHINE, ...) are never closed.
struct TRegKeyTraits {
    using THandle = HKEY;
    static THandle Invalid() { return nullptr; }
    static bool IsEmpty(THandle h) { return h == nullptr; }
    static void Close(THandle h)
    {
        // The roots are small constants, sign-extended on 64-bit: compare as the same type.
        const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(h);
        const ULONG_PTR first = reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT);
        const ULONG_PTR last = reinterpret_cast<ULONG_PTR>(HKEY_CURRENT_USER_LOCAL_SETTINGS);
        if (value < first || value > last) ::RegCloseKey(h);
    }
};
using TRegKey = TScopedHandle<TRegKeyTraits>;

// Modules from LoadLibrary / LoadLibraryEx.
struct TModuleTraits {
    using THandle = HMODULE;
    static THandle Invalid() { return nullptr; }
    static bool IsEmpty(THandle h) { return h == nullptr; }
    static void Close(THandle h) { ::FreeLibrary(h); }
};
using TModuleHandle = TScopedHandle<TModuleTraits>;

// Memory from LocalAlloc, as returned by CommandLineToArgvW and FormatMessage.
struct TLocalMemoryTraits {
    using THandle = HLOCAL;
    static THandle Invalid() { return nullptr; }
    static bool IsEmpty(THandle h) { return h == nullptr; }
    static void Close(THandle h) { ::LocalFree(h); }
};
using TLocalMemory = TScopedHandle<TLocalMemoryTraits>;

// COM for the calling thread, in a single-threaded apartment as the user interface needs it.
// Uninitialises only when the initialisation succeeded (a thread already in another apartment
// model keeps it, and must not be uninitialised by us).
class TComInitializer {
public:
    TComInitializer();
    ~TComInitializer();
    TComInitializer(const TComInitializer&) = delete;
    TComInitializer& operator=(const TComInitializer&) = delete;

    bool Succeeded() const { return FInitialized; }
    HRESULT Result() const { return FResult; }

private:
    HRESULT FResult;
    bool FInitialized;
};

// A registry key opened or created straight into its owner: empty on failure, with the system's
// result in *result when asked for (ERROR_SUCCESS when the key is open).
inline TRegKey OpenRegKey(HKEY root, const wchar_t* subKey, REGSAM access, LONG* result = nullptr)
{
    TRegKey key;
    const LONG rc = ::RegOpenKeyExW(root, subKey, 0, access, key.Receive());
    if (rc != ERROR_SUCCESS) key.Release();  // what a failed call left there is no key of ours
    if (result) *result = rc;
    return key;
}

inline TRegKey CreateRegKey(HKEY root, const wchar_t* subKey, REGSAM access, LONG* result = nullptr)
{
    TRegKey key;
    const LONG rc =
        ::RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.Receive(), nullptr);
    if (rc != ERROR_SUCCESS) key.Release();
    if (result) *result = rc;
    return key;
}

// ---- GDI ----------------------------------------------------------------------------------------
// Painting creates short-lived GDI objects on every paint; a paint that throws must not leave them
// behind, nor a selection that keeps one alive inside a device context.

// Brushes, pens, fonts, bitmaps and regions, all released with DeleteObject. Stock objects must not
// be given to one (deleting them is harmless, but they are not ours).
template <class T>
struct TGdiObjectTraits {
    using THandle = T;
    static THandle Invalid() { return nullptr; }
    static bool IsEmpty(THandle h) { return h == nullptr; }
    static void Close(THandle h) { ::DeleteObject(h); }
};
template <class T>
using TGdiObject = TScopedHandle<TGdiObjectTraits<T>>;

// Device contexts made with CreateCompatibleDC / CreateDC.
struct TMemoryDCTraits {
    using THandle = HDC;
    static THandle Invalid() { return nullptr; }
    static bool IsEmpty(THandle h) { return h == nullptr; }
    static void Close(THandle h) { ::DeleteDC(h); }
};
using TMemoryDC = TScopedHandle<TMemoryDCTraits>;

// A device context from GetDC / GetWindowDC, given back with ReleaseDC for the same window.
class TWindowDC {
public:
    TWindowDC(HWND hwnd, HDC dc) : FWnd(hwnd), FDC(dc) {}
    ~TWindowDC()
    {
        if (FDC) ::ReleaseDC(FWnd, FDC);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;

    HDC Get() const { return FDC; }
    explicit operator bool() const { return FDC != nullptr; }

private:
    HWND FWnd;
    HDC FDC;
};

// An object selected into a device context for the lifetime of this scope; the one it displaced
// is selected back at the end, so that the object can then be deleted (a selected object cannot).
// Declare it after the object it selects, so it ends first. Not for regions: SelectObject returns
// no handle for them (use SelectClipRgn).
class TSelectedObject {
public:
    TSelectedObject(HDC dc, HGDIOBJ object) : FDC(dc), FOld(dc && object ? ::SelectObject(dc, object) : nullptr)
    {
        if (FOld == HGDI_ERROR) FOld = nullptr;
    }
    ~TSelectedObject()
    {
        if (FOld) ::SelectObject(FDC, FOld);
    }
    TSelectedObject(const TSelectedObject&) = delete;
    TSelectedObject& operator=(const TSelectedObject&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// BeginPaint ... EndPaint for one WM_PAINT. EndPaint runs even when painting throws: it gives the
// device context back and shows the caret that BeginPaint hid.
class TPaintScope {
public:
    explicit TPaintScope(HWND hwnd) : FWnd(hwnd), FDC(::BeginPaint(hwnd, &FPaint)) {}
    ~TPaintScope()
    {
        if (FDC) ::EndPaint(FWnd, &FPaint);
    }
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;

    HDC DC() const { return FDC; }
    // The part of the client area to paint.
    const RECT& Area() const { return FPaint.rcPaint; }

private:
    HWND FWnd;
    PAINTSTRUCT FPaint{};
    HDC FDC;
};
