// Fixtures of the Windows tests: a private temporary folder, the helper programs beside the test
// executable, and a capture of our standard output.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "LuWinText.h"

// The folder of the running test executable, with a trailing backslash.
std::u16string TestExeDir();
// The child process of the tests (data/TestHelper.cpp) and a command line that starts it.
std::u16string HelperPath();
std::u16string HelperCommand(const std::u16string& arguments);

// A new empty folder under the temporary folder, deleted with all its content at the end.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    // The folder with a trailing backslash.
    const std::u16string& Path() const { return FPath; }
    std::u16string operator/(const std::u16string& name) const { return FPath + name; }

private:
    std::u16string FPath;
};

void WriteFileText(const std::u16string& fileName, const std::string& bytes);

// What the action writes to the process's standard output handle (a temporary file meanwhile).
std::string CaptureStdOut(const std::function<void()>& action);
