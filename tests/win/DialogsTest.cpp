// The installer's dialogs through their Execute functions: the answers each way of ending gives,
// the captions per language, the language dialog's pre-selection, the layout and the read-only
// licence viewer.
#include "Dialogs.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::u16string U(const wchar_t* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }

std::u16string WindowText(HWND h) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(h, buffer, 1024);
    return U(buffer);
}

// Where a windowed control lies in its form's client area.
RECT InClient(HWND control, HWND form) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, form, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Click(TButton* b) {
    PostMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

// Keys go where the keyboard would send them: the focused control of the dialog.
void Key(TForm& d, WORD key) {
    HWND target = GetFocus();
    if (!target || GetAncestor(target, GA_ROOT) != d.Handle()) target = d.Handle();
    PostKey(target, key);
}

// Runs `act` on the dialog of type TDialog once Execute has shown it; `act` looks and ends it.
// A dialog still up after five seconds is closed, so a dead end fails the test instead of hanging.
template <class TDialog, class Act>
void WhenUp(Act act, bool* found) {
    *found = false;
    auto up = std::make_shared<HWND>(nullptr);
    After(150, [act, found, up] {
        HWND active = GetActiveWindow();
        auto* dialog = dynamic_cast<TDialog*>(TWinControl::FromHandle(active));
        if (!dialog) return;
        *found = true;
        *up = active;
        act(*dialog);
    });
    After(5000, [up] {
        if (*up && IsWindow(*up)) PostMessageW(*up, WM_CLOSE, 0, 0);
    });
}

struct Owner {
    std::unique_ptr<TBaseForm> form = std::make_unique<TBaseForm>(nullptr);
    Owner() {
        form->SetCaption(u"owner");
        form->Show();
        Pump();
    }
};

// ---- The copy-failure dialog ----------------------------------------------------------------------

enum class EndBy { Enter, Escape, RetryClick, IgnoreClick, AbortClick, CloseBox };

TEST(CopyFileFailureForm, EveryWayOfEndingGivesItsModalResult) {
    struct Case {
        const char* name;
        EndBy how;
        TModalResult expected;
    } cases[] = {
        {"Enter: Retry is the default button", EndBy::Enter, mrRetry},
        {"Escape: Ignore is the cancel button", EndBy::Escape, mrIgnore},
        {"Retry", EndBy::RetryClick, mrRetry},
        {"Ignore", EndBy::IgnoreClick, mrIgnore},
        {"Exit Setup", EndBy::AbortClick, mrAbort},
        {"close box", EndBy::CloseBox, mrCancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Owner owner;
        bool found = false;
        bool ownerEnabled = true;
        WhenUp<TCopyFileFailureForm>(
            [&, how = c.how](TCopyFileFailureForm& d) {
                ownerEnabled = IsWindowEnabled(owner.form->Handle());
                switch (how) {
                case EndBy::Enter: Key(d, VK_RETURN); break;
                case EndBy::Escape: Key(d, VK_ESCAPE); break;
                case EndBy::RetryClick: Click(d.btnRetry); break;
                case EndBy::IgnoreClick: Click(d.btnIgnore); break;
                case EndBy::AbortClick: Click(d.btnAbort); break;
                case EndBy::CloseBox: PostMessageW(d.Handle(), WM_CLOSE, 0, 0); break;
                }
            },
            &found);
        const TModalResult result =
            TCopyFileFailureForm::Execute(owner.form.get(), u"C:\\A\\b.dll", u"ENG", u"Access denied");
        EXPECT_TRUE(found);
        EXPECT_EQ(result, c.expected);
        EXPECT_FALSE(ownerEnabled) << "modal over the owner";
        EXPECT_TRUE(IsWindowEnabled(owner.form->Handle()));
        Pump();
    }
}

TEST(CopyFileFailureForm, CaptionsAndMessageFollowTheLanguagePassedIn) {
    struct Case {
        const char16_t* language;
        const char16_t* caption;
        const char16_t* retry;
        const char16_t* ignore;
        const char16_t* abort;
        const char16_t* message;
    } cases[] = {
        {u"CHS", u"复制文件失败", u"重试", u"忽略", u"退出安装", u"文件：C:\\A\\b.dll\r\n\r\n失败原因：Access denied"},
        {u"CHT", u"複製檔案失敗", u"重試", u"忽略", u"退出安裝", u"檔案：C:\\A\\b.dll\r\n\r\n失敗原因：Access denied"},
        {u"ENG", u"Failed to copy file", u"Retry", u"Ignore", u"Exit Setup",
         u"File: C:\\A\\b.dll\r\n\r\nFailure reason: Access denied"},
        // Any other value is English; codes are compared exactly.
        {u"chs", u"Failed to copy file", u"Retry", u"Ignore", u"Exit Setup",
         u"File: C:\\A\\b.dll\r\n\r\nFailure reason: Access denied"},
        {u"", u"Failed to copy file", u"Retry", u"Ignore", u"Exit Setup",
         u"File: C:\\A\\b.dll\r\n\r\nFailure reason: Access denied"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.language, c.language + std::char_traits<char16_t>::length(c.language)));
        Owner owner;
        bool found = false;
        std::u16string caption, retry, ignore, abort, message;
        WhenUp<TCopyFileFailureForm>(
            [&](TCopyFileFailureForm& d) {
                caption = WindowText(d.Handle());
                retry = d.btnRetry->Caption();
                ignore = d.btnIgnore->Caption();
                abort = d.btnAbort->Caption();
                message = d.lblInfo->Caption();
                Click(d.btnIgnore);
            },
            &found);
        TCopyFileFailureForm::Execute(owner.form.get(), u"C:\\A\\b.dll", c.language, u"Access denied");
        ASSERT_TRUE(found);
        EXPECT_EQ(caption, c.caption);
        EXPECT_EQ(retry, c.retry);
        EXPECT_EQ(ignore, c.ignore);
        EXPECT_EQ(abort, c.abort);
        EXPECT_EQ(message, c.message);
    }
}

TEST(CopyFileFailureForm, FileNameAndReasonAreTakenLiterally) {
    TCopyFileFailureForm d(nullptr);
    d.Fill(u"C:\\100%s\\%d.txt", u"ENG", u"50% done %s");
    EXPECT_EQ(d.lblInfo->Caption(), u"File: C:\\100%s\\%d.txt\r\n\r\nFailure reason: 50% done %s");
}

TEST(CopyFileFailureForm, LayoutTabOrderAndResizing) {
    TCopyFileFailureForm d(nullptr);
    d.Fill(u"C:\\A\\b.dll", u"ENG", u"Access denied");
    d.Show();
    Pump();
    EXPECT_EQ(d.ClientWidth(), 572);
    EXPECT_EQ(d.ClientHeight(), 268);
    EXPECT_TRUE(GetWindowLongW(d.Handle(), GWL_STYLE) & WS_THICKFRAME) << "resizable";

    const RECT panel = InClient(d.pnlButtons->Handle(), d.Handle());
    EXPECT_EQ(panel.top, 268 - 41);
    EXPECT_EQ(panel.bottom, 268);
    EXPECT_EQ(panel.right - panel.left, 572);
    EXPECT_EQ(d.bvlButtons->Height(), 2);
    EXPECT_EQ(d.bvlButtons->Top(), 0);
    struct {
        TButton* button;
        int left;
    } buttons[] = {{d.btnRetry, 9}, {d.btnIgnore, 121}, {d.btnAbort, 233}};
    for (const auto& b : buttons) {
        const RECT r = InClient(b.button->Handle(), d.pnlButtons->Handle());
        EXPECT_EQ(r.left, b.left);
        EXPECT_EQ(r.top, 8);
        EXPECT_EQ(r.right - r.left, 100);
        EXPECT_EQ(r.bottom - r.top, 25);
    }
    EXPECT_EQ(GetFocus(), d.btnRetry->Handle()) << "Retry holds the focus first";

    std::vector<TWinControl*> order;
    d.GetTabOrderList(order);
    std::vector<TWinControl*> buttonsInOrder;
    for (TWinControl* c : order)
        if (c == d.btnRetry || c == d.btnIgnore || c == d.btnAbort) buttonsInOrder.push_back(c);
    const std::vector<TWinControl*> expected = {d.btnRetry, d.btnAbort, d.btnIgnore};
    EXPECT_EQ(buttonsInOrder, expected);

    EXPECT_EQ(d.lblInfo->BoundsRect().left, 32);
    EXPECT_EQ(d.lblInfo->BoundsRect().top, 32);
    EXPECT_EQ(d.lblInfo->BoundsRect().right, 572 - 32);
    EXPECT_EQ(d.lblInfo->BoundsRect().bottom, 268 - 41 - 32);
    EXPECT_TRUE(d.lblInfo->WordWrap());

    // The message keeps its 32-pixel margin and the buttons stay at the bottom when it grows.
    d.SetClientSize(700, 400);
    Pump();
    EXPECT_EQ(d.lblInfo->BoundsRect().right, 700 - 32);
    EXPECT_EQ(d.lblInfo->BoundsRect().bottom, 400 - 41 - 32);
    EXPECT_EQ(InClient(d.pnlButtons->Handle(), d.Handle()).top, 400 - 41);
}

// ---- The language dialog ------------------------------------------------------------------------

const std::vector<std::u16string> kAll = {u"CHS", u"CHT", u"ENG"};
const std::vector<std::u16string> kChinese = {u"CHS", u"CHT"};

TEST(SelectLangForm, EntriesPreselectionAndCaptionsFollowTheSystemLanguage) {
    struct Case {
        const char* name;
        std::vector<std::u16string> available;
        const char16_t* system;
        const char16_t* selected;   // the entry shown first
        const char16_t* chosen;     // the code Enter gives
        const char16_t* caption;
        const char16_t* prompt;
        const char16_t* ok;
        const char16_t* cancel;
    } cases[] = {
        {"other system, all offered: English", kAll, u"ENU", u"English", u"ENG", u"Select Language",
         u"Select the language to use during installation:", u"OK", u"Cancel"},
        {"other system, no English: the first", kChinese, u"ENU", u"简体中文", u"CHS", u"Select Language",
         u"Select the language to use during installation:", u"OK", u"Cancel"},
        {"Traditional Chinese system", kAll, u"CHT", u"繁体中文", u"CHT", u"選擇語言",
         u"請選擇安裝過程中要使用的語言：", u"確定", u"取消"},
        {"Simplified Chinese system", kAll, u"CHS", u"简体中文", u"CHS", u"选择语言",
         u"请选择安装过程中要使用的语言：", u"确定", u"取消"},
        // The list is searched ignoring case, the captions are not.
        {"lower-case cht", kAll, u"cht", u"繁体中文", u"CHT", u"Select Language",
         u"Select the language to use during installation:", u"OK", u"Cancel"},
        {"only CHS offered, Chinese system", {u"CHS"}, u"CHT", u"简体中文", u"CHS", u"選擇語言",
         u"請選擇安裝過程中要使用的語言：", u"確定", u"取消"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Owner owner;
        bool found = false;
        std::u16string selected, caption, prompt, ok, cancel;
        std::vector<std::u16string> items;
        WhenUp<TSelectLangForm>(
            [&](TSelectLangForm& d) {
                selected = d.cbLanguage->Text();
                for (int i = 0; i < d.cbLanguage->ItemCount(); ++i) items.push_back(d.cbLanguage->Item(i));
                caption = WindowText(d.Handle());
                prompt = d.lblPrompt->Caption();
                ok = d.btnOk->Caption();
                cancel = d.btnCancel->Caption();
                Key(d, VK_RETURN);
            },
            &found);
        std::u16string language = u"none";
        const bool confirmed = TSelectLangForm::Execute(owner.form.get(), c.available, language, c.system);
        ASSERT_TRUE(found);
        EXPECT_TRUE(confirmed);
        EXPECT_EQ(language, c.chosen);
        EXPECT_EQ(selected, c.selected);
        ASSERT_EQ(items.size(), c.available.size());
        const char16_t* names[] = {u"简体中文", u"繁体中文", u"English"};
        for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i], names[i]);
        EXPECT_EQ(caption, c.caption);
        EXPECT_EQ(prompt, c.prompt);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(cancel, c.cancel);
        Pump();
    }
}

TEST(SelectLangForm, OkGivesTheLanguageAtTheSelectedEntryAndEveryCancelLeavesItUnchanged) {
    enum class How { PickSecondThenOk, PickThirdThenEnter, CancelClick, Escape, CloseBox };
    struct Case {
        const char* name;
        How how;
        bool confirmed;
        const char16_t* language;
    } cases[] = {
        {"second entry, OK", How::PickSecondThenOk, true, u"CHT"},
        {"third entry, Enter", How::PickThirdThenEnter, true, u"ENG"},
        {"Cancel", How::CancelClick, false, u"unchanged"},
        {"Escape", How::Escape, false, u"unchanged"},
        {"close box", How::CloseBox, false, u"unchanged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Owner owner;
        bool found = false;
        WhenUp<TSelectLangForm>(
            [&, how = c.how](TSelectLangForm& d) {
                switch (how) {
                case How::PickSecondThenOk:
                    d.cbLanguage->SetItemIndex(1);
                    Click(d.btnOk);
                    break;
                case How::PickThirdThenEnter:
                    d.cbLanguage->SetItemIndex(2);
                    Key(d, VK_RETURN);
                    break;
                case How::CancelClick:
                    d.cbLanguage->SetItemIndex(1);
                    Click(d.btnCancel);
                    break;
                case How::Escape: Key(d, VK_ESCAPE); break;
                case How::CloseBox: PostMessageW(d.Handle(), WM_CLOSE, 0, 0); break;
                }
            },
            &found);
        std::u16string language = u"unchanged";
        const bool confirmed = TSelectLangForm::Execute(owner.form.get(), kAll, language, u"CHS");
        ASSERT_TRUE(found);
        EXPECT_EQ(confirmed, c.confirmed);
        EXPECT_EQ(language, c.language);
        Pump();
    }
}

TEST(SelectLangForm, LayoutIsAFixedDialogCentredOnTheScreen) {
    Owner owner;
    bool found = false;
    RECT window{}, combo{}, ok{}, cancel{}, client{};
    RECT label{};
    LONG style = 0;
    LONG comboStyle = 0;
    WhenUp<TSelectLangForm>(
        [&](TSelectLangForm& d) {
            GetWindowRect(d.Handle(), &window);
            GetClientRect(d.Handle(), &client);
            style = GetWindowLongW(d.Handle(), GWL_STYLE);
            combo = InClient(d.cbLanguage->Handle(), d.Handle());
            comboStyle = GetWindowLongW(d.cbLanguage->Handle(), GWL_STYLE);
            ok = InClient(d.btnOk->Handle(), d.Handle());
            cancel = InClient(d.btnCancel->Handle(), d.Handle());
            label = d.lblPrompt->BoundsRect();
            Key(d, VK_ESCAPE);
        },
        &found);
    std::u16string language;
    TSelectLangForm::Execute(owner.form.get(), kAll, language, u"ENU");
    ASSERT_TRUE(found);
    EXPECT_EQ(client.right, 383);
    EXPECT_EQ(client.bottom, 158);
    EXPECT_FALSE(style & WS_THICKFRAME) << "fixed border";
    EXPECT_EQ(comboStyle & 3, CBS_DROPDOWNLIST) << "entries cannot be edited";
    EXPECT_EQ(combo.left, 16);
    EXPECT_EQ(combo.top, 60);
    EXPECT_EQ(combo.right - combo.left, 289);
    EXPECT_EQ(label.left, 16);
    EXPECT_EQ(label.top, 36);
    EXPECT_EQ(cancel.left, 383 - 75 - 8);
    EXPECT_EQ(ok.left, 383 - 75 - 8 - 75 - 8);
    EXPECT_EQ(ok.top, 158 - 41 + 8);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 1);
}

// ---- The licence viewer -------------------------------------------------------------------------

TEST(LicenseForm, ShowsTheTextReadOnlyUnderTheCaptionInAResizableWindow) {
    Owner owner;
    bool found = false;
    std::u16string caption, textBefore, textAfter;
    LONG style = 0, memoStyle = 0;
    RECT client{}, memo{};
    WhenUp<TLicenseForm>(
        [&](TLicenseForm& d) {
            caption = WindowText(d.Handle());
            style = GetWindowLongW(d.Handle(), GWL_STYLE);
            memoStyle = GetWindowLongW(d.memLicense->Handle(), GWL_STYLE);
            GetClientRect(d.Handle(), &client);
            memo = InClient(d.memLicense->Handle(), d.Handle());
            textBefore = WindowText(d.memLicense->Handle());
            // Typing, pasting and cutting leave the text as it is.
            SetFocus(d.memLicense->Handle());
            SendMessageW(d.memLicense->Handle(), WM_CHAR, L'x', 1);
            SendMessageW(d.memLicense->Handle(), EM_SETSEL, 0, -1);
            SendMessageW(d.memLicense->Handle(), WM_CUT, 0, 0);
            SendMessageW(d.memLicense->Handle(), WM_CHAR, VK_BACK, 1);
            textAfter = WindowText(d.memLicense->Handle());
            PostMessageW(d.Handle(), WM_CLOSE, 0, 0);
        },
        &found);
    const std::u16string text = u"第一条 许可\r\nLine two is long enough to wrap in a narrow window.\r\n";
    TLicenseForm::Execute(owner.form.get(), u"《用户许可协议》", text);
    ASSERT_TRUE(found);
    EXPECT_EQ(caption, u"《用户许可协议》");
    EXPECT_EQ(textBefore, text);
    EXPECT_EQ(textAfter, text);
    EXPECT_TRUE(memoStyle & ES_READONLY);
    EXPECT_TRUE(memoStyle & WS_VSCROLL);
    EXPECT_FALSE(memoStyle & ES_AUTOHSCROLL) << "long lines wrap";
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_EQ(client.right, 784);
    EXPECT_EQ(client.bottom, 461);
    EXPECT_EQ(memo.left, 0);
    EXPECT_EQ(memo.top, 0);
    EXPECT_EQ(memo.right, 784);
    EXPECT_EQ(memo.bottom, 461);
}

}  // namespace
