// The base forms of the installer's windows. TBaseForm: every window (Tahoma 12, button face,
// key preview, centred on the screen, snapping to the screen edges within 10 pixels, double
// buffered, repainting after Tab or Alt, modal over its owner's window only). TBaseDialogForm:
// every dialog with OK and Cancel, its button panel along the bottom and its client panel.
//
// A dialog is used only through a class operation that makes it, shows it and frees it:
//     static bool TMyDialog::Execute(TWinControl* owner, const std::u16string& text) {
//         return ExecuteDialog<TMyDialog>(owner,
//             [&](TMyDialog& d) { d.lblText->SetCaption(text); },
//             [](TMyDialog&, TModalResult r) { return r == mrOk; });
//     }
#pragma once

#include "LuVclUtils.h"

#include <memory>

class TBaseForm : public lu::ui::TForm {
public:
    explicit TBaseForm(lu::ui::TComponent* owner);

    // Modal over the owner's top-level window when the owner is a windowed control (only that
    // window is disabled); otherwise the ordinary modal display.
    lu::ui::TModalResult ShowModal() override;
    // The ordinary key preview, then RepaintOnNavKey.
    void KeyDown(WORD& key, lu::ui::TShiftState shift) override;

    // Makes a TDialog owned by `owner`, lets `fill` set it up, shows it modally and returns
    // read(dialog, modal result). The dialog is freed on every way out, errors included.
    template <class TDialog, class Fill, class Read>
    static auto ExecuteDialog(lu::ui::TWinControl* owner, Fill&& fill, Read&& read)
    {
        auto dialog = std::make_unique<TDialog>(owner);
        fill(*dialog);
        const lu::ui::TModalResult result = dialog->ShowModal();
        return read(*dialog, result);
    }

protected:
    // Double buffering for the form and every windowed control, once all controls exist.
    void BeforeFirstShow() override;
};

// The Apply button of the base dialog: kept for the forms' layout, never shown.
class TApplyButton : public lu::ui::TButton {
public:
    using TButton::TButton;
    void SetVisible(bool) override { TButton::SetVisible(false); }
};

class TBaseDialogForm : public TBaseForm {
public:
    explicit TBaseDialogForm(lu::ui::TComponent* owner);

    lu::ui::TPanel* pnlButtons;
    lu::ui::TBevel* bvlButtons;
    lu::ui::TButton* btnOk;
    lu::ui::TButton* btnCancel;
    TApplyButton* btnApply;
    lu::ui::TPanel* pnlBkClient;

    // The plain base dialog with a caption: OK 1, Cancel 2 (also Escape and the close box).
    static lu::ui::TModalResult Execute(lu::ui::TWinControl* owner, const std::u16string& caption);

protected:
    // Cancel at the client width minus its width minus 8, OK left of it with 8 pixels between;
    // OK and Cancel shown, Apply hidden.
    void LayoutButtons();
};
