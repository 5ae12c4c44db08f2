#include "CrashReport.h"

#include "LuExceptions.h"
#include "LuSysUtilsWin.h"
#include "LuUi.h"

#include <windows.h>

using namespace lu::ui;

void ReportCrash(std::exception_ptr error, bool silent)
{
    const std::u16string message = ExceptionMessage(error);
    // Standard error in every run: it is the only report of a run whose window could not be made,
    // and a process started without one writes nothing.
    TLuSysfnWin::WriteStdErr(u"setup: error: " + message);
    // An unattended run has nobody to answer a message box: it would wait for ever instead of
    // reporting the failure. Standard error and the exit code say it there.
    if (silent) return;
    std::u16string caption = Application().Title();
    if (caption.empty()) caption = u"Setup";
    const std::u16string text = message + u"\r\n\r\nSetup cannot continue and will now end.";
    // Owned by no window: the main window may be the one that failed.
    MessageBoxW(nullptr, W(text), W(caption), MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}
