#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include "LuHandles.h"
#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"

namespace {
void DeleteTree(const std::u16string& dir)
{
    WIN32_FIND_DATAW data;
    const std::u16string pattern = dir + u"*";
    const HANDLE find = FindFirstFileW(W(pattern), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::u16string name = reinterpret_cast<const char16_t*>(data.cFileName);
            if (name == u"." || name == u"..") continue;
            const std::u16string path = dir + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path + u"\\");
            } else {
                SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(W(path));
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(W(dir));
}
}  // namespace

std::u16string TestExeDir() { return ExtractFilePath(ModuleFileName(nullptr)); }

std::u16string HelperPath() { return TestExeDir() + u"win_test_helper.exe"; }

std::u16string HelperCommand(const std::u16string& arguments) { return u"\"" + HelperPath() + u"\" " + arguments; }

TTempFolder::TTempFolder()
{
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    FPath = reinterpret_cast<const char16_t*>(temp);
    FPath = IncludeTrailingBackslash(FPath) + u"lusetup-test-" + IntToStr(GetCurrentProcessId()) + u"-" +
            IntToStr(++counter) + u"\\";
    DeleteTree(FPath);
    EXPECT_TRUE(CreateDirectoryW(W(FPath), nullptr)) << Utf16ToUtf8(FPath);
}

TTempFolder::~TTempFolder() { DeleteTree(FPath); }

void WriteFileText(const std::u16string& fileName, const std::string& bytes)
{
    TUniqueHandle file(
        CreateFileW(W(fileName), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << Utf16ToUtf8(fileName);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

std::string CaptureStdOut(const std::function<void()>& action)
{
    TTempFolder folder;
    const std::u16string name = folder / u"stdout.txt";
    TUniqueHandle file(CreateFileW(W(name), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file);
    const HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, file.Get());
    try {
        action();
    } catch (...) {
        SetStdHandle(STD_OUTPUT_HANDLE, saved);
        throw;
    }
    SetStdHandle(STD_OUTPUT_HANDLE, saved);
    SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN);
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}
