// The installer's dialogs through their Execute functions: the answers each way of ending gives,
// the captions per language, the language dialog's pre-selection, the layout, the read-only
// licence viewer, the proxy dialog's validation and stored values, and the failed-download
// dialog's browser and clipboard buttons.
#include "Dialogs.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace lu::ui;

namespace {

std::u16string U(const wchar_t* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }

std::u16string WindowText(HWND h)
{
    wchar_t buffer[1024] = {};
    GetWindowTextW(h, buffer, 1024);
    return U(buffer);
}

// Where a windowed control lies in its form's client area.
RECT InClient(HWND control, HWND form)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, form, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Click(TButton* b)
{
    PostMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

// Keys go where the keyboard would send them: the focused control of the dialog.
void Key(TForm& d, WORD key)
{
    HWND target = GetFocus();
    if (!target || GetAncestor(target, GA_ROOT) != d.Handle()) target = d.Handle();
    PostKey(target, key);
}

// Runs `act` on the dialog of type TDialog once Execute has shown it; `act` looks and ends it.
// A dialog still up after five seconds is closed, so a dead end fails the test instead of hanging.
template <class TDialog, class Act>
void WhenUp(Act act, bool* found)
{
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
    Owner()
    {
        form->SetCaption(u"owner");
        form->Show();
        Pump();
    }
};

// ---- The copy-failure dialog ----------------------------------------------------------------------

enum class EndBy { Enter, Escape, RetryClick, IgnoreClick, AbortClick, CloseBox };

TEST(CopyFileFailureForm, EveryWayOfEndingGivesItsModalResult)
{
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

TEST(CopyFileFailureForm, CaptionsAndMessageFollowTheLanguagePassedIn)
{
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

TEST(CopyFileFailureForm, FileNameAndReasonAreTakenLiterally)
{
    TCopyFileFailureForm d(nullptr);
    d.Fill(u"C:\\100%s\\%d.txt", u"ENG", u"50% done %s");
    EXPECT_EQ(d.lblInfo->Caption(), u"File: C:\\100%s\\%d.txt\r\n\r\nFailure reason: 50% done %s");
}

TEST(CopyFileFailureForm, LayoutTabOrderAndResizing)
{
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

TEST(SelectLangForm, EntriesPreselectionAndCaptionsFollowTheSystemLanguage)
{
    struct Case {
        const char* name;
        std::vector<std::u16string> available;
        const char16_t* system;
        const char16_t* selected;  // the entry shown first
        const char16_t* chosen;    // the code Enter gives
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
        {"Simplified Chinese system", kAll, u"CHS", u"简体中文", u"CHS", u"选择语言", u"请选择安装过程中要使用的语言：",
         u"确定", u"取消"},
        // The list is searched ignoring case, the captions are not.
        {"lower-case cht", kAll, u"cht", u"繁体中文", u"CHT", u"Select Language",
         u"Select the language to use during installation:", u"OK", u"Cancel"},
        {"only CHS offered, Chinese system",
         {u"CHS"},
         u"CHT",
         u"简体中文",
         u"CHS",
         u"選擇語言",
         u"請選擇安裝過程中要使用的語言：",
         u"確定",
         u"取消"},
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

TEST(SelectLangForm, OkGivesTheLanguageAtTheSelectedEntryAndEveryCancelLeavesItUnchanged)
{
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

TEST(SelectLangForm, LayoutIsAFixedDialogCentredOnTheScreen)
{
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

TEST(LicenseForm, ShowsTheTextReadOnlyUnderTheCaptionInAResizableWindow)
{
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

// ---- The proxy settings dialog ------------------------------------------------------------------

// The text of the message box the dialog shows (its static text has the identifier 0xFFFF).
std::u16string MessageBoxText(HWND box)
{
    wchar_t buffer[512] = {};
    GetDlgItemTextW(box, 0xFFFF, buffer, 512);
    return U(buffer);
}

// A user's click on a radio button: the system control's own click, with its notification.
void ClickRadio(TRadioButton* r) { SendMessageW(r->Handle(), BM_CLICK, 0, 0); }

TEST(IndyProxySettingsForm, FirstOpeningShowsNoProxyWithTheFieldsDisabledAndPort8080)
{
    Owner owner;
    bool found = false;
    bool noProxy = false, useProxy = true, anyEnabled = true;
    std::u16string caption, address, user, password, port, ok, cancel;
    WhenUp<TIndyProxySettingsForm>(
        [&](TIndyProxySettingsForm& d) {
            caption = WindowText(d.Handle());
            noProxy = d.rbNoProxy->Checked();
            useProxy = d.rbUseProxy->Checked();
            anyEnabled = false;
            for (TControl* c : std::initializer_list<TControl*>{d.lblProxyAddress, d.lblProxyPort, d.lblProxyUser,
                                                                d.lblProxyPassword})
                anyEnabled = anyEnabled || c->Enabled();
            for (TWinControl* c : std::initializer_list<TWinControl*>{d.edtProxyAddress, d.edtProxyPort, d.edtProxyUser,
                                                                      d.edtProxyPassword})
                anyEnabled = anyEnabled || IsWindowEnabled(c->Handle());
            address = WindowText(d.edtProxyAddress->Handle());
            port = WindowText(d.edtProxyPort->Handle());
            user = WindowText(d.edtProxyUser->Handle());
            password = WindowText(d.edtProxyPassword->Handle());
            ok = d.btnOk->Caption();
            cancel = d.btnCancel->Caption();
            Key(d, VK_ESCAPE);
        },
        &found);
    THttpProxyValues settings;
    const bool confirmed = TIndyProxySettingsForm::Execute(owner.form.get(), settings);
    ASSERT_TRUE(found);
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(caption, u"代理服务器设置");
    EXPECT_TRUE(noProxy);
    EXPECT_FALSE(useProxy);
    EXPECT_FALSE(anyEnabled) << "labels and fields follow the radio buttons";
    EXPECT_EQ(address, u"");
    EXPECT_EQ(port, u"8080");
    EXPECT_EQ(user, u"");
    EXPECT_EQ(password, u"");
    EXPECT_EQ(ok, u"确定");
    EXPECT_EQ(cancel, u"取消");
    EXPECT_EQ(settings, THttpProxyValues{});
}

TEST(IndyProxySettingsForm, OkStoresAllFiveValuesAndEveryCancelLeavesTheSettingsAlone)
{
    enum class Choose { UseProxy, NoProxy };
    enum class End { OkClick, Enter, CancelClick, Escape, CloseBox };
    struct Case {
        const char* name;
        Choose choose;
        End end;
        bool confirmed;
        THttpProxyValues expected;  // when confirmed
    } cases[] = {
        // The address loses its blanks, the user name and the password keep theirs.
        {"proxy, OK", Choose::UseProxy, End::OkClick, true, {u"proxy.lan", true, u" pa ss ", 3128, u" user"}},
        {"proxy, Enter", Choose::UseProxy, End::Enter, true, {u"proxy.lan", true, u" pa ss ", 3128, u" user"}},
        // Typed in the disabled fields and kept for the next time the proxy is chosen.
        {"no proxy, OK", Choose::NoProxy, End::OkClick, true, {u"proxy.lan", false, u" pa ss ", 3128, u" user"}},
        {"Cancel", Choose::UseProxy, End::CancelClick, false, {}},
        {"Escape", Choose::UseProxy, End::Escape, false, {}},
        {"close box", Choose::UseProxy, End::CloseBox, false, {}},
    };
    const THttpProxyValues before{u"old.lan", false, u"old", 8888, u"olduser"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Owner owner;
        bool found = false;
        bool enabledAfterUse = false;
        WhenUp<TIndyProxySettingsForm>(
            [&](TIndyProxySettingsForm& d) {
                ClickRadio(d.rbUseProxy);
                enabledAfterUse = IsWindowEnabled(d.edtProxyAddress->Handle()) && d.lblProxyAddress->Enabled();
                d.edtProxyAddress->SetText(u"  proxy.lan\t");
                d.edtProxyPort->SetText(u"3128");
                d.edtProxyUser->SetText(u" user");
                d.edtProxyPassword->SetText(u" pa ss ");
                if (c.choose == Choose::NoProxy) ClickRadio(d.rbNoProxy);
                switch (c.end) {
                    case End::OkClick: Click(d.btnOk); break;
                    case End::Enter: Key(d, VK_RETURN); break;
                    case End::CancelClick: Click(d.btnCancel); break;
                    case End::Escape: Key(d, VK_ESCAPE); break;
                    case End::CloseBox: PostMessageW(d.Handle(), WM_CLOSE, 0, 0); break;
                }
            },
            &found);
        THttpProxyValues settings = before;
        const bool confirmed = TIndyProxySettingsForm::Execute(owner.form.get(), settings);
        ASSERT_TRUE(found);
        EXPECT_TRUE(enabledAfterUse);
        EXPECT_EQ(confirmed, c.confirmed);
        const THttpProxyValues& expected = c.confirmed ? c.expected : before;
        EXPECT_EQ(settings.Checked, expected.Checked);
        EXPECT_EQ(settings.Address, expected.Address);
        EXPECT_EQ(settings.Port, expected.Port);
        EXPECT_EQ(settings.UserName, expected.UserName);
        EXPECT_EQ(settings.Password, expected.Password);
        Pump();
    }
}

TEST(IndyProxySettingsForm, ReopeningShowsTheStoredProxyWithTheFieldsEnabled)
{
    Owner owner;
    bool found = false;
    bool useProxy = false, enabled = false;
    std::u16string address, port, user, password;
    WhenUp<TIndyProxySettingsForm>(
        [&](TIndyProxySettingsForm& d) {
            useProxy = d.rbUseProxy->Checked() && !d.rbNoProxy->Checked();
            enabled = IsWindowEnabled(d.edtProxyPassword->Handle()) && d.lblProxyPassword->Enabled();
            address = WindowText(d.edtProxyAddress->Handle());
            port = WindowText(d.edtProxyPort->Handle());
            user = WindowText(d.edtProxyUser->Handle());
            password = WindowText(d.edtProxyPassword->Handle());
            Click(d.btnOk);
        },
        &found);
    THttpProxyValues settings{u"10.0.0.1", true, u"secret", 3128, u"me"};
    const THttpProxyValues stored = settings;
    EXPECT_TRUE(TIndyProxySettingsForm::Execute(owner.form.get(), settings));
    ASSERT_TRUE(found);
    EXPECT_TRUE(useProxy);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(address, u"10.0.0.1");
    EXPECT_EQ(port, u"3128");
    EXPECT_EQ(user, u"me");
    EXPECT_EQ(password, u"secret");
    EXPECT_EQ(settings, stored) << "OK without changes stores the same values";
}

TEST(IndyProxySettingsForm, ProxyWithoutAddressIsRefusedWithAMessageAndTheFocusInTheAddressField)
{
    for (const char16_t* typed : {u"", u"  \t "}) {
        SCOPED_TRACE(testing::PrintToString(std::u16string(typed).size()));
        Owner owner;
        bool found = false, stillUp = false, focusInAddress = false;
        std::u16string message;
        WhenUp<TIndyProxySettingsForm>(
            [&](TIndyProxySettingsForm& d) {
                ClickRadio(d.rbUseProxy);
                d.edtProxyAddress->SetText(typed);
                WhenDialogUp([&](HWND box) {
                    message = MessageBoxText(box);
                    PostMessageW(box, WM_COMMAND, IDOK, 0);
                    After(300, [&] {
                        stillUp = IsWindowVisible(d.Handle());
                        focusInAddress = GetFocus() == d.edtProxyAddress->Handle();
                        d.edtProxyAddress->SetText(u"proxy.lan");
                        Click(d.btnOk);
                    });
                });
                SetFocus(d.edtProxyUser->Handle());
                Click(d.btnOk);
            },
            &found);
        THttpProxyValues settings;
        const bool confirmed = TIndyProxySettingsForm::Execute(owner.form.get(), settings);
        ASSERT_TRUE(found);
        EXPECT_EQ(message, u"服务器地址不能为空，请重新输入。");
        EXPECT_TRUE(stillUp) << "the dialog stays open after the message";
        EXPECT_TRUE(focusInAddress);
        EXPECT_TRUE(confirmed) << "OK with an address then closes it";
        EXPECT_EQ(settings.Address, u"proxy.lan");
        Pump();
    }
}

TEST(IndyProxySettingsForm, LayoutAndTabOrder)
{
    TIndyProxySettingsForm d(nullptr);
    d.Fill(THttpProxyValues{});
    d.Show();
    Pump();
    EXPECT_EQ(d.ClientWidth(), 430);
    EXPECT_EQ(d.ClientHeight(), 304);
    EXPECT_FALSE(GetWindowLongW(d.Handle(), GWL_STYLE) & WS_THICKFRAME) << "fixed dialog border";
    struct {
        TWinControl* control;
        int left, top, width, height;
    } fields[] = {
        {d.rbNoProxy, 40, 40, 114, 16},         {d.rbUseProxy, 40, 72, 162, 16},
        {d.edtProxyAddress, 136, 102, 201, 22}, {d.edtProxyPort, 136, 131, 121, 22},
        {d.edtProxyUser, 136, 160, 201, 22},    {d.edtProxyPassword, 136, 190, 201, 22},
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(std::string(f.control->Name.begin(), f.control->Name.end()));
        EXPECT_EQ(f.control->Left(), f.left);
        EXPECT_EQ(f.control->Top(), f.top);
        EXPECT_EQ(f.control->Width(), f.width);
        EXPECT_EQ(f.control->Height(), f.height);
    }
    struct {
        TLabel* label;
        int left, top;
    } labels[] = {{d.lblProxyAddress, 64, 106},
                  {d.lblProxyPort, 100, 135},
                  {d.lblProxyUser, 88, 164},
                  {d.lblProxyPassword, 100, 194}};
    for (const auto& l : labels) {
        EXPECT_EQ(l.label->Left(), l.left);
        EXPECT_EQ(l.label->Top(), l.top);
    }
    EXPECT_FALSE(GetWindowLongW(d.edtProxyPassword->Handle(), GWL_STYLE) & ES_PASSWORD) << "shown as typed";

    std::vector<TWinControl*> order;
    d.GetTabOrderList(order);
    std::vector<TWinControl*> fieldsInOrder;
    for (TWinControl* c : order)
        for (const auto& f : fields)
            if (c == f.control) fieldsInOrder.push_back(c);
    const std::vector<TWinControl*> expected = {d.rbNoProxy,    d.rbUseProxy,   d.edtProxyAddress,
                                                d.edtProxyPort, d.edtProxyUser, d.edtProxyPassword};
    EXPECT_EQ(fieldsInOrder, expected);
}

// ---- The failed-download dialog -----------------------------------------------------------------

const char16_t kSetupUrl[] = u"http://downloads.example.com/demo/Demo_Setup_full.exe?from=mini&lang=CHS";

std::u16string ClipboardText()
{
    std::u16string text;
    if (!OpenClipboard(nullptr)) return u"(clipboard not open)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const char16_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardTo(const std::u16string& text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * 2);
    memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * 2);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

TEST(DownloadFailureForm, ExitSetupIsTheDefaultButtonAndEveryOtherEndIsRetry)
{
    struct Case {
        const char* name;
        EndBy how;
        bool exitSetup;
    } cases[] = {
        {"Enter: Exit Setup", EndBy::Enter, true},    {"Exit Setup button", EndBy::AbortClick, true},
        {"Escape: Retry", EndBy::Escape, false},      {"Retry button", EndBy::RetryClick, false},
        {"close box: Retry", EndBy::CloseBox, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Owner owner;
        bool found = false;
        WhenUp<TDownloadFailureForm>(
            [&, how = c.how](TDownloadFailureForm& d) {
                switch (how) {
                    case EndBy::Enter: Key(d, VK_RETURN); break;
                    case EndBy::Escape: Key(d, VK_ESCAPE); break;
                    case EndBy::AbortClick: Click(d.btnOk); break;
                    case EndBy::RetryClick: Click(d.btnCancel); break;
                    default: PostMessageW(d.Handle(), WM_CLOSE, 0, 0); break;
                }
            },
            &found);
        const bool exitSetup = TDownloadFailureForm::Execute(owner.form.get(), u"Demo", kSetupUrl);
        ASSERT_TRUE(found);
        EXPECT_EQ(exitSetup, c.exitSetup);
        Pump();
    }
}

TEST(DownloadFailureForm, ShowsTheTitleAndTheAddressReadOnlyWithTheFocusOnIt)
{
    Owner owner;
    bool found = false;
    std::u16string caption, url, ok, cancel, browser, copy, line1, line2, line3;
    bool focusOnUrl = false;
    LONG memoStyle = 0;
    WhenUp<TDownloadFailureForm>(
        [&](TDownloadFailureForm& d) {
            caption = WindowText(d.Handle());
            url = WindowText(d.memUrl->Handle());
            focusOnUrl = GetFocus() == d.memUrl->Handle();
            memoStyle = GetWindowLongW(d.memUrl->Handle(), GWL_STYLE);
            ok = d.btnOk->Caption();
            cancel = d.btnCancel->Caption();
            browser = d.btnBrowser->Caption();
            copy = d.btnCopy->Caption();
            line1 = d.TntLabel2->Caption();
            line2 = d.TntLabel1->Caption();
            line3 = d.TntLabel3->Caption();
            Key(d, VK_ESCAPE);
        },
        &found);
    // A title with a percent sign is shown as it is.
    TDownloadFailureForm::Execute(owner.form.get(), u"演示 100%s", kSetupUrl);
    ASSERT_TRUE(found);
    EXPECT_EQ(caption, u"演示 100%s 在线安装失败");
    EXPECT_EQ(url, kSetupUrl);
    EXPECT_TRUE(focusOnUrl);
    EXPECT_TRUE(memoStyle & ES_READONLY);
    EXPECT_TRUE(memoStyle & WS_VSCROLL);
    EXPECT_EQ(ok, u"退出安装");
    EXPECT_EQ(cancel, u"重试");
    EXPECT_EQ(browser, u"使用浏览器下载");
    EXPECT_EQ(copy, u"复制到剪贴板");
    EXPECT_EQ(line1, u"您的电脑可能没有连接到互联网，在线安装失败。");
    EXPECT_EQ(line2, u"如果您是通过代理服务器上网的，您可以点击【重试】按钮返回到首页设置代理服务器。");
    EXPECT_EQ(line3, u"您还可以使用以下地址下载离线安装包，然后运行离线安装包进行安装。");
}

TEST(DownloadFailureForm, BrowserAndClipboardButtonsUseTheAddressAndLeaveTheDialogOpen)
{
    SetClipboardTo(u"something else");
    Owner owner;
    bool found = false, upAfterButtons = false;
    std::vector<std::u16string> opened;
    std::u16string clipboard;
    WhenUp<TDownloadFailureForm>(
        [&](TDownloadFailureForm& d) {
            d.OpenUrl = [&](const std::u16string& url) { opened.push_back(url); };
            Click(d.btnBrowser);
            Click(d.btnCopy);
            After(300, [&] {
                upAfterButtons = IsWindowVisible(d.Handle());
                clipboard = ClipboardText();
                Key(d, VK_ESCAPE);
            });
        },
        &found);
    const bool exitSetup = TDownloadFailureForm::Execute(owner.form.get(), u"Demo", kSetupUrl);
    ASSERT_TRUE(found);
    EXPECT_FALSE(exitSetup);
    EXPECT_TRUE(upAfterButtons);
    EXPECT_EQ(opened, std::vector<std::u16string>{kSetupUrl});
    EXPECT_EQ(clipboard, kSetupUrl) << "exactly the address, nothing appended";
}

TEST(DownloadFailureForm, Layout)
{
    TDownloadFailureForm d(nullptr);
    d.Fill(u"Demo", kSetupUrl);
    d.Show();
    Pump();
    EXPECT_EQ(d.ClientWidth(), 534);
    EXPECT_EQ(d.ClientHeight(), 261);
    EXPECT_FALSE(GetWindowLongW(d.Handle(), GWL_STYLE) & WS_THICKFRAME) << "fixed dialog border";
    // Three 30-pixel lines from the top of the client panel, the address below them, the button
    // strip at its bottom.
    const int top = d.pnlBkClient->Padding.Top;
    int y = top;
    for (TLabel* l : {d.TntLabel2, d.TntLabel1, d.TntLabel3}) {
        EXPECT_EQ(l->Top(), y);
        EXPECT_EQ(l->Height(), 30);
        EXPECT_EQ(l->Layout(), taVerticalCenter);
        y += 30;
    }
    const RECT memo = InClient(d.memUrl->Handle(), d.pnlBkClient->Handle());
    const RECT strip = InClient(d.pnlUrlButtons->Handle(), d.pnlBkClient->Handle());
    EXPECT_EQ(memo.top, y);
    EXPECT_EQ(memo.bottom, strip.top);
    EXPECT_EQ(strip.bottom - strip.top, 33);
    EXPECT_EQ(strip.bottom, d.pnlBkClient->ClientHeight() - d.pnlBkClient->Padding.Bottom);
    struct {
        TButton* button;
        int left, width;
    } buttons[] = {{d.btnBrowser, 0, 137}, {d.btnCopy, 144, 121}};
    for (const auto& b : buttons) {
        const RECT r = InClient(b.button->Handle(), d.pnlUrlButtons->Handle());
        EXPECT_EQ(r.left, b.left);
        EXPECT_EQ(r.top, 4);
        EXPECT_EQ(r.right - r.left, b.width);
        EXPECT_EQ(r.bottom - r.top, 25);
    }
}

}  // namespace