// The Windows-name rule: which names a package may give the files it installs. The builder refuses
// a source tree that breaks it, the installer a package, the uninstaller an entry of its data file.
// Portable: the rule is Windows', checked the same way on every system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A relative target may be this long (UTF-16 units). An extended-length path ("\\?\" prefix) holds
// 32,767 units; this leaves 767 of them for the prefix and the destination folder in front.
constexpr size_t MaxRelativeTargetLength = 32000;
// The longest file or folder name Windows' file systems take.
constexpr size_t MaxWindowsFileNameLength = 255;

// A device name of Windows: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9, LPT1-LPT9 and their
// superscript forms (COM¹, LPT³), ignoring case, alone or with any extension ("con.txt",
// "Com1.tar.gz"), and with blanks before the extension ("nul .txt"). Opening such a name opens the
// device, never a file.
bool IsReservedDeviceName(std::u16string_view name);

// One component of a path: not empty, not "." or "..", at most 255 units, none of \ / : * ? " < > |
// nor a control character (0-31), no trailing dot or blank (Windows drops them, so the name would
// read differently from what is written), not a device name. reason, when given, receives why not.
bool IsValidWindowsFileName(std::u16string_view name, std::u16string* reason = nullptr);

// A path below a destination folder: "\"-separated components, each a valid Windows file name
// ("/" counts as a character of a name, so it is refused too), within MaxRelativeTargetLength. No
// empty component: no leading, trailing or doubled "\", hence no "C:\" or "\\server" either.
bool IsValidRelativeTarget(std::u16string_view path, std::u16string* reason = nullptr);

// Whether target is a file below folder: folder (absolute, trailing "\" or not) is its start,
// ignoring case, and the rest is a valid relative target.
bool IsTargetInsideFolder(std::u16string_view target, std::u16string_view folder, std::u16string* reason = nullptr);
