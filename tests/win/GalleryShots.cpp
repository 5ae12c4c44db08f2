#include "GalleryShots.h"

#include <cstdio>

using namespace lu::ui;

namespace {

std::function<void()> pending;

void CALLBACK PendingTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    std::function<void()> action = std::move(pending);
    pending = nullptr;
    if (action) action();
}

}  // namespace

void PumpMessages(int ms)
{
    const DWORD end = GetTickCount() + DWORD(ms);
    while (GetTickCount() < end) {
        Application().ProcessMessages();
        Sleep(15);
    }
}

bool SaveWindowShot(HWND hwnd, const std::u16string& folder, const std::u16string& name)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PumpMessages(400);
    TPicture shot;
    const std::u16string path = folder + u"\\" + name;
    const bool ok = shot.CaptureWindow(hwnd) && shot.SaveToPngFile(path);
    std::printf("%s %ls\n", ok ? "saved" : "FAILED", reinterpret_cast<const wchar_t*>(path.c_str()));
    return ok;
}

void RunFromMessageLoop(int delay, std::function<void()> action)
{
    pending = std::move(action);
    SetTimer(nullptr, 0, UINT(delay), PendingTimer);
}
