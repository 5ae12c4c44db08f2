/* The demo product's program: appends one line, with its arguments, to hello.log in its own
   folder, so that a run of it can be seen afterwards. A GUI-subsystem program: no console opens. */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)show;
    wchar_t path[MAX_PATH + 16];
    DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash) return 1;
    wcscpy(slash + 1, L"hello.log");
    FILE* log = _wfopen(path, L"a");
    if (!log) return 1;
    SYSTEMTIME now;
    GetLocalTime(&now);
    fwprintf(log, L"%04u-%02u-%02u %02u:%02u:%02u hello from the demo, arguments: %ls\n", now.wYear, now.wMonth,
             now.wDay, now.wHour, now.wMinute, now.wSecond, commandLine);
    fclose(log);
    return 0;
}
