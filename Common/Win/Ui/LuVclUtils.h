// Window helpers shared by the installer's forms: the folder dialog, the information message,
// the clipboard, the application title, modal display over one owner window, and the
// double-buffering and repaint-on-navigation rules that every base form applies.
#pragma once

#include "LuUi.h"

#include <string>

namespace lu::ui {

// The folder dialog. Path is the folder to preselect on entry (ignored unless it exists) and the
// chosen folder with one trailing backslash on success; Root, when set, is the top of the tree;
// Caption is shown above the tree. Only file-system folders can be chosen.
class TLuPathDialog : public TComponent {
public:
    std::u16string Caption;
    std::u16string Path;
    std::u16string Root;
    // Shows the dialog owned by `owner`; true when the user chose a folder.
    bool Execute(HWND owner);
};

class TLuVclfn {
public:
    TLuVclfn() = delete;

    // Runs TLuPathDialog; `path` is read and, on success only, replaced.
    static bool SelectDirectory(HWND owner, const std::u16string& caption, std::u16string& path);
    // An information box captioned with the application title, owned by `owner`'s top-level
    // window, or by the thread's active window when owner is nullptr.
    static void ShowMessage(HWND owner, const std::u16string& text);
    static void ShowMessage(const std::u16string& text) { ShowMessage(nullptr, text); }
    // Puts the text on the clipboard as Unicode text, replacing what was there; false when the
    // clipboard could not be opened or filled.
    static bool SetClipboardText(HWND owner, const std::u16string& text);
    // The application object (its Title is the caption of message boxes).
    static TApplication& Application() { return lu::ui::Application(); }
    // Shows `form` modally with only the top-level window of `ownerControl` disabled; every
    // other window stays usable. The form is owned by that window while it is up.
    static TModalResult ShowModalOver(TForm& form, TControl* ownerControl);
    // Double-buffered painting for a control and every windowed control below it.
    static void EnableDoubleBuffering(TControl* component);
    // After Tab or any Alt combination the whole form repaints (InvalidateAll).
    static void RepaintOnNavKey(TForm& form, TShiftState shift, WORD key);
    // Invalidates a control and every windowed control below it.
    static void InvalidateAll(TControl* component);
};

}  // namespace lu::ui
