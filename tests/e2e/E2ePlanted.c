/* A program or DLL planted next to the installer, named like a system one (taskkill.exe,
   gdiplus.dll). When it runs, or is loaded, it leaves "planted-NAME.txt" in its own folder. */
#include <windows.h>

static void LeaveMarker(HMODULE self)
{
    wchar_t path[MAX_PATH + 32];
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    wchar_t* name = path + n;
    while (name > path && name[-1] != L'\\' && name[-1] != L'/') --name;
    wchar_t own[MAX_PATH];
    lstrcpynW(own, name, MAX_PATH);
    lstrcpyW(name, L"planted-");
    lstrcatW(name, own);
    lstrcatW(name, L".txt");
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
}

#ifdef E2E_PLANTED_DLL
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) LeaveMarker(self);
    return TRUE;
}
#else
int main(void)
{
    LeaveMarker(NULL);
    return 0;
}
#endif
