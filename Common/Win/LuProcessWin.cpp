// Running programs and the shell.
#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"
#include "LuWinLog.h"

namespace {
// Empty texts mean "none" to the shell.
const wchar_t* WOrNull(const std::u16string& text) { return text.empty() ? nullptr : W(text); }

// CreateProcessW may write into the command line, so it gets a copy of its own.
std::vector<wchar_t> MutableCommandLine(const std::u16string& commandLine)
{
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    return buffer;
}

struct TProcess {
    TUniqueHandle Process;
    TUniqueHandle Thread;
};

bool StartProcess(const std::u16string& commandLine, DWORD flags, STARTUPINFOW& startup, TProcess& result)
{
    std::vector<wchar_t> line = MutableCommandLine(commandLine);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags | NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                          &startup, &info)) {
        LogWin32Failure("CreateProcessW", commandLine);
        return false;
    }
    result.Process.Reset(info.hProcess);
    result.Thread.Reset(info.hThread);
    return true;
}

DWORD ExitCodeOf(HANDLE process)
{
    DWORD code = 1;
    if (!::GetExitCodeProcess(process, &code)) code = 1;
    return code;
}

// Relays what the pipe holds now, without blocking: a child that ended, or a grandchild that still
// holds the write end, must not keep us waiting.
void RelayAvailable(HANDLE pipe)
{
    char buffer[1024];
    for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
        DWORD read = 0;
        const DWORD wanted = available < sizeof buffer ? available : DWORD(sizeof buffer);
        if (!::ReadFile(pipe, buffer, wanted, &read, nullptr) || read == 0) return;
        TLuSysfnWin::WriteStdOutBytes(buffer, read);
    }
}
}  // namespace

DWORD TLuWinfn::RunAndWait(const std::u16string& commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    TProcess child;
    if (!StartProcess(commandLine, CREATE_NEW_CONSOLE, startup, child)) return 1;
    ::WaitForSingleObject(child.Process.Get(), INFINITE);
    return ExitCodeOf(child.Process.Get());
}

DWORD TLuWinfn::RunConsole(const std::u16string& commandLine)
{
    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    TUniqueHandle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inheritable, 0)) {
        LogWin32Failure("CreatePipe", commandLine);
        return 1;
    }
    // Only the write end belongs to the child.
    ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    TProcess child;
    if (!StartProcess(commandLine, 0, startup, child)) return 1;
    writeEnd.Reset();

    // Every byte the child writes reaches our output unchanged and in order; what it wrote just
    // before it ended is drained after the wait.
    DWORD wait;
    do {
        wait = ::WaitForSingleObject(child.Process.Get(), 300);
        RelayAvailable(readEnd.Get());
    } while (wait == WAIT_TIMEOUT);
    RelayAvailable(readEnd.Get());
    return ExitCodeOf(child.Process.Get());
}

int TLuWinfn::ShellExec(HWND owner, const std::u16string& operation, const std::u16string& fileName,
                        const std::u16string& parameters, const std::u16string& directory, int showCommand,
                        bool grantForeground)
{
    const HINSTANCE result =
        ::ShellExecuteW(owner, WOrNull(operation), W(fileName), WOrNull(parameters), WOrNull(directory), showCommand);
    const int code = int(reinterpret_cast<INT_PTR>(result));
    if (code <= 32) LogWin32Failure("ShellExecuteW", fileName, DWORD(code));
    if (grantForeground) {
        // Give the started program time to appear in the process list, then let it take the
        // foreground (we hold it and would otherwise keep it).
        ::Sleep(300);
        const std::u16string exeName = ExtractFileName(fileName);
        TUniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof entry;
        if (snapshot && ::Process32FirstW(snapshot.Get(), &entry)) {
            do {
                if (SameText(reinterpret_cast<const char16_t*>(entry.szExeFile), exeName)) {
                    ::AllowSetForegroundWindow(entry.th32ProcessID);
                    break;
                }
            } while (::Process32NextW(snapshot.Get(), &entry));
        }
    }
    return code;
}

int TLuWinfn::ShellOpen(const std::u16string& target)
{
    return ShellExec(nullptr, std::u16string(), target, std::u16string(), std::u16string(), SW_SHOW, false);
}

void TLuWinfn::OpenUrl(const std::u16string& url)
{
    if (ShellOpen(url) <= 32)
        ShellExec(nullptr, std::u16string(), u"iexplore.exe", url, std::u16string(), SW_SHOW, false);
}

int TLuWinfn::MsgBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT flags)
{
    return ::MessageBoxW(owner, W(text), W(caption), flags);
}

int TLuWinfn::ShowInfo(HWND owner, const std::u16string& text, const std::u16string& caption)
{
    return MsgBox(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}
