// The base form and the base dialog form.
#include "BaseForms.h"

using namespace lu::ui;

TBaseForm::TBaseForm(TComponent* owner) : TForm(owner)
{
    SetFont(TFont(u"Tahoma", 12, clWindowText));
    SetColor(clBtnFace);
    KeyPreview = true;
    SetPosition(poScreenCenter);
    ScreenSnap = true;
    SnapBuffer = 10;
    SetBorderStyle(bsSizeable);
}

void TBaseForm::BeforeFirstShow() { TLuVclfn::EnableDoubleBuffering(this); }

TModalResult TBaseForm::ShowModal()
{
    if (auto* owner = dynamic_cast<TWinControl*>(Owner()); owner && owner->Handle())
        return TLuVclfn::ShowModalOver(*this, owner);
    return TForm::ShowModal();
}

void TBaseForm::KeyDown(WORD& key, TShiftState shift)
{
    TForm::KeyDown(key, shift);
    TLuVclfn::RepaintOnNavKey(*this, shift, key);
}

TBaseDialogForm::TBaseDialogForm(TComponent* owner) : TBaseForm(owner)
{
    SetBorderStyle(bsDialog);
    SetClientSize(475, 340);

    pnlButtons = Add<TPanel>(u"pnlButtons", 0, 0, ClientWidth(), 41);
    pnlButtons->SetAlign(alBottom);
    bvlButtons = pnlButtons->Add<TBevel>(u"bvlButtons", 0, 0, ClientWidth(), 2);
    bvlButtons->SetShape(bsTopLine);
    bvlButtons->SetAlign(alTop);

    btnOk = pnlButtons->Add<TButton>(u"btnOk", 0, 8, 75, 25);
    btnOk->SetCaption(u"确定");
    btnOk->SetDefault(true);
    btnOk->SetModalResult(mrOk);
    btnCancel = pnlButtons->Add<TButton>(u"btnCancel", 0, 8, 75, 25);
    btnCancel->SetCaption(u"取消");
    btnCancel->SetCancel(true);
    btnCancel->SetModalResult(mrCancel);
    btnApply = pnlButtons->Add<TApplyButton>(u"btnApply", 0, 8, 75, 25);
    btnApply->SetCaption(u"应用");
    for (TButton* b : {static_cast<TButton*>(btnOk), btnCancel, static_cast<TButton*>(btnApply)})
        b->SetAnchors(akTop | akRight);

    pnlBkClient = Add<TPanel>(u"pnlBkClient", 0, 0, ClientWidth(), ClientHeight() - 41);
    pnlBkClient->SetAlign(alClient);
    pnlBkClient->SetPadding(8);
    pnlBkClient->SetTabOrder(0);  // the dialog's own controls come before its buttons

    LayoutButtons();
}

void TBaseDialogForm::LayoutButtons()
{
    const int width = ClientWidth();
    btnCancel->SetLeft(width - btnCancel->Width() - 8);
    btnOk->SetLeft(btnCancel->Left() - btnOk->Width() - 8);
    btnOk->Show();
    btnCancel->Show();
    btnApply->Hide();
}

TModalResult TBaseDialogForm::Execute(TWinControl* owner, const std::u16string& caption)
{
    return ExecuteDialog<TBaseDialogForm>(
        owner, [&](TBaseDialogForm& d) { d.SetCaption(caption); }, [](TBaseDialogForm&, TModalResult r) { return r; });
}
