// The application object: message loop, keyboard routing to forms, and escaped errors.
#include "LuUiApplication.h"

#include "LuExceptions.h"
#include "LuStrUtils.h"
#include "LuUiForm.h"

namespace lu::ui {

TApplication& Application()
{
    static TApplication app;
    return app;
}

bool TApplication::IsKeyMsg(MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    TWinControl* target = TWinControl::FindControl(msg.hwnd);
    if (!target) return false;
    TForm* form = target->ParentForm();
    if (!form) return false;
    TShiftState shift = CurrentShiftState();
    if (msg.message == WM_SYSKEYDOWN && (msg.lParam & (1 << 29))) shift |= ssAlt;
    WORD key = WORD(msg.wParam);
    if (form->KeyPreview) {
        form->KeyDown(key, shift);
        if (key == 0) return true;
    }
    if (form->DialogKey(key, shift, target)) return true;
    msg.wParam = key;
    return false;
}

void TApplication::ProcessMessage(MSG& msg)
{
    bool handled = false;
    try {
        handled = IsKeyMsg(msg);
    } catch (...) {
        HandleException(std::current_exception());
        handled = true;
    }
    if (handled) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool TApplication::HandleMessage()
{
    RethrowPending();
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        RethrowPending();  // a sent message may have failed while the queue was looked at
        WaitMessage();
        return !FTerminated;
    }
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return false;
    }
    ProcessMessage(msg);
    RethrowPending();
    return !FTerminated;
}

void TApplication::ProcessMessages()
{
    RethrowPending();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            FTerminated = true;
            break;
        }
        ProcessMessage(msg);
        RethrowPending();
    }
    RethrowPending();
}

void TApplication::Run()
{
    while (!FTerminated) HandleMessage();
    RethrowPending();
}

void TApplication::RethrowPending()
{
    if (!FPending) return;
    std::exception_ptr pending = FPending;
    FPending = nullptr;
    std::rethrow_exception(pending);
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::HandleException(std::exception_ptr error)
{
    if (OnException) {
        try {
            OnException(error);
        } catch (...) {
            if (!FPending) FPending = std::current_exception();
        }
        return;
    }
    const std::u16string text = ExceptionMessage(error);
    HWND owner = FMainForm ? FMainForm->Handle() : nullptr;
    ModalStarted();
    MessageBoxW(owner, W(text), W(FTitle), MB_OK | MB_ICONERROR);
    ModalFinished();
}

}  // namespace lu::ui
