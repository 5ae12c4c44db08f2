// The platform's side of the file stream: a C stream opened by its UTF-16 name, 64-bit positions
// and truncation. LuFilePlatform_posix.cpp or LuFilePlatform_win.cpp defines them; no Windows
// header here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// fopen with a C mode ("rb", "r+b", "w+b"); on Windows the name stays UTF-16, so any name works.
std::FILE* LuOpenFile(const std::u16string& fileName, const char* mode);
// Moves to offset from whence (SEEK_SET, SEEK_CUR, SEEK_END) and returns the position afterwards.
int64_t LuSeekFile(std::FILE* file, int64_t offset, int whence);
// Sets the file's size; false when the system refuses. Pending writes must be flushed first.
bool LuTruncateFile(std::FILE* file, int64_t size);
