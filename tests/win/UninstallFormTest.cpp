// The uninstaller's window: nothing is removed before the user confirms, the engine reports
// through the window while it works, and the end shows what is left.
#include "UiTestSupport.h"
#include "UninstallForm.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

TUninstallView View(const char16_t* language)
{
    TUninstallView view;
    view.Title = u"Demo";
    view.Color = 0x00336699;
    view.Texts = UninstallTexts(language);
    return view;
}

}  // namespace

TEST(UninstallForm, RemovesOnlyAfterConfirmationAndShowsWhatIsLeft)
{
    int runs = 0;
    std::unique_ptr<TUninstallForm> form;
    form = std::make_unique<TUninstallForm>(View(u"ENG"), [&](TUninstallHost& host) {
        ++runs;
        // While it works: no way to close the window, the progress and the current item shown.
        EXPECT_TRUE(form->Running());
        EXPECT_FALSE(form->CloseQuery());
        EXPECT_TRUE(form->pbProgress->Visible());
        host.SetProgressMax(4);
        host.StepProgress();
        host.SetDetail(u"C:\\Demo\\a.txt");
        EXPECT_EQ(1, form->pbProgress->Position());
        EXPECT_EQ(u"C:\\Demo\\a.txt", form->lblDetail->Caption());
        TUninstallOutcome outcome;
        outcome.Failed = {u"C:\\Demo\\locked.exe (in use)"};
        outcome.KeptFolder = u"C:\\Demo";
        return outcome;
    });
    form->Show();
    Pump();
    EXPECT_EQ(0, runs);
    EXPECT_EQ(u"Uninstall Demo", form->Caption());
    EXPECT_NE(std::u16string::npos, form->lblMessage->Caption().find(u"remove Demo"));
    EXPECT_TRUE(form->btnUninstall->Visible());
    EXPECT_FALSE(form->btnClose->Visible());

    form->btnUninstallClick(form->btnUninstall);
    EXPECT_EQ(1, runs);
    EXPECT_EQ(int(ucIncomplete), form->ExitCode());
    const std::u16string message = form->lblMessage->Caption();
    EXPECT_NE(std::u16string::npos, message.find(u"could not be removed"));
    EXPECT_NE(std::u16string::npos, message.find(u"C:\\Demo\\locked.exe (in use)"));
    EXPECT_NE(std::u16string::npos, message.find(u"The folder C:\\Demo was kept"));
    EXPECT_FALSE(form->btnUninstall->Visible());
    EXPECT_FALSE(form->pbProgress->Visible());
    EXPECT_TRUE(form->btnClose->Visible());
    // A second click (Enter on a stale button) does not run it again.
    form->btnUninstallClick(form->btnUninstall);
    EXPECT_EQ(1, runs);
    EXPECT_TRUE(form->CloseQuery());
}

TEST(UninstallForm, CancelRemovesNothingInEveryLanguage)
{
    for (const char16_t* language : {u"CHS", u"CHT", u"ENG"}) {
        int runs = 0;
        TUninstallForm form(View(language), [&](TUninstallHost&) {
            ++runs;
            return TUninstallOutcome{};
        });
        form.Show();
        Pump();
        EXPECT_EQ(UninstallTexts(language).btnCancel, form.btnCancel->Caption());
        PostKey(form.Handle(), VK_ESCAPE);
        Pump();
        EXPECT_FALSE(form.Visible());
        EXPECT_EQ(0, runs);
        EXPECT_EQ(int(ucSuccess), form.ExitCode());
    }
}
