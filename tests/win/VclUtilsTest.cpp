// Window helpers: the folder dialog and the information message, driven through the real dialogs.
#include "LuStrUtils.h"
#include "LuVclUtils.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

using namespace lu::ui;

namespace {

std::u16string TempFolder(const char16_t* leaf)
{
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::u16string dir = U16(tmp) + leaf;
    CreateDirectoryW(W(dir), nullptr);
    return dir;
}

// Answers the folder dialog with OK or Cancel once it is up, and reports that it came up.
void AnswerFolderDialog(bool ok, bool& cameUp)
{
    WhenDialogUp([ok, &cameUp](HWND dlg) {
        cameUp = true;
        PostMessageW(dlg, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
    });
}

TEST(SelectDirectory, OkReturnsThePreselectedFolderWithOneTrailingBackslash)
{
    TForm owner;
    owner.Show();
    const std::u16string dir = TempFolder(u"LuSetupPick");
    // Wine's first folder dialog in a prefix can miss its preselection for good: its tree walk stops
    // at the profile folder (seen on a loaded machine, the failure naming "root" as selected), and
    // every later dialog finds the folder. For a user that only means another starting folder; what
    // is checked here is what OK returns once the folder is preselected, so one dialog comes first.
    {
        bool cameUp = false;
        AnswerFolderDialog(false, cameUp);
        std::u16string path = dir;
        TLuVclfn::SelectDirectory(owner.Handle(), u"Choose the destination", path);
        ASSERT_TRUE(cameUp);
    }
    struct Case {
        std::u16string entry;
        std::u16string expected;
        const wchar_t* label;  // of the folder in the dialog's tree (a drive's names it among others)
    } cases[] = {
        {dir, dir + u"\\", L"LuSetupPick"},          // no backslash on entry
        {dir + u"\\", dir + u"\\", L"LuSetupPick"},  // one on entry: still exactly one
        {u"C:\\", u"C:\\", L"C:"},                   // a drive root keeps its single backslash
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.entry.begin(), c.entry.end()));
        // OK goes only once the tree shows the preselected folder as chosen, so that what OK returns
        // is checked against the preselection itself, whatever the dialog did before it got there.
        bool cameUp = false;
        std::wstring label;
        WhenFolderSelected(
            [&c](const std::wstring& shown) {
                return c.label[1] == L':' ? shown.find(c.label) != std::wstring::npos : shown == c.label;
            },
            [&](HWND dlg) {
                cameUp = true;
                label = SelectedTreeLabel(dlg);
                PostMessageW(dlg, WM_COMMAND, IDOK, 0);
            });
        std::u16string path = c.entry;
        EXPECT_TRUE(TLuVclfn::SelectDirectory(owner.Handle(), u"Choose the destination", path));
        EXPECT_TRUE(cameUp);
        EXPECT_TRUE(SameText(path, c.expected))
            << std::string(path.begin(), path.end())
            << " (selected in the tree: " << std::string(label.begin(), label.end()) << ")";
        EXPECT_EQ(Application().ModalLevel(), 0);
    }
}

TEST(SelectDirectory, CancelLeavesThePathUnchanged)
{
    TForm owner;
    owner.Show();
    const std::u16string entries[] = {u"C:\\no\\such\\folder\\here", TempFolder(u"LuSetupPick"), u""};
    for (const std::u16string& entry : entries) {
        bool cameUp = false;
        AnswerFolderDialog(false, cameUp);
        std::u16string path = entry;
        EXPECT_FALSE(TLuVclfn::SelectDirectory(owner.Handle(), u"Choose", path));
        EXPECT_TRUE(cameUp);
        EXPECT_EQ(path, entry);
    }
}

TEST(SelectDirectory, MissingEntryFolderIsNotPreselectedAndRootLimitsTheTree)
{
    TForm owner;
    owner.Show();
    const std::u16string root = TempFolder(u"LuSetupRoot");
    CreateDirectoryW(W(root + u"\\inner"), nullptr);
    // With a root and no preselection, OK chooses the root itself.
    TLuPathDialog dialog;
    dialog.Root = root;
    dialog.Path = u"C:\\no\\such\\folder";
    dialog.Caption = u"Pick";
    bool cameUp = false;
    AnswerFolderDialog(true, cameUp);
    const bool ok = dialog.Execute(owner.Handle());
    EXPECT_TRUE(cameUp);
    if (ok) {
        EXPECT_TRUE(SameText(dialog.Path, root + u"\\")) << std::string(dialog.Path.begin(), dialog.Path.end());
    } else {
        EXPECT_EQ(dialog.Path, u"") << "a missing entry folder is cleared";
    }
}

TEST(ShowMessage, InformationBoxIsOwnedByTheFormAndCaptionedWithTheTitle)
{
    TForm owner;
    owner.Show();
    Application().SetTitle(u"演示 Setup");
    std::u16string caption;
    HWND boxOwner = nullptr;
    int levelWhileUp = 0;
    WhenDialogUp([&](HWND box) {
        wchar_t text[128] = {};
        GetWindowTextW(box, text, 128);
        caption = U16(text);
        boxOwner = GetWindow(box, GW_OWNER);
        levelWhileUp = Application().ModalLevel();
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    TButton* btn = owner.Add<TButton>(u"btn", 0, 0, 75, 25);
    TLuVclfn::ShowMessage(btn->Handle(), u"The destination folder is not valid.");
    EXPECT_EQ(caption, u"演示 Setup");
    EXPECT_EQ(boxOwner, owner.Handle()) << "owned by the top-level window of the control given";
    EXPECT_EQ(levelWhileUp, 1);
    EXPECT_EQ(Application().ModalLevel(), 0);
    Application().SetTitle(u"");
}

}  // namespace
