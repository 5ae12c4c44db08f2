// Shell folders, standard output, debugger, locale, temporary folder, Windows version, command
// line, COM, the environment and the start-up values of the process.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"
#include "LuWinLog.h"
#include "LuXmlUtils.h"

namespace {
std::string ToAnsi(const std::u16string& text)
{
    if (text.empty()) return std::string();
    const int size = ::WideCharToMultiByte(CP_ACP, 0, W(text), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string result(size_t(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, W(text), int(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}

// RtlGetVersion reports the real version whatever the executable's manifest declares, unlike
// GetVersionEx, which stops at 6.2 for executables that do not declare Windows 8.1 and later.
TWinVersion ReadWinVersion()
{
    TWinVersion version;
    using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const FARPROC proc = ntdll ? ::GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (!proc) return version;
    // Through void(*)() to tell the compiler the cast between function types is meant.
    const auto rtlGetVersion = reinterpret_cast<TRtlGetVersion>(reinterpret_cast<void (*)()>(proc));
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtlGetVersion(&info) != 0) return version;
    version.PlatformId = info.dwPlatformId;
    version.Major = info.dwMajorVersion;
    version.Minor = info.dwMinorVersion;
    return version;
}

// Read once, when the process starts.
const TWinVersion StartVersion = ReadWinVersion();

std::u16string LocaleInfo(LCTYPE type)
{
    wchar_t buffer[16];
    const int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, int(sizeof buffer / sizeof buffer[0]));
    if (length <= 0) return std::u16string();
    // The length counts the terminating zero.
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), size_t(length - 1));
}
}  // namespace

// ---- TLuRegfn ------------------------------------------------------------------------------------

std::u16string TLuRegfn::GetSpecialFolder(int folderId)
{
    wchar_t path[MAX_PATH] = {};
    const HRESULT hr = ::SHGetFolderPathW(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, path);
    // S_FALSE means the folder does not exist and leaves no path.
    if (hr != S_OK || path[0] == L'\0') {
        LogWin32Failure("SHGetFolderPathW", IntToStr(folderId), DWORD(hr));
        return std::u16string();
    }
    return IncludeTrailingBackslash(U16(path));
}

TLuRegfn::TReadResult TLuRegfn::ReadString(HKEY root, const std::u16string& keyName, const std::u16string& valueName,
                                           std::u16string& value)
{
    const TRegKey key = OpenRegKey(root, W(keyName), KEY_READ);
    if (!key) return TReadResult::rrMissing;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.Get(), W(valueName), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return TReadResult::rrMissing;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return TReadResult::rrNotText;
    // One more character than asked for: the stored text need not end with a zero.
    std::u16string text(size / 2 + 1, u'\0');
    size = DWORD(text.size() * 2);
    if (::RegQueryValueExW(key.Get(), W(valueName), nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size) !=
        ERROR_SUCCESS)
        return TReadResult::rrMissing;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return TReadResult::rrNotText;  // changed in between
    text.resize(size / 2);
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    value = text;
    return TReadResult::rrFound;
}

// ---- TLuSysfnWin ---------------------------------------------------------------------------------

void TLuSysfnWin::WriteStdOut(const std::u16string& text)
{
    const std::string bytes = ToAnsi(text) + "\r\n";
    WriteStdOutBytes(bytes.data(), bytes.size());
}

void TLuSysfnWin::WriteStdOutBytes(const void* bytes, size_t size)
{
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    const char* p = static_cast<const char*>(bytes);
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > 0x10000 ? 0x10000 : DWORD(size);
        if (!::WriteFile(out, p, chunk, &written, nullptr) || written == 0) return;
        p += written;
        size -= written;
    }
}

void TLuSysfnWin::WriteStdErr(const std::u16string& text)
{
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
    const std::string line = Utf16ToUtf8(text) + "\n";
    const char* p = line.data();
    size_t size = line.size();
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(err, p, DWORD(size), &written, nullptr) || written == 0) return;
        p += written;
        size -= written;
    }
}

bool TLuSysfnWin::IsDebugging() { return ::IsDebuggerPresent() != FALSE; }

std::u16string TLuSysfnWin::EnumName(const TEnumTypeInfo& type, int value)
{
    if (value >= 0 && size_t(value) < type.Names.size()) return type.Names[size_t(value)];
    return IntToStr(value);
}

// ---- TLuWinfn --------------------------------------------------------------------------------------

std::u16string TLuWinfn::GetTempDir()
{
    std::u16string temp(MAX_PATH + 1, u'\0');
    DWORD length = ::GetTempPathW(DWORD(temp.size()), reinterpret_cast<wchar_t*>(&temp[0]));
    if (length >= temp.size()) {
        temp.assign(length + 1, u'\0');
        length = ::GetTempPathW(DWORD(temp.size()), reinterpret_cast<wchar_t*>(&temp[0]));
    }
    if (length == 0 || length >= temp.size()) {
        LogWin32Failure("GetTempPathW", std::u16string());
        return std::u16string();
    }
    temp.resize(length);
    // Without a long form (a folder that does not exist yet) the folder as the system gave it is
    // still the temporary folder; a bare "\" would be the root of the current drive.
    const std::u16string longForm = TLuFilefn::LongPathName(temp);
    return IncludeTrailingBackslash(longForm.empty() ? temp : longForm);
}

std::u16string TLuWinfn::GetUserLangAbbrev() { return LocaleInfo(LOCALE_SABBREVLANGNAME); }

const TWinVersion& TLuWinfn::WinVersion() { return StartVersion; }

bool TLuWinfn::IsWinXPOrHigher(const TWinVersion& v)
{
    return v.PlatformId == VER_PLATFORM_WIN32_NT && (v.Major > 5 || (v.Major == 5 && v.Minor >= 1));
}

bool TLuWinfn::IsWin7OrHigher(const TWinVersion& v)
{
    return v.PlatformId == VER_PLATFORM_WIN32_NT && (v.Major > 6 || (v.Major == 6 && v.Minor >= 1));
}

bool TLuWinfn::IsWin10OrHigher(const TWinVersion& v)
{
    // Windows 10 reports 10.0; 6.4 was its number in early previews.
    return v.PlatformId == VER_PLATFORM_WIN32_NT && (v.Major > 6 || (v.Major == 6 && v.Minor >= 4));
}

// ---- Command line ------------------------------------------------------------------------------------

std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine)
{
    std::vector<std::u16string> result;
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(W(commandLine), &count);
    if (!argv) {
        LogWin32Failure("CommandLineToArgvW", commandLine);
        return result;
    }
    TLocalMemory owner(argv);
    for (int i = 0; i < count; ++i) result.push_back(U16(argv[i]));
    return result;
}

std::u16string ModuleFileName(HMODULE module)
{
    std::u16string buffer(MAX_PATH, u'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, reinterpret_cast<wchar_t*>(&buffer[0]), DWORD(buffer.size()));
        if (length == 0) return std::u16string();
        // A full buffer means the name may have been cut short.
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= 32768) return std::u16string();
        buffer.assign(buffer.size() * 2, u'\0');
    }
}

int ParamCount()
{
    const size_t count = SplitCommandLine(U16(::GetCommandLineW())).size();
    return count > 0 ? int(count) - 1 : 0;
}

std::u16string ParamStr(int index)
{
    if (index == 0) return ModuleFileName(nullptr);
    const std::vector<std::u16string> args = SplitCommandLine(U16(::GetCommandLineW()));
    if (index < 0 || size_t(index) >= args.size()) return std::u16string();
    return args[size_t(index)];
}

// ---- Environment and start-up ---------------------------------------------------------------------------

std::u16string AnsiEnvironmentVariable(const char* name)
{
    std::string value;
    const DWORD size = ::GetEnvironmentVariableA(name, nullptr, 0);
    if (size > 0) {
        value.assign(size, '\0');
        const DWORD length = ::GetEnvironmentVariableA(name, &value[0], size);
        value.resize(length < size ? length : 0);
    }
    return AnsiToText(value);
}

void InitLocaleFormats()
{
    const std::u16string separator = LocaleInfo(LOCALE_SDECIMAL);
    if (!separator.empty()) SetDecimalSeparator(separator[0]);
}

// ---- COM ---------------------------------------------------------------------------------------------

TComInitializer::TComInitializer()
    : FResult(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)), FInitialized(SUCCEEDED(FResult))
{}

TComInitializer::~TComInitializer()
{
    if (FInitialized) ::CoUninitialize();
}

HMODULE LoadSystemDll(const wchar_t* name)
{
    HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // Systems without LOAD_LIBRARY_SEARCH_SYSTEM32: the full path in the system folder.
    return ::LoadLibraryW(W(SystemDirectory() + u"\\" + U16(name)));
}

std::u16string SystemDirectory()
{
    wchar_t buffer[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return U16(buffer, n);
    LogWin32Failure("GetSystemDirectoryW", std::u16string());
    return u"C:\\Windows\\System32";
}

std::u16string SysErrorMessage(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD n =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    TLocalMemory owner(text);
    std::u16string result = n ? U16(text, n) : std::u16string();
    while (!result.empty() && (result.back() == u'\n' || result.back() == u'\r' || result.back() == u' '))
        result.pop_back();
    return result.empty() ? u"System error " + IntToStr(int64_t(code)) : result;
}

std::u16string AnsiToText(std::string_view bytes)
{
    if (bytes.empty()) return std::u16string();
    const int size = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    if (size <= 0) return std::u16string();
    std::u16string result(size_t(size), u'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), reinterpret_cast<wchar_t*>(&result[0]), size);
    return result;
}

void RestrictDllSearch()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    using TSetSearchPathMode = BOOL(WINAPI*)(DWORD);
    // Present from Windows 8, and on Vista and 7 with KB2533623; looked up so that the executable
    // still starts without it.
    auto setDefault = reinterpret_cast<TSetDefaultDllDirectories>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Without it, at least the current folder leaves the search.
    SetDllDirectoryW(L"");
    auto setSearchPathMode =
        reinterpret_cast<TSetSearchPathMode>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetSearchPathMode")));
    if (setSearchPathMode) setSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
}
