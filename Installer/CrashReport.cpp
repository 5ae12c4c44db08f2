#include "CrashReport.h"

#include "LuExceptions.h"
#include "LuStrUtils.h"
#include "LuUi.h"

#include <windows.h>

std::u16string CrashMessage(std::exception_ptr error) {
    try {
        if (error) std::rethrow_exception(error);
        return u"Unknown error";
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return Utf8ToUtf16(e.what());
    } catch (...) {
        return u"Unknown error";
    }
}

void ReportCrash(std::exception_ptr error, bool silent) {
    const std::u16string message = CrashMessage(error);
    // Standard error in every run: it is the only report of a run whose window could not be made,
    // and a process started without one writes nothing.
    const std::string line = "setup: error: " + Utf16ToUtf8(message) + "\n";
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (err && err != INVALID_HANDLE_VALUE) WriteFile(err, line.data(), DWORD(line.size()), &written, nullptr);
    // An unattended run has nobody to answer a message box: it would wait for ever instead of
    // reporting the failure. Standard error and the exit code say it there.
    if (silent) return;
    std::u16string caption = Application().Title();
    if (caption.empty()) caption = u"Setup";
    const std::u16string text = message + u"\r\n\r\nSetup cannot continue and will now end.";
    // Owned by no window: the main window may be the one that failed.
    MessageBoxW(nullptr, W(text), W(caption), MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}
