// A failing Win32 call is logged once, where it fails, to the debugger output (OutputDebugString):
// the call, its argument and the decoded error. Nothing is shown to the user.
#pragma once

#include <windows.h>

#include <string>

void LogWin32Failure(const char* call, const std::u16string& argument, DWORD error);
inline void LogWin32Failure(const char* call, const std::u16string& argument)
{
    LogWin32Failure(call, argument, ::GetLastError());
}
