// Text and value entry over the system classes: the edit field, the memo, the combo box and the
// spin edit (an edit field with an up-down). Their one-pixel frames are painted in the skin's
// colours (the accent while focused) so they sit with the skinned controls.
#pragma once

#include "LuUiControls.h"

#include <string>
#include <vector>

namespace lu::ui {

class TCustomEdit : public TWinControl {
public:
    std::u16string Text() const;
    void SetText(const std::u16string& text);
    bool ReadOnly() const;
    void SetReadOnly(bool value);
    void SetMaxLength(int length);
    void SelectAll();
    TNotifyEvent OnChange;

    void CommandNotify(WORD code) override;
    // A disabled field is shaded, as the skinned controls are.
    HBRUSH CtlColor(HDC dc) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    TCustomEdit(TWinControl* parent, DWORD style);
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TWinControl* parent);
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A multi-line edit. Long lines wrap unless a horizontal scroll bar is asked for. Line ends of
// any kind in SetText become CR LF, which the system class needs.
class TMemo : public TCustomEdit {
public:
    explicit TMemo(TWinControl* parent, TScrollStyle scrollBars = ssVertical);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle style);
    void SetText(const std::u16string& text);
    // Enter adds a line in an editable memo; in a read-only memo it reaches the default button.
    bool WantsKey(WORD key) const override;

private:
    TScrollStyle FScrollBars;
};

enum TComboBoxStyle { csDropDown, csDropDownList };

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TWinControl* parent, TComboBoxStyle style = csDropDownList);
    void AddItem(const std::u16string& item);
    void ClearItems();
    int ItemCount() const;
    std::u16string Item(int index) const;
    int ItemIndex() const;
    void SetItemIndex(int index);
    std::u16string Text() const;
    void SetText(const std::u16string& text);
    bool DroppedDown() const;
    TNotifyEvent OnChange;

    void SetBounds(int left, int top, int width, int height) override;
    void CommandNotify(WORD code) override;
    // While the list is open, Enter and Escape close it rather than the form.
    bool WantsKey(WORD key) const override;
};

class TSpinEdit : public TCustomEdit {
public:
    explicit TSpinEdit(TWinControl* parent);
    ~TSpinEdit() override;
    int MinValue() const { return FMin; }
    int MaxValue() const { return FMax; }
    void SetRange(int min, int max);
    // The value shown, kept inside the range; text that is not a number reads as MinValue.
    int Value() const;
    void SetValue(int value);
    HWND UpDownHandle() const { return FUpDown; }

    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void EnabledChanged() override;

private:
    static constexpr int kUpDownWidth = 17;
    HWND FUpDown = nullptr;
    int FMin = 0, FMax = 100;
};

}  // namespace lu::ui
