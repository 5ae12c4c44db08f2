// The uninstaller's window in each language and each of its states, for the screenshots of
// tests/win/screenshots.sh: the question, the progress, the end (complete, and with items left).
#include "GalleryShots.h"
#include "UninstallForm.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace lu::ui;

namespace {

// A 64 by 64 product icon: a white rounded square with an orange disc.
std::string IconPng()
{
    std::vector<uint32_t> px(64 * 64, 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int dx = x - 32, dy = y - 32;
            if (dx * dx + dy * dy < 18 * 18)
                px[size_t(y) * 64 + x] = 0xFFFF8800;
            else if (x > 4 && x < 59 && y > 4 && y < 59)
                px[size_t(y) * 64 + x] = 0xFFFFFFFF;
        }
    TPicture picture;
    picture.LoadFromPixels(64, 64, px.data());
    std::vector<uint8_t> png;
    picture.SaveToPngMemory(png);
    return std::string(png.begin(), png.end());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || std::string(argv[1]) != "--shot") {
        std::fprintf(stderr, "usage: uninstall_gallery --shot FOLDER\n");
        return 2;
    }
    std::u16string folder;
    for (const char* p = argv[2]; *p; ++p) folder += char16_t(static_cast<unsigned char>(*p));
    const std::string icon = IconPng();
    bool ok = true;
    struct {
        const char16_t* Code;
        const char16_t* Title;
    } languages[] = {{u"CHS", u"演示程序"}, {u"CHT", u"演示程式"}, {u"ENG", u"LuSetup Demo"}};
    for (const auto& l : languages) {
        const std::u16string code = l.Code;
        TUninstallView view;
        view.Title = l.Title;
        view.Color = 0x00B06A1E;
        view.IconPng = icon;
        view.Texts = UninstallTexts(code);
        auto form = std::make_unique<TUninstallForm>(view, nullptr);
        form->Show();
        PumpMessages(300);
        ok = SaveWindowShot(form->Handle(), folder, u"uninstall-confirm-" + code + u".png") && ok;

        form->ShowProgressLayout();
        form->pbProgress->SetRange(0, 10);
        form->pbProgress->SetPosition(6);
        form->lblDetail->SetCaption(u"C:\\Program Files\\LuSetup Demo\\docs\\guide\\chapter1.txt");
        ok = SaveWindowShot(form->Handle(), folder, u"uninstall-progress-" + code + u".png") && ok;

        TUninstallOutcome done;
        done.KeptFolder = u"C:\\Program Files\\LuSetup Demo";
        form->ShowOutcome(done);
        ok = SaveWindowShot(form->Handle(), folder, u"uninstall-done-" + code + u".png") && ok;

        TUninstallOutcome incomplete;
        incomplete.Failed = {u"C:\\Program Files\\LuSetup Demo\\bin\\hello.exe (Access is denied)",
                             u"HKEY_LOCAL_MACHINE\\Software\\LuSetupDemo\\InstallDir (Access is denied)"};
        form->ShowOutcome(incomplete);
        ok = SaveWindowShot(form->Handle(), folder, u"uninstall-incomplete-" + code + u".png") && ok;
        form->Hide();
    }
    return ok ? 0 : 1;
}
