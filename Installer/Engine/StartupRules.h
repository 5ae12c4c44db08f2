// Rules of the installer's start and of the destination check that need no Windows: the command
// line, which script resource to load, the Windows-version requirement, the proposed destination
// and the normalised destination text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SetupScript.h"

class TLocalTexts;

// ---- Command line -----------------------------------------------------------------------------
enum class TStartMode {
    smInteractive,  // the window waits for the user
    smSilent,       // installs at once; the window is never shown
    smAuto,         // shows the window already installing; no click needed
};

// The arguments after the program path. Exactly one argument "/Silent" or "/Auto", ignoring case,
// selects that mode; anything else (no argument, another one, two or more) is interactive.
TStartMode ParseCommandLine(const std::vector<std::u16string>& arguments);

// ---- Script resource --------------------------------------------------------------------------
enum class TScriptResource { srNone, srFull, srMini };

// A package holding the full-setup script is a full setup, even when it also holds a mini script.
TScriptResource ChooseScriptResource(bool hasFullScript, bool hasMiniScript);
// The resource name to load; nullptr for srNone.
const char* ScriptResourceName(TScriptResource resource);

// ---- Windows version --------------------------------------------------------------------------
// Whether the system the installer runs on meets the script's requirement. isNT: the platform is of
// the NT family; major and minor as the system reports them to the process.
bool IsWinVersionMet(TWinVersionEnum required, bool isNT, unsigned major, unsigned minor);
// The message shown when the requirement is not met (Windows 10 shares the Windows 7 text).
std::u16string WinVersionMessage(const TLocalTexts& texts, TWinVersionEnum required);

// ---- Destination ------------------------------------------------------------------------------
// The proposed destination: the directory of an earlier installation exactly as its uninstall
// entry stored it, otherwise DefInstallPath with its placeholders expanded.
std::u16string DefaultDestination(const TSetupBaseInfo& baseInfo, const std::u16string& title,
                                  const std::optional<std::u16string>& previousInstallLocation);

// What the destination field's text makes of the destination.
struct TDestDirCheck {
    enum TResult {
        dcOk,           // Dir is the directory to create and write-test
        dcEmpty,        // nothing but blanks: ResDestDirCannotBeEmpty
        dcNotAbsolute,  // no drive or network share: reported as a directory that cannot be created
    };
    TResult Result = dcEmpty;
    std::u16string Trimmed;  // the text without blanks and control characters at either end
    std::u16string Dir;      // Trimmed with a trailing backslash; what every message names
};

// A relative destination would depend on the folder the installer was started from, and the
// uninstall entry, shortcuts and {app} texts would all point nowhere later; it is refused like a
// directory that cannot be created.
TDestDirCheck CheckDestDirText(std::u16string_view fieldText);

// "C:\..." (or "C:/..."), or a network path "\\server\share..."; "C:dir" is relative to that
// drive's current folder and is not absolute. The check applies it to the text with its trailing
// backslash, so a bare "C:" stands for the drive's root.
bool IsAbsoluteDestPath(std::u16string_view path);

// The file created to test that the directory is writable: the directory followed by a new GUID in
// its braced text form, without extension.
std::u16string WriteTestFileName(const std::u16string& dir, const std::u16string& guidText);
