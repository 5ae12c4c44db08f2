// Loads an executable's resources the way the installer does and reports what Windows finds:
//   ResourceProbe <exe> <report file> <query>...
// A query is "<type>:<name>" (type a number, name "#<id>" or a string as the caller would pass it
// to FindResource), "version" (fixed and string version information) or "checksum" (the stored
// and the recomputed PE checksum). Each query gives one line in the report.
#include <windows.h>
#include <imagehlp.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

uint64_t Fnv1a(const uint8_t* data, size_t size)
{
    uint64_t h = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

std::string Utf8(const std::wstring& s)
{
    if (s.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::string Hex(uint64_t v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(v));
    return b;
}

struct TModule {
    HMODULE Handle = nullptr;
    ~TModule()
    {
        if (Handle) FreeLibrary(Handle);
    }
};

std::string Resource(HMODULE module, const std::wstring& query)
{
    const size_t colon = query.find(L':');
    if (colon == std::wstring::npos) return "bad query";
    const WORD type = WORD(std::stoul(query.substr(0, colon)));
    const std::wstring name = query.substr(colon + 1);
    const wchar_t* namePtr = name[0] == L'#' ? MAKEINTRESOURCEW(std::stoul(name.substr(1))) : name.c_str();
    HRSRC info = FindResourceW(module, namePtr, MAKEINTRESOURCEW(type));
    if (!info) return "missing";
    HGLOBAL loaded = LoadResource(module, info);
    const DWORD size = SizeofResource(module, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data && size) return "unloadable";
    return std::to_string(size) + " " + Hex(Fnv1a(static_cast<const uint8_t*>(data), size));
}

std::string Version(const std::wstring& exe)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    if (!size) return "none";
    std::vector<uint8_t> block(size);
    if (!GetFileVersionInfoW(exe.c_str(), 0, size, block.data())) return "unreadable";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return "no fixed info";
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%08lx %08lx %08lx", static_cast<unsigned long>(fixed->dwFileVersionMS),
                  static_cast<unsigned long>(fixed->dwFileVersionLS),
                  static_cast<unsigned long>(fixed->dwProductVersionMS));
    DWORD* translation = nullptr;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 4)
        return "no translation";
    std::string out = std::string(numbers) + " " + Hex(*translation).substr(8);
    for (const wchar_t* key : {L"CompanyName", L"ProductName", L"FileVersion"}) {
        wchar_t* value = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
        if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
            return out + " missing " + Utf8(key);
        out += " [" + Utf8(value) + "]";
    }
    return out;
}

std::string Checksum(const std::wstring& exe)
{
    DWORD stored = 0, computed = 0;
    if (MapFileAndCheckSumW(exe.c_str(), &stored, &computed) != CHECKSUM_SUCCESS) return "failed";
    return Hex(stored).substr(8) + " " + Hex(computed).substr(8);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) return 2;
    const std::wstring exe = argv[1];
    TModule module;
    module.Handle = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module.Handle) return 3;
    std::string report;
    for (int i = 3; i < argc; ++i) {
        const std::wstring query = argv[i];
        const std::string answer = query == L"version"    ? Version(exe)
                                   : query == L"checksum" ? Checksum(exe)
                                                          : Resource(module.Handle, query);
        report += Utf8(query) + " " + answer + "\n";
    }
    FILE* out = _wfopen(argv[2], L"wb");
    if (!out) return 4;
    std::fwrite(report.data(), 1, report.size(), out);
    std::fclose(out);
    return 0;
}
