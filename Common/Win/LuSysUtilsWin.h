// System helpers, Windows part: files and their times, shell folders, processes, the shell, the
// temporary folder, the user's locale, the Windows version, message boxes, the command line and
// the start-up values of the process.
//
// The zlib stream functions of TLuSysfn are portable and live in Common/LuSysUtils.h. A class
// cannot be reopened, so the Windows operations of TLuSysfn are in TLuSysfnWin, which derives from
// TLuSysfn: Windows code calls every TLuSysfn operation through TLuSysfnWin.
//
// Failures are reported by result (false, an empty text, exit code 1, a shell result of 32 or
// less); only ForceDirectories raises, for an empty path.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "LuHandles.h"
#include "LuSysUtils.h"
#include "LuWinText.h"

struct TEnumTypeInfo;

using TDateTime = double;  // days since 30 December 1899, local time; the fraction is the time of day

// Times of a file for SetFileTimes, each a local time; 0 leaves that time unchanged.
struct TFileTimes {
    TDateTime CreationTime = 0;
    TDateTime LastWriteTime = 0;
    TDateTime LastAccessTime = 0;
};

class TLuFilefn {
public:
    TLuFilefn() = delete;
    // Creates the directory part of the file name with every missing parent when it does not
    // exist. A bare file name does nothing; a failure is not reported (it shows when the file is
    // written).
    static void EnsureFileDir(const std::u16string& fileName);
    // The long form of an existing path; empty when the system cannot tell.
    static std::u16string LongPathName(const std::u16string& path);
    // Opens the existing file for reading and writing without sharing and sets the times that are
    // not 0, each taken as local time. False when the file cannot be opened (for example while
    // another process holds it open), a time cannot be converted, or the setting fails.
    static bool SetFileTimes(const std::u16string& fileName, const TFileTimes& times);
    // A local date-time as a UTC file time (100 ns ticks since 1601), converted with the current
    // offset from UTC as the system does for local file times. False for a date before 1601 or
    // after 30827, or a value that is not finite.
    static bool DateTimeToFileTime(TDateTime value, FILETIME& result);
    // A calendar time (as GetLocalTime gives it) as a date-time, to the millisecond.
    static TDateTime SystemTimeToDateTime(const SYSTEMTIME& time);
};

class TLuRegfn {
public:
    TLuRegfn() = delete;
    // The shell folder of a CSIDL identifier (current path, not created) with a trailing
    // backslash; empty when the shell cannot tell.
    static std::u16string GetSpecialFolder(int folderId);

    enum class TReadResult { rrFound, rrMissing, rrNotText };
    // A text value (REG_SZ or REG_EXPAND_SZ, not expanded) of the key below the root, without its
    // trailing zeros. rrMissing when the key or the value cannot be read, rrNotText for a value
    // of another type; the value is set only for rrFound.
    static TReadResult ReadString(HKEY root, const std::u16string& keyName, const std::u16string& valueName,
                                  std::u16string& value);
};

class TLuSysfnWin : public TLuSysfn {
public:
    TLuSysfnWin() = delete;
    // Writes the text in the ANSI code page, followed by CR LF, to the standard output handle.
    // A process without standard output writes nothing.
    static void WriteStdOut(const std::u16string& text);
    // Writes bytes unchanged to the standard output handle, if there is one.
    static void WriteStdOutBytes(const void* bytes, size_t size);
    // Writes the text in UTF-8, followed by LF, to the standard error handle: the report of an
    // unattended run. A process without standard error writes nothing.
    static void WriteStdErr(const std::u16string& text);
    // True when a user-mode debugger is attached to the process.
    static bool IsDebugging();
    // The declared name of an enumeration value; the number as text when it is out of range.
    static std::u16string EnumName(const TEnumTypeInfo& type, int value);
};

// The platform identifier and version numbers the system reports.
struct TWinVersion {
    DWORD PlatformId = 0;
    DWORD Major = 0;
    DWORD Minor = 0;
};

class TLuWinfn {
public:
    TLuWinfn() = delete;

    // ---- Processes -------------------------------------------------------------------------
    // Starts the command line in a new console, shown normally, and waits for it to end. Its exit
    // code, or 1 when it cannot be started.
    static DWORD RunAndWait(const std::u16string& commandLine);
    // Starts the command line hidden with standard output and standard error on a pipe, relays
    // every byte it writes to our standard output as it arrives (polling every 300 ms) and, after
    // it ends, what is still in the pipe. Its exit code, or 1 when it cannot be started.
    static DWORD RunConsole(const std::u16string& commandLine);

    // ---- Shell -----------------------------------------------------------------------------
    // ShellExecute of the operation (empty: the default verb) on the file. With the foreground
    // grant, after 300 ms the first running process whose executable name equals the file name
    // part (ignoring case) may bring its window to the foreground. The shell's result: greater
    // than 32 on success.
    static int ShellExec(HWND owner, const std::u16string& operation, const std::u16string& fileName,
                         const std::u16string& parameters, const std::u16string& directory, int showCommand,
                         bool grantForeground);
    // The default verb on the target, shown (SW_SHOW), no foreground grant.
    static int ShellOpen(const std::u16string& target);
    // Opens the URL with its handler; when the shell fails, with iexplore.exe.
    static void OpenUrl(const std::u16string& url);

    // ---- System ----------------------------------------------------------------------------
    // The temporary folder in long form with a trailing backslash; empty when it cannot be read.
    static std::u16string GetTempDir();
    // Abbreviated language name of the user's default locale ("CHS", "ENU", ...).
    static std::u16string GetUserLangAbbrev();

    // ---- Windows version (read once when the process starts) -------------------------------
    static const TWinVersion& WinVersion();
    static bool IsWinXPOrHigher() { return IsWinXPOrHigher(WinVersion()); }
    static bool IsWin7OrHigher() { return IsWin7OrHigher(WinVersion()); }
    static bool IsWin10OrHigher() { return IsWin10OrHigher(WinVersion()); }
    // The same tests for given numbers; false unless the platform is NT.
    static bool IsWinXPOrHigher(const TWinVersion& v);
    static bool IsWin7OrHigher(const TWinVersion& v);
    static bool IsWin10OrHigher(const TWinVersion& v);

    // ---- Messages --------------------------------------------------------------------------
    // The standard message box; the identifier of the button pressed.
    static int MsgBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT flags);
    // An information message with an OK button.
    static int ShowInfo(HWND owner, const std::u16string& text, const std::u16string& caption);
};

// ---- Directories ------------------------------------------------------------------------------
// True when the path's attributes can be read and mark a directory.
bool DirectoryExists(const std::u16string& path);
// Creates every missing directory of the path, parents first; true when the directory exists
// afterwards. Raises EInOutError "Unable to create directory" for an empty path.
bool ForceDirectories(const std::u16string& path);
// Opens an existing file with the given access and sharing; empty on failure.
TUniqueHandle FileOpenExisting(const std::u16string& fileName, DWORD access, DWORD share);

// ---- Modules ----------------------------------------------------------------------------------
// Loads a DLL from the system folder only, never from the application's folder.
HMODULE LoadSystemDll(const wchar_t* name);
// The system folder ("C:\Windows\System32") without a trailing backslash; that very folder when
// the system cannot tell.
std::u16string SystemDirectory();

// ---- Errors and text --------------------------------------------------------------------------
// The system's text for an error code, without the line break that ends it; "System error N"
// when the system has none.
std::u16string SysErrorMessage(DWORD code);
// Bytes in the ANSI code page as text.
std::u16string AnsiToText(std::string_view bytes);

// ---- Command line ------------------------------------------------------------------------------
// The arguments of a command line by the rules of CommandLineToArgvW.
std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine);
// Number of arguments after the program name.
int ParamCount();
// Argument i of the process's command line; 0 is the full path of the running executable. Empty
// when i is out of range.
std::u16string ParamStr(int index);
// Full path of the running executable.
std::u16string ModuleFileName(HMODULE module = nullptr);

// ---- Environment -------------------------------------------------------------------------------
// The value of an environment variable read in the ANSI code page; empty when it is not set.
std::u16string AnsiEnvironmentVariable(const char* name);

// ---- Start-up ---------------------------------------------------------------------------------
// Takes the decimal separator of the user's locale for the number conversions of LuStrUtils.
void InitLocaleFormats();
// The first call of a program that may be started from a folder where anyone could have left a
// DLL named like a system one (Downloads, an installation folder): from here on the loader takes
// DLLs from the system folder only. Static imports were resolved before: import KnownDLLs only
// and load everything else with LoadSystemDll.
void RestrictDllSearch();
