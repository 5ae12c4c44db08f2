#include "LuFilePlatform.h"

#include <unistd.h>

#include "LuStrUtils.h"

std::FILE* LuOpenFile(const std::u16string& fileName, const char* mode)
{
    return std::fopen(Utf16ToUtf8(fileName).c_str(), mode);
}

int64_t LuSeekFile(std::FILE* file, int64_t offset, int whence)
{
    fseeko(file, off_t(offset), whence);
    return int64_t(ftello(file));
}

bool LuTruncateFile(std::FILE* file, int64_t size) { return ftruncate(fileno(file), off_t(size)) == 0; }
