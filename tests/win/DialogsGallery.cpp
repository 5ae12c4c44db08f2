// The installer's dialogs in each language, and the mini setup's proxy and failed-download dialogs,
// for the screenshots of tests/win/screenshots.sh: with --shot FOLDER each dialog is shown modally
// over an owner window and saved as a PNG from inside its modal loop.
#include "Dialogs.h"
#include "GalleryShots.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace {

// Shows the dialog that `execute` opens and saves it once it is up; then closes it.
bool Shoot(const std::function<void()>& execute, const std::u16string& folder, const std::u16string& name)
{
    bool ok = false;
    RunFromMessageLoop(300, [&] {
        HWND dialog = GetActiveWindow();
        ok = SaveWindowShot(dialog, folder, name);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    execute();
    return ok;
}

const char16_t kLicense[] =
    u"演示软件最终用户许可协议\r\n\r\n"
    u"1. 您可以在任意数量的计算机上安装和使用本软件。\r\n"
    u"2. This line is long enough to show that the licence viewer wraps long lines at the window's "
    u"edge instead of scrolling sideways, as a memo with only a vertical scroll bar does.\r\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || std::string(argv[1]) != "--shot") {
        std::fprintf(stderr, "usage: dialogs_gallery --shot FOLDER\n");
        return 2;
    }
    std::u16string folder;
    for (const char* p = argv[2]; *p; ++p) folder += char16_t(static_cast<unsigned char>(*p));

    auto owner = std::make_unique<TBaseForm>(nullptr);
    owner->SetCaption(u"owner");
    owner->SetClientSize(600, 400);
    owner->Show();
    PumpMessages(200);

    bool ok = true;
    const std::vector<std::u16string> all = {u"CHS", u"CHT", u"ENG"};
    struct Language {
        const char16_t* code;
        const char16_t* licenseCaption;
    } languages[] = {{u"CHS", u"《用户许可协议》"}, {u"CHT", u"《用戶許可協議》"}, {u"ENG", u"License Agreement"}};
    for (const Language& l : languages) {
        const std::u16string code = l.code;
        ok = Shoot(
                 [&] {
                     std::u16string language;
                     TSelectLangForm::Execute(owner.get(), all, language, code);
                 },
                 folder, u"select-lang-" + code + u".png") &&
             ok;
        ok = Shoot(
                 [&] {
                     TCopyFileFailureForm::Execute(owner.get(), u"C:\\Program Files\\Demo\\bin\\hello.exe", code,
                                                   u"Access is denied.");
                 },
                 folder, u"copy-failure-" + code + u".png") &&
             ok;
        ok = Shoot([&] { TLicenseForm::Execute(owner.get(), l.licenseCaption, kLicense); }, folder,
                   u"license-" + code + u".png") &&
             ok;
    }
    // The mini setup's dialogs speak Simplified Chinese in every language.
    ok = Shoot(
             [&] {
                 THttpProxyValues settings;
                 TIndyProxySettingsForm::Execute(owner.get(), settings);
             },
             folder, u"proxy-settings-none.png") &&
         ok;
    ok = Shoot(
             [&] {
                 THttpProxyValues settings{u"proxy.example.lan", true, u"secret", 3128, u"alice"};
                 TIndyProxySettingsForm::Execute(owner.get(), settings);
             },
             folder, u"proxy-settings-proxy.png") &&
         ok;
    ok = Shoot(
             [&] {
                 TDownloadFailureForm::Execute(owner.get(), u"演示软件",
                                               u"https://downloads.example.com/demo/DemoSetup_full_2041.exe");
             },
             folder, u"download-failure.png") &&
         ok;
    return ok ? 0 : 1;
}
