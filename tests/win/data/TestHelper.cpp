// Child process of the Windows tests.
//   out CODE PART...     writes each PART to standard output, then exits with CODE. A PART "~N"
//                        sleeps N ms, "#N" writes N bytes a..z repeated, anything else is written
//                        with \r, \n and \\ decoded.
//   exit CODE            exits with CODE.
//   hold FILE READY RELEASE
//                        opens FILE for reading and writing without sharing, signals the named
//                        event READY and waits (at most 30 s) for the named event RELEASE.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {
void Write(const std::string& bytes)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (out && out != INVALID_HANDLE_VALUE && !bytes.empty())
        WriteFile(out, bytes.data(), DWORD(bytes.size()), &written, nullptr);
}

std::string Decode(const wchar_t* part)
{
    std::string bytes;
    for (const wchar_t* p = part; *p; ++p) {
        if (*p == L'\\' && p[1]) {
            ++p;
            bytes += *p == L'r' ? '\r' : *p == L'n' ? '\n' : char(*p);
        } else {
            bytes += char(*p);
        }
    }
    return bytes;
}
}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) return 100;
    const std::wstring mode = argv[1];
    if (mode == L"exit") return _wtoi(argv[2]);
    if (mode == L"out") {
        for (int i = 3; i < argc; ++i) {
            if (argv[i][0] == L'~') {
                Sleep(DWORD(_wtoi(argv[i] + 1)));
            } else if (argv[i][0] == L'#') {
                std::string bytes;
                for (int n = 0, count = _wtoi(argv[i] + 1); n < count; ++n) bytes += char('a' + n % 26);
                Write(bytes);
            } else {
                Write(Decode(argv[i]));
            }
        }
        return _wtoi(argv[2]);
    }
    if (mode == L"hold" && argc == 5) {
        const HANDLE file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 2;
        const HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
        const HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[4]);
        if (!ready || !release) return 3;
        SetEvent(ready);
        WaitForSingleObject(release, 30000);
        CloseHandle(file);
        return 0;
    }
    return 100;
}
