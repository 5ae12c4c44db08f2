#include "UninstallForm.h"

#include "LuStrUtils.h"

using namespace lu::ui;

namespace {

const std::u16string kYaHei = u"微软雅黑";
// Items named in the final message; the rest are counted.
constexpr size_t kListedItems = 4;

}  // namespace

TUninstallForm::TUninstallForm(const TUninstallView& view, TRunUninstall run)
    : TBaseForm(nullptr), FView(view), FRun(std::move(run))
{
    const TUninstallTexts& t = FView.Texts;
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu);
    SetPosition(poScreenCenter);
    SetClientSize(520, 300);
    SetCaption(Format(t.CaptionFmt, {FView.Title}));

    pnlColor = Add<TPanel>(u"pnlColor", 0, 0, 520, 300);
    pnlColor->SetAlign(alClient);
    pnlColor->SetColor(TColor(FView.Color & 0x00FFFFFF));
    TPanel* p = pnlColor;

    pbIcon = p->Add<TPaintBox>(u"pbIcon", 24, 24, 72, 72);
    pbIcon->OnPaint = [this](TObject* s) { pbIconPaint(s); };
    FIcon.LoadFromMemory(FView.IconPng.data(), FView.IconPng.size());

    lblTitle = p->Add<TLabel>(u"lblTitle", 112, 24, 384, 40);
    lblTitle->SetFont(TFont(kYaHei, 27, clWhite));
    lblTitle->SetLayout(taVerticalCenter);
    lblTitle->SetCaption(FView.Title);

    lblMessage = p->Add<TLabel>(u"lblMessage", 112, 72, 384, 168);
    lblMessage->SetFont(TFont(kYaHei, 16, clWhite));
    lblMessage->SetWordWrap(true);
    lblMessage->SetCaption(Format(t.ConfirmFmt, {FView.Title}));

    pbProgress = p->Add<TProgressBar>(u"pbProgress", 24, 200, 472, 17);
    pbProgress->SetVisible(false);
    lblDetail = p->Add<TLabel>(u"lblDetail", 24, 222, 472, 16);
    lblDetail->SetFont(TFont(u"Tahoma", 12, clWhite));
    lblDetail->SetVisible(false);

    btnUninstall = p->Add<TButton>(u"btnUninstall", 272, 250, 112, 34);
    btnUninstall->SetFont(TFont(kYaHei, 16));
    btnUninstall->SetCaption(t.btnUninstall);
    btnUninstall->SetTabOrder(0);
    btnUninstall->OnClick = [this](TObject* s) { btnUninstallClick(s); };
    btnCancel = p->Add<TButton>(u"btnCancel", 392, 250, 112, 34);
    btnCancel->SetFont(TFont(kYaHei, 16));
    btnCancel->SetCaption(t.btnCancel);
    btnCancel->SetTabOrder(1);
    btnCancel->OnClick = [this](TObject* s) { btnCloseClick(s); };
    btnClose = p->Add<TButton>(u"btnClose", 392, 250, 112, 34);
    btnClose->SetFont(TFont(kYaHei, 16));
    btnClose->SetCaption(t.btnClose);
    btnClose->SetVisible(false);
    btnClose->OnClick = [this](TObject* s) { btnCloseClick(s); };
    SetDefaultButton(btnUninstall);
    SetCancelButton(btnCancel);
    OnShow = [this](TObject*) {
        if (btnUninstall->Visible()) btnUninstall->SetFocus();
    };
}

TUninstallForm::~TUninstallForm() = default;

void TUninstallForm::btnUninstallClick(TObject*)
{
    if (FRunning || FDone || !FRun) return;  // removes once, whatever clicks or keys come late
    FRunning = true;
    ShowProgressLayout();
    const TUninstallOutcome outcome = FRun(*this);
    FRunning = false;
    FDone = true;
    FExitCode = outcome.ExitCode();
    ShowOutcome(outcome);
}

void TUninstallForm::btnCloseClick(TObject*)
{
    if (!FRunning) Close();
}

bool TUninstallForm::CloseQuery() { return !FRunning && TBaseForm::CloseQuery(); }

void TUninstallForm::pbIconPaint(TObject*)
{
    if (FIcon.Empty() || FIcon.Width() == 0 || FIcon.Height() == 0) return;
    const float w = float(FIcon.Width()), h = float(FIcon.Height());
    const float bw = float(pbIcon->Width()), bh = float(pbIcon->Height());
    const float scale = std::min(bw / w, bh / h);
    FIcon.Draw(pbIcon->Canvas(), (bw - w * scale) / 2, (bh - h * scale) / 2, w * scale, h * scale, 7);
}

void TUninstallForm::ShowProgressLayout()
{
    btnUninstall->SetVisible(false);
    btnCancel->SetVisible(false);
    SetDefaultButton(nullptr);
    SetCancelButton(nullptr);
    lblMessage->SetCaption(Format(FView.Texts.RemovingFmt, {FView.Title}));
    pbProgress->SetVisible(true);
    lblDetail->SetCaption(u"");
    lblDetail->SetVisible(true);
    Application().ProcessMessages();
}

void TUninstallForm::ShowOutcome(const TUninstallOutcome& outcome)
{
    const TUninstallTexts& t = FView.Texts;
    std::u16string text;
    if (outcome.Failed.empty()) {
        text = Format(t.DoneFmt, {FView.Title});
    } else {
        text = Format(t.IncompleteFmt, {FView.Title});
        for (size_t i = 0; i < outcome.Failed.size() && i < kListedItems; ++i) text += u"\r\n" + outcome.Failed[i];
        if (outcome.Failed.size() > kListedItems)
            text += u"\r\n(+" + IntToStr(int64_t(outcome.Failed.size() - kListedItems)) + u")";
    }
    if (!outcome.KeptFolder.empty()) text += u"\r\n\r\n" + Format(t.KeptFolderFmt, {outcome.KeptFolder});
    lblMessage->SetCaption(text);
    pbProgress->SetVisible(false);
    lblDetail->SetVisible(false);
    btnUninstall->SetVisible(false);
    btnCancel->SetVisible(false);
    btnClose->SetVisible(true);
    SetDefaultButton(btnClose);
    SetCancelButton(btnClose);
    if (btnClose->Showing()) btnClose->SetFocus();
}

void TUninstallForm::ProcessMessages() { Application().ProcessMessages(); }

void TUninstallForm::SetStatus(const std::u16string& text) { lblMessage->SetCaption(text); }

void TUninstallForm::SetDetail(const std::u16string& text)
{
    lblDetail->SetCaption(text);
    if (Showing()) UpdateWindow(pnlColor->Handle());
}

void TUninstallForm::SetProgressMax(int maximum)
{
    pbProgress->SetRange(0, maximum);
    pbProgress->SetPosition(0);
}

void TUninstallForm::StepProgress() { pbProgress->StepBy(1); }
