// setup-builder on Windows: makes installer executables from a setup script and a folder of files.
#include <iostream>
#include <string>
#include <vector>

#include "BuilderCommand.h"
#include "LuStrUtils.h"

#include <windows.h>

// Arguments as UTF-16 so that any file name works; the command works on UTF-8 internally.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a(argv[i]);
        args.push_back(Utf16ToUtf8(std::u16string(a.begin(), a.end())));
    }
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, self.data(), DWORD(self.size()));
        if (n < self.size()) {
            self.resize(n);
            break;
        }
        self.resize(self.size() * 2);
    }
    const std::filesystem::path exe = self.empty() ? std::filesystem::path(argv[0]) : std::filesystem::path(self);
    return BuilderMain(args, exe, std::cout, std::cerr);
}
