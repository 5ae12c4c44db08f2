/* Reads back what a shell link holds: prints "TARGET|WORKDIR" of the .lnk file given. */
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <stdio.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return 2;
    CoInitialize(NULL);
    IShellLinkW* link = NULL;
    IPersistFile* file = NULL;
    if (FAILED(CoCreateInstance(&CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, &IID_IShellLinkW, (void**)&link)))
        return 1;
    if (FAILED(link->lpVtbl->QueryInterface(link, &IID_IPersistFile, (void**)&file))) return 1;
    if (FAILED(file->lpVtbl->Load(file, argv[1], STGM_READ))) return 3;
    wchar_t target[MAX_PATH] = L"", dir[MAX_PATH] = L"";
    link->lpVtbl->GetPath(link, target, MAX_PATH, NULL, SLGP_RAWPATH);
    link->lpVtbl->GetWorkingDirectory(link, dir, MAX_PATH);
    char out[4 * MAX_PATH * 2 + 4];
    wchar_t both[2 * MAX_PATH + 2];
    swprintf(both, 2 * MAX_PATH + 2, L"%ls|%ls", target, dir);
    int n = WideCharToMultiByte(CP_UTF8, 0, both, -1, out, sizeof out, NULL, NULL);
    if (n > 0) fwrite(out, 1, (size_t)(n - 1), stdout);
    file->lpVtbl->Release(file);
    link->lpVtbl->Release(link);
    return 0;
}
