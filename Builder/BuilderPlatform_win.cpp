#include "BuilderPlatform.h"

#include <io.h>
#include <sys/stat.h>

std::tm FileLastWriteLocalTime(const std::filesystem::path& file)
{
    std::time_t t = 0;
    struct _stat64 st;
    if (_wstat64(file.c_str(), &st) == 0) t = std::time_t(st.st_mtime);
    std::tm local{};
    localtime_s(&local, &t);
    return local;
}

std::u16string NativeScriptPath(std::u16string scriptPath) { return scriptPath; }

bool StandardErrorIsTerminal() { return _isatty(2); }
