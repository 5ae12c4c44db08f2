#include "LuFilePlatform.h"

#include <io.h>

#include <cstring>

std::FILE* LuOpenFile(const std::u16string& fileName, const char* mode)
{
    const std::wstring wname(fileName.begin(), fileName.end());
    const std::wstring wmode(mode, mode + std::strlen(mode));
    return _wfopen(wname.c_str(), wmode.c_str());
}

int64_t LuSeekFile(std::FILE* file, int64_t offset, int whence)
{
    _fseeki64(file, offset, whence);
    return _ftelli64(file);
}

bool LuTruncateFile(std::FILE* file, int64_t size) { return _chsize_s(_fileno(file), size) == 0; }
