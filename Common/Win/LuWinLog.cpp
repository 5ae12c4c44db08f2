#include "LuWinLog.h"

#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"

void LogWin32Failure(const char* call, const std::u16string& argument, DWORD error)
{
    const std::u16string text = u"LuSetup: " + Utf8ToUtf16(call) + u"(\"" + argument + u"\") failed: " +
                                IntToStr(error) + u" " + SysErrorMessage(error) + u"\n";
    ::OutputDebugStringW(W(text));
    ::SetLastError(error);
}
