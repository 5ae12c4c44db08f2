// The application object: its title, the message loop with the forms' keyboard handling (key
// preview, Tab, Enter, Escape), the modal phase count and the handling of errors that escape an
// event handler.
#pragma once

#include "LuUiTypes.h"

#include <exception>
#include <functional>
#include <string>

namespace lu::ui {

class TForm;

class TApplication {
public:
    // The title of message boxes; start-up sets it to the main window's caption.
    const std::u16string& Title() const { return FTitle; }
    void SetTitle(const std::u16string& title) { FTitle = title; }

    // The form whose closing ends the application (the first form shown, unless set).
    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* form) { FMainForm = form; }

    // Processes one message, waiting for one when none is queued. A WM_QUIT marks the application
    // terminated; returns false then. Rethrows a pending error (see OnException).
    bool HandleMessage();
    // Processes every queued message and returns. Rethrows a pending error.
    void ProcessMessages();
    // Runs the message loop until the application is terminated. Rethrows a pending error.
    void Run();
    // Asks the loops to end (posts WM_QUIT).
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Forgets an earlier end request, for hosts that run more than one message loop (tests).
    void ClearTerminated() { FTerminated = false; }

    // Modal phases (dialogs, message boxes) nest; the count is what other code may ask.
    void ModalStarted() { ++FModalLevel; }
    void ModalFinished()
    {
        if (FModalLevel > 0) --FModalLevel;
    }
    int ModalLevel() const { return FModalLevel; }

    // Errors that escape an event handler end here, never in the window procedure. The default
    // shows the message in an error box; a host may replace it. A handler that throws makes what
    // it throws pending: the message loops rethrow it once the window procedure has returned, so
    // it leaves every loop (modal ones included) as an ordinary exception and reaches the code
    // that started the outermost one. HandleException itself never throws.
    std::function<void(std::exception_ptr)> OnException;
    void HandleException(std::exception_ptr error);

    // The form-level handling of one keyboard message; true when it was consumed.
    bool IsKeyMsg(MSG& msg);

private:
    void ProcessMessage(MSG& msg);
    void RethrowPending();

    std::u16string FTitle;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    int FModalLevel = 0;
    std::exception_ptr FPending;  // the first error a handler threw, until a loop rethrows it
};

TApplication& Application();

}  // namespace lu::ui
