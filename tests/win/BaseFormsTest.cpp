// The base forms: modal display over the owner's window only, the keys and the close box that end a
// dialog, the button panel's layout, snapping and the repaint after navigation keys.
#include "BaseForms.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace lu::ui;

namespace {

// An owner window with a nested windowed control, and an unrelated top-level window.
struct TwoWindows {
    std::unique_ptr<TBaseForm> owner = std::make_unique<TBaseForm>(nullptr);
    std::unique_ptr<TBaseForm> other = std::make_unique<TBaseForm>(nullptr);
    TPanel* pnlInner;
    TButton* btnInner;
    TwoWindows()
    {
        owner->SetCaption(u"owner");
        other->SetCaption(u"other");
        pnlInner = owner->Add<TPanel>(u"pnlInner", 10, 10, 200, 100);
        btnInner = pnlInner->Add<TButton>(u"btnInner", 10, 10, 75, 25);
        owner->Show();
        other->Show();
        Pump();
    }
};

struct WhileUp {
    bool ownerEnabled = true;
    bool otherEnabled = false;
    bool dialogVisible = false;
    bool applyVisible = true;
    bool dialogOwnedByOwner = false;
};

enum class EndBy { Escape, Enter, CloseBox, SysClose, OkClick };

void End(TBaseDialogForm& d, EndBy how)
{
    // Keys go where the keyboard would send them: the focused control of the dialog.
    HWND target = GetFocus();
    if (!target || GetAncestor(target, GA_ROOT) != d.Handle()) target = d.Handle();
    switch (how) {
        case EndBy::Escape: PostKey(target, VK_ESCAPE); break;
        case EndBy::Enter: PostKey(target, VK_RETURN); break;
        case EndBy::CloseBox: PostMessageW(d.Handle(), WM_CLOSE, 0, 0); break;
        case EndBy::SysClose: PostMessageW(d.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case EndBy::OkClick:
            PostMessageW(d.btnOk->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            PostMessageW(d.btnOk->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            break;
    }
}

TEST(BaseDialogForm, ModalOverOwnerDisablesOnlyTheOwnerAndEndsByKeysAndCloseBox)
{
    struct Case {
        const char* name;
        EndBy how;
        bool ownerIsNestedControl;
        TModalResult expected;
    } cases[] = {
        {"Escape", EndBy::Escape, false, mrCancel},
        {"close box (WM_CLOSE)", EndBy::CloseBox, false, mrCancel},
        {"system menu Close", EndBy::SysClose, true, mrCancel},
        {"Enter", EndBy::Enter, false, mrOk},
        {"Enter, owner given as a nested control", EndBy::Enter, true, mrOk},
        {"OK clicked", EndBy::OkClick, false, mrOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwoWindows w;
        TWinControl* ownerControl = c.ownerIsNestedControl ? static_cast<TWinControl*>(w.btnInner) : w.owner.get();
        auto dialog = std::make_unique<TBaseDialogForm>(ownerControl);
        TBaseDialogForm& d = *dialog;
        WhileUp seen;
        After(100, [&] {
            seen.ownerEnabled = IsWindowEnabled(w.owner->Handle());
            seen.otherEnabled = IsWindowEnabled(w.other->Handle());
            seen.dialogVisible = IsWindowVisible(d.Handle());
            seen.applyVisible = IsWindowVisible(d.btnApply->Handle());
            seen.dialogOwnedByOwner = GetWindow(d.Handle(), GW_OWNER) == w.owner->Handle();
            End(d, c.how);
        });
        After(5000, [&] { d.SetModalResult(mrAbort); });  // a dead end must not hang the suite
        const TModalResult result = d.ShowModal();

        EXPECT_EQ(result, c.expected);
        EXPECT_TRUE(seen.dialogVisible);
        EXPECT_FALSE(seen.ownerEnabled) << "the owner window must be disabled while the dialog is up";
        EXPECT_TRUE(seen.otherEnabled) << "other top-level windows stay usable";
        EXPECT_FALSE(seen.applyVisible);
        EXPECT_TRUE(seen.dialogOwnedByOwner) << "the dialog stays above its owner";
        EXPECT_TRUE(IsWindowEnabled(w.owner->Handle())) << "the owner is enabled again afterwards";
        EXPECT_FALSE(IsWindowVisible(d.Handle()));
        EXPECT_EQ(Application().ModalLevel(), 0);
        Pump();
    }
}

TEST(BaseDialogForm, ExecuteCreatesShowsAndFreesTheDialog)
{
    TwoWindows w;
    HWND seenDialog = nullptr;
    After(100, [&] {
        seenDialog = GetActiveWindow();
        PostKey(seenDialog, VK_ESCAPE);
    });
    EXPECT_EQ(TBaseDialogForm::Execute(w.owner.get(), u"Question"), mrCancel);
    ASSERT_NE(seenDialog, nullptr);
    EXPECT_NE(seenDialog, w.owner->Handle());
    EXPECT_FALSE(IsWindow(seenDialog)) << "the dialog does not outlive Execute";
}

TEST(BaseDialogForm, ModalLoopHonoursCloseQueryAndCloseAction)
{
    struct Case {
        const char* name;
        bool refuseFirst;  // OnCloseQuery refuses the first request
        bool noneFirst;    // OnClose answers caNone to the first request
    } cases[] = {{"close query refuses once", true, false}, {"close action none once", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwoWindows w;
        TBaseDialogForm d(w.owner.get());
        int requests = 0;
        d.OnCloseQuery = [&](TObject*, bool& canClose) {
            ++requests;
            if (c.refuseFirst && requests == 1) canClose = false;
        };
        int closes = 0;
        d.OnClose = [&](TObject*, TCloseAction& action) {
            if (c.noneFirst && ++closes == 1) action = caNone;
        };
        bool stillUpAfterFirst = false;
        After(100, [&] { PostKey(d.Handle(), VK_ESCAPE); });
        After(300, [&] {
            stillUpAfterFirst = IsWindowVisible(d.Handle()) != FALSE;
            PostKey(d.Handle(), VK_RETURN);
        });
        After(5000, [&] { d.SetModalResult(mrAbort); });
        EXPECT_EQ(d.ShowModal(), mrOk);
        EXPECT_TRUE(stillUpAfterFirst);
        EXPECT_EQ(requests, 2);
    }
}

TEST(BaseDialogForm, EndRequestOfTheApplicationGivesCancel)
{
    TwoWindows w;
    TBaseDialogForm d(w.owner.get());
    After(100, [] { PostQuitMessage(0); });
    EXPECT_EQ(d.ShowModal(), mrCancel);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_TRUE(IsWindowEnabled(w.owner->Handle()));
    Application().ClearTerminated();
}

TEST(BaseDialogForm, ErrorInAClickHandlerReachesTheApplicationNotTheWindowProcedure)
{
    TwoWindows w;
    TBaseDialogForm d(w.owner.get());
    d.btnCancel->SetModalResult(mrNone);
    d.btnCancel->OnClick = [](TObject*) { throw Exception(u"handler failed"); };
    std::u16string reported;
    Application().OnException = [&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const Exception& ex) {
            reported = ex.Message();
        }
    };
    After(100, [&] { PostKey(d.Handle(), VK_ESCAPE); });
    After(300, [&] { PostKey(d.Handle(), VK_RETURN); });
    After(5000, [&] { d.SetModalResult(mrAbort); });
    EXPECT_EQ(d.ShowModal(), mrOk) << "the dialog goes on after the failed handler";
    EXPECT_EQ(reported, u"handler failed");
    Application().OnException = nullptr;
}

// A host that rethrows in OnException ends the run from inside a handler: the value leaves the
// window procedure as a pending error and the loops rethrow it, the modal loop first (undoing
// what it disabled), then the application's loop. A value of no exception class, as a run end is.
TEST(BaseDialogForm, ErrorThatTheHostRethrowsLeavesTheModalLoopAndTheApplicationLoop)
{
    Application().OnException = [](std::exception_ptr e) { std::rethrow_exception(e); };
    struct TRestoreHandler {
        ~TRestoreHandler() { Application().OnException = nullptr; }
    } restoreHandler;
    TwoWindows w;
    {
        TBaseDialogForm d(w.owner.get());
        d.btnCancel->SetModalResult(mrNone);
        d.btnCancel->OnClick = [](TObject*) { throw 42; };
        After(100, [&] { PostKey(d.Handle(), VK_ESCAPE); });
        After(5000, [&] { d.SetModalResult(mrAbort); });
        int thrown = 0;
        try {
            const TModalResult result = d.ShowModal();
            ADD_FAILURE() << "the modal loop returned " << result;
        } catch (int value) {
            thrown = value;
        }
        EXPECT_EQ(thrown, 42);
        EXPECT_FALSE(d.Modal());
        EXPECT_FALSE(IsWindowVisible(d.Handle()));
        EXPECT_TRUE(IsWindowEnabled(w.owner->Handle()));
        EXPECT_TRUE(IsWindowEnabled(w.other->Handle()));
        EXPECT_EQ(Application().ModalLevel(), 0);
    }

    w.btnInner->OnClick = [](TObject*) { throw 7; };
    After(100, [&] {
        PostMessageW(w.btnInner->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageW(w.btnInner->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    });
    After(5000, [] { Application().Terminate(); });
    int thrown = 0;
    try {
        Application().Run();
        ADD_FAILURE() << "the application's loop ended without the error";
    } catch (int value) {
        thrown = value;
    }
    EXPECT_EQ(thrown, 7);
    EXPECT_FALSE(Application().Terminated());
    // Nothing is left pending for the next loop.
    EXPECT_NO_THROW(Application().ProcessMessages());
}

TEST(BaseDialogForm, ShowingAVisibleFormModallyIsRefusedAndDisablesNothing)
{
    TwoWindows w;
    TBaseDialogForm d(w.owner.get());
    d.Show();
    try {
        d.ShowModal();
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), u"Cannot make a visible window modal");
    }
    EXPECT_TRUE(IsWindowEnabled(w.owner->Handle()));
    EXPECT_FALSE(d.Modal());
    EXPECT_EQ(Application().ModalLevel(), 0);
}

TEST(BaseDialogForm, ShowModalOverNeedsAWindowedOwner)
{
    TwoWindows w;
    TBaseDialogForm d(nullptr);
    TLabel* label = w.owner->Add<TLabel>(u"lbl", 0, 0, 10, 10);
    EXPECT_THROW(TLuVclfn::ShowModalOver(d, label), EAssertionFailed);
    EXPECT_THROW(TLuVclfn::ShowModalOver(d, nullptr), EAssertionFailed);
}

TEST(BaseDialogForm, ButtonPanelLayout)
{
    // Cancel sits 8 pixels from the right edge, OK 8 pixels left of Cancel, whatever client width
    // the dialog sets after the base has made its buttons.
    struct Case {
        int clientWidth;
        int okLeft, cancelLeft;
    } cases[] = {{475, 309, 392}, {534, 368, 451}, {300, 134, 217}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clientWidth);
        TBaseDialogForm d(nullptr);
        d.SetClientSize(c.clientWidth, 261);
        EXPECT_EQ(d.btnOk->Left(), c.okLeft);
        EXPECT_EQ(d.btnCancel->Left(), c.cancelLeft);
        EXPECT_EQ(d.btnOk->Top(), 8);
        EXPECT_EQ(d.btnOk->Width(), 75);
        EXPECT_EQ(d.btnOk->Height(), 25);
        EXPECT_EQ(d.pnlButtons->Height(), 41);
        EXPECT_EQ(d.pnlButtons->Top(), 261 - 41);
        EXPECT_EQ(d.pnlButtons->Width(), c.clientWidth);
        EXPECT_EQ(d.pnlBkClient->Height(), 261 - 41);
        EXPECT_EQ(d.bvlButtons->Height(), 2);
        EXPECT_EQ(d.bvlButtons->Width(), c.clientWidth);
        EXPECT_TRUE(d.btnOk->Visible());
        EXPECT_TRUE(d.btnCancel->Visible());
        EXPECT_FALSE(d.btnApply->Visible());
        d.btnApply->Show();
        EXPECT_FALSE(d.btnApply->Visible()) << "Apply is never shown";
        EXPECT_FALSE(IsWindowVisible(d.btnApply->Handle()));
    }
}

TEST(BaseDialogForm, DesignedDefaults)
{
    TBaseDialogForm d(nullptr);
    EXPECT_EQ(d.ClientWidth(), 475);
    EXPECT_EQ(d.ClientHeight(), 340);
    EXPECT_EQ(d.Font().Name, u"Tahoma");
    EXPECT_EQ(d.Font().Height, 12);
    EXPECT_EQ(d.Color(), clBtnFace);
    EXPECT_TRUE(d.KeyPreview);
    EXPECT_EQ(d.Position(), poScreenCenter);
    EXPECT_TRUE(d.ScreenSnap);
    EXPECT_EQ(d.SnapBuffer, 10);
    EXPECT_EQ(d.DefaultButton(), d.btnOk);
    EXPECT_EQ(d.CancelButton(), d.btnCancel);
    EXPECT_EQ(d.btnOk->Caption(), u"确定");
    EXPECT_EQ(d.btnCancel->Caption(), u"取消");
    EXPECT_EQ(d.btnApply->Caption(), u"应用");
    const LONG_PTR style = GetWindowLongPtrW(d.Handle(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME) << "fixed dialog border";
    // Inner margin of 8 pixels for the dialog's own controls.
    TPanel* inner = d.pnlBkClient->Add<TPanel>(u"pnlInner", 0, 0, 10, 10);
    inner->SetAlign(alClient);
    EXPECT_EQ(inner->Left(), 8);
    EXPECT_EQ(inner->Top(), 8);
    EXPECT_EQ(inner->Width(), 475 - 16);
    EXPECT_EQ(inner->Height(), 340 - 41 - 16);
}

TEST(BaseForm, ShownFormIsCentredDoubleBufferedAndFocusesItsFirstControl)
{
    TBaseForm f(nullptr);
    f.SetClientSize(400, 300);
    TPanel* pnl = f.Add<TPanel>(u"pnl", 0, 0, 400, 100);
    TEdit* edt = pnl->Add<TEdit>(u"edt", 8, 8, 100, 22);
    f.Show();
    Pump();
    MONITORINFO mi{sizeof mi, {}, {}, 0};
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
    RECT wr;
    GetWindowRect(f.Handle(), &wr);
    EXPECT_NEAR((wr.left + wr.right) / 2, (mi.rcWork.left + mi.rcWork.right) / 2, 1);
    EXPECT_NEAR((wr.top + wr.bottom) / 2, (mi.rcWork.top + mi.rcWork.bottom) / 2, 1);
    EXPECT_TRUE(f.DoubleBuffered());
    EXPECT_TRUE(pnl->DoubleBuffered());
    EXPECT_TRUE(edt->DoubleBuffered());
    EXPECT_EQ(GetFocus(), edt->Handle());
}

TEST(BaseForm, SnapsToTheWorkAreaEdgesWithinTenPixels)
{
    TBaseForm f(nullptr);
    f.SetClientSize(300, 200);
    f.Show();
    MONITORINFO mi{sizeof mi, {}, {}, 0};
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
    const RECT work = mi.rcWork;
    const int w = f.Width(), h = f.Height();
    struct Case {
        int left, top;
        int expectLeft, expectTop;
    } cases[] = {
        {int(work.left) + 7, 200, int(work.left), 200},                          // near the left edge
        {int(work.left) + 10, 200, int(work.left), 200},                         // exactly 10 away
        {int(work.left) + 11, 200, int(work.left) + 11, 200},                    // too far to snap
        {int(work.left) - 6, 200, int(work.left), 200},                          // a little beyond the edge
        {int(work.right) - w - 4, 200, int(work.right) - w, 200},                // near the right edge
        {300, int(work.top) + 3, 300, int(work.top)},                            // near the top
        {300, int(work.bottom) - h + 9, 300, int(work.bottom) - h},              // near the bottom
        {int(work.left) + 5, int(work.top) + 5, int(work.left), int(work.top)},  // a corner
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top);
        SetWindowPos(f.Handle(), nullptr, c.left, c.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT r;
        GetWindowRect(f.Handle(), &r);
        EXPECT_EQ(r.left, c.expectLeft);
        EXPECT_EQ(r.top, c.expectTop);
        EXPECT_EQ(r.right - r.left, w) << "snapping moves, never resizes";
    }
}

TEST(BaseForm, TabOrAltRepaintsEveryWindowedControl)
{
    struct Case {
        const char* name;
        WORD key;
        bool alt;
        bool repaint;
    } cases[] = {
        {"Tab", VK_TAB, false, true},
        {"Alt+A", 'A', true, true},
        {"Alt+F4 is an Alt combination too", VK_F4, true, true},
        {"plain A", 'A', false, false},
        {"Enter", VK_RETURN, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBaseForm f(nullptr);
        f.OnClose = [](TObject*, TCloseAction& a) { a = caNone; };  // Alt+F4 must not close it here
        f.SetClientSize(300, 200);
        TPanel* left = f.Add<TPanel>(u"pnlLeft", 0, 0, 150, 200);
        TPanel* nested = left->Add<TPanel>(u"pnlNested", 10, 10, 100, 50);
        TPanel* right = f.Add<TPanel>(u"pnlRight", 150, 0, 150, 200);
        TEdit* edt = right->Add<TEdit>(u"edt", 8, 8, 100, 22);
        TMemo* mem = left->Add<TMemo>(u"mem", 10, 80, 120, 60);
        f.Show();
        Pump();
        edt->SetFocus();
        Pump();
        for (TWinControl* c2 : {static_cast<TWinControl*>(&f), static_cast<TWinControl*>(left),
                                static_cast<TWinControl*>(nested), static_cast<TWinControl*>(right)})
            UpdateWindow(c2->Handle());
        RedrawWindow(f.Handle(), nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
        ASSERT_FALSE(GetUpdateRect(nested->Handle(), nullptr, FALSE));

        PostKey(edt->Handle(), c.key, c.alt);
        Application().HandleMessage();  // exactly the key message: no paint has run yet

        // Panels not involved in any focus change show whether the whole form was invalidated.
        EXPECT_EQ(GetUpdateRect(nested->Handle(), nullptr, FALSE) != FALSE, c.repaint);
        EXPECT_EQ(GetUpdateRect(mem->Handle(), nullptr, FALSE) != FALSE, c.repaint);
        EXPECT_EQ(GetUpdateRect(left->Handle(), nullptr, FALSE) != FALSE, c.repaint);
        Pump();
    }
}

TEST(BaseForm, TabCyclesThroughFocusableControlsAndEnterPrefersTheFocusedButton)
{
    TBaseDialogForm d(nullptr);
    TEdit* edt = d.pnlBkClient->Add<TEdit>(u"edt", 0, 0, 100, 22);
    TEdit* disabled = d.pnlBkClient->Add<TEdit>(u"edtDisabled", 0, 30, 100, 22);
    disabled->SetEnabled(false);
    TModalResult result = mrNone;
    std::vector<HWND> order;
    After(100, [&] {
        for (int i = 0; i < 4; ++i) {
            order.push_back(GetFocus());
            PostKey(GetFocus(), VK_TAB);
            Application().HandleMessage();
        }
        // Focus is on Cancel after edit -> OK -> Cancel: Enter presses Cancel, not the default OK.
        d.btnOk->SetFocus();
        d.btnCancel->SetFocus();
        PostKey(GetFocus(), VK_RETURN);
    });
    After(5000, [&] { d.SetModalResult(mrAbort); });
    result = d.ShowModal();
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order[0], edt->Handle()) << "the client panel's controls come first";
    EXPECT_EQ(order[1], d.btnOk->Handle());
    EXPECT_EQ(order[2], d.btnCancel->Handle()) << "hidden Apply and disabled edit are skipped";
    EXPECT_EQ(order[3], edt->Handle()) << "Tab wraps around";
    EXPECT_EQ(result, mrCancel);
}

}  // namespace
