/* A minimal Windows program with resources of its own, the stand-in for the installer stub in the
   PE resource tests. It exits 0 only when it still finds its own RCDATA resource with the right
   content, so a rewritten copy that starts and exits 0 has a resource tree the loader accepts. */
#include <string.h>
#include <windows.h>

int main(void)
{
    static const char expected[] = "stub resource";
    HRSRC info = FindResourceW(NULL, L"STUBDATA", MAKEINTRESOURCEW(10));
    if (!info) return 2;
    HGLOBAL handle = LoadResource(NULL, info);
    const void* data = handle ? LockResource(handle) : NULL;
    if (!data || SizeofResource(NULL, info) != sizeof expected) return 3;
    return memcmp(data, expected, sizeof expected) == 0 ? 0 : 4;
}
