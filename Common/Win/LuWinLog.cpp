#include "LuWinLog.h"

#include "LuHandles.h"
#include "LuStrUtils.h"

void LogWin32Failure(const char* call, const std::u16string& argument, DWORD error)
{
    std::u16string text = u"LuSetup: " + Utf8ToUtf16(call) + u"(\"" + argument + u"\") failed: " + IntToStr(error);
    wchar_t* message = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    TLocalMemory owner(message);
    if (length > 0) text += u" " + Trim(std::u16string(reinterpret_cast<const char16_t*>(message), length));
    text += u"\n";
    ::OutputDebugStringW(reinterpret_cast<const wchar_t*>(text.c_str()));
    ::SetLastError(error);
}
