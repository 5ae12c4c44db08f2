#include "BuilderPlatform.h"

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

std::tm FileLastWriteLocalTime(const std::filesystem::path& file)
{
    std::time_t t = 0;
    struct stat st;
    if (stat(file.c_str(), &st) == 0) t = st.st_mtime;
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

std::u16string NativeScriptPath(std::u16string scriptPath)
{
    std::replace(scriptPath.begin(), scriptPath.end(), u'\\', u'/');
    return scriptPath;
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO); }
