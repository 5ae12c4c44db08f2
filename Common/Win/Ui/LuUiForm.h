// Forms: top-level windows with a caption, a border style, a client size, a position rule, the
// default and cancel buttons for Enter and Escape, modal showing and closing.
//
// A form is declared as a class whose constructor makes its controls:
//     class TAboutForm : public TForm {
//     public:
//         TLabel* lblText;
//         TButton* btnOk;
//         explicit TAboutForm(TComponent* owner) : TForm(owner) {
//             SetCaption(u"About");
//             SetClientSize(300, 120);
//             lblText = Add<TLabel>(u"lblText", 8, 8, 284, 40);
//             btnOk = Add<TButton>(u"btnOk", 217, 87, 75, 25);
//             btnOk->SetModalResult(mrOk);
//             btnOk->SetDefault(true);
//         }
//     };
#pragma once

#include "LuUiControls.h"

#include <vector>

namespace lu::ui {

class TButton;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
using TBorderIcons = unsigned;
constexpr TBorderIcons biSystemMenu = 1, biMinimize = 2, biMaximize = 4;
enum TPosition { poDesigned, poScreenCenter, poOwnerFormCenter };

// Where a window at `window` lands when its edges within `buffer` pixels of the work area's edges
// snap to them (left before right, top before bottom); returns the new top-left corner.
POINT SnapToWorkArea(const RECT& window, const RECT& workArea, int buffer);

class TForm : public TWinControl {
public:
    // The owner is the window the form belongs to: an owned form stays above its owner's
    // top-level window and has no task-bar button of its own.
    explicit TForm(TComponent* owner = nullptr);
    ~TForm() override;

    TComponent* Owner() const { return FOwner; }
    // The top-level window of the owner when it is a windowed control, else nullptr.
    HWND OwnerWindow() const;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons icons);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition position) { FPosition = position; }
    void SetClientSize(int width, int height);
    void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
    void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }

    // The form sees key presses before its controls (OnKeyDown, KeyDown).
    bool KeyPreview = false;
    // Dragging the window near an edge of the screen's work area snaps it to that edge.
    bool ScreenSnap = false;
    int SnapBuffer = 10;

    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult result) { FModalResult = result; }
    bool Modal() const { return FModal; }

    TButton* DefaultButton() const { return FDefaultButton; }
    TButton* CancelButton() const { return FCancelButton; }
    void SetDefaultButton(TButton* button) { FDefaultButton = button; }
    void SetCancelButton(TButton* button) { FCancelButton = button; }

    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* control);
    // Moves the focus to the next (or previous) focusable control in tab order, wrapping around.
    bool SelectNext(bool forward);

    void SetVisible(bool visible) override;
    void Show();
    void Hide();
    // Closes the form: a modal form ends with Cancel; any other asks CloseQuery and OnClose.
    void Close();
    // Shows the form modally with every other window of the thread disabled.
    virtual TModalResult ShowModal();
    // The modal display itself: disables exactly `disable`, shows the form, runs the message loop
    // until a modal result is set and the close step allows it, then restores everything.
    // Raises EInvalidOperation for a form that is visible, disabled or already modal.
    TModalResult ExecuteModal(const std::vector<HWND>& disable);
    // Re-owns the window (the owner window stays below it); returns the previous owner.
    HWND SetWindowOwner(HWND owner);

    virtual bool CloseQuery();
    // The form-level keys: Tab, Enter (focused button or default button), Escape (cancel button).
    // True when the key was used.
    virtual bool DialogKey(WORD key, TShiftState shift, TWinControl* target);
    // Key preview: fires OnKeyDown; derived forms add to it.
    virtual void KeyDown(WORD& key, TShiftState shift);

    // Called by a control of this form when it gets the focus.
    void FocusChanged(TWinControl* control) { FActiveControl = control; }

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TKeyEvent OnKeyDown;

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    // Runs once, just before the form is first shown, when every designed control exists.
    virtual void BeforeFirstShow() {}
    void ApplyStyle();
    void PlaceOnFirstShow();
    void CloseModalStep();

    TComponent* FOwner;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    TPosition FPosition = poDesigned;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    bool FPlaced = false;
    TButton* FDefaultButton = nullptr;
    TButton* FCancelButton = nullptr;
    TWinControl* FActiveControl = nullptr;

    friend class TButton;
};

}  // namespace lu::ui
