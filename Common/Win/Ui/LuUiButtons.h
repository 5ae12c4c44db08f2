// Buttons: the skinned push button and checkbox (drawn by TLuSkin, with hot, pressed, focused,
// disabled and checked states) and the radio button over the system class.
#pragma once

#include "LuUiControls.h"
#include "LuUiSkin.h"

namespace lu::ui {

// A windowed control of the toolkit's own class that tracks the mouse and the space bar, and
// paints itself through the skin.
class TSkinnedControl : public TWinControl {
public:
    explicit TSkinnedControl(TWinControl* parent);
    // The state the skin paints: hot, pressed, disabled, focused (checked and default are added by
    // the controls that have them).
    virtual TSkinState SkinState() const;
    bool Hot() const { return FHot; }
    bool Pressed() const { return FPressed; }

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void SetHot(bool hot);
    void SetPressed(bool pressed);
    bool FHot = false;
    bool FPressed = false;
    bool FMouseDown = false;
};

class TButton : public TSkinnedControl {
public:
    explicit TButton(TWinControl* parent);
    ~TButton() override;

    // The default button answers Enter anywhere in its form; it is painted in the accent colour.
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    // The cancel button answers Escape anywhere in its form.
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value);
    // A click sets this modal result on the form (ending a modal display) before OnClick runs.
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult result) { FModalResult = result; }

    TSkinState SkinState() const override;
    void Click() override;

protected:
    void PaintWindow(HDC dc) override;

private:
    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

class TCheckBox : public TSkinnedControl {
public:
    explicit TCheckBox(TWinControl* parent);
    bool Checked() const { return FChecked; }
    // Setting the state from code does not fire OnClick; only the user's toggle does.
    void SetChecked(bool checked);
    TSkinState SkinState() const override;
    // Toggles, then fires OnClick.
    void Click() override;

protected:
    void PaintWindow(HDC dc) override;

private:
    bool FChecked = false;
};

// A radio button over the system class; the radio buttons with the same parent form one group.
class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TWinControl* parent);
    bool Checked() const;
    // Checking one unchecks the others of its group. Does not fire OnClick.
    void SetChecked(bool checked);
    void CommandNotify(WORD code) override;
};

}  // namespace lu::ui
