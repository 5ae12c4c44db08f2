// The installation's entry in the list of installed programs and the two data files the product's
// uninstaller reads. Computed here; the Windows layer writes them (registry strings through the
// wide functions, so no character is lost to the ANSI code page).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "SetupScript.h"

// The parent of every uninstall entry, below HKEY_LOCAL_MACHINE.
inline constexpr std::u16string_view UninstallListPath = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The entry of this installer: the list's path, "\", the product GUID and "_zd".
std::u16string UninstallKeyName(const std::u16string& guid);
// The value of that key that start-up proposes as the destination of a new run, exactly as stored.
inline constexpr std::u16string_view InstallLocationValueName = u"InstallLocation";

// Registry data types, with the numbers of the registry's REG_* constants.
enum class TRegDataType : uint32_t { rdtString = 1, rdtBinary = 3, rdtDWord = 4 };

struct TUninstallValue {
    std::u16string Name;
    TRegDataType Type = TRegDataType::rdtString;
    std::u16string Text;          // rdtString
    uint32_t DWord = 0;           // rdtDWord
    std::vector<uint8_t> Binary;  // rdtBinary
};

// What an install run knows when it registers itself.
struct TUninstallContext {
    std::u16string Title;     // the product title in the run's language
    std::u16string Language;  // "CHS", "CHT" or "ENG"
    std::u16string AppDir;    // the destination directory, ending in a backslash
    TDateTime Now = 0;        // the current local date and time
};

// The nineteen values of the uninstall entry, in the order they are written.
std::vector<TUninstallValue> UninstallValues(const TSetupScript& script, const TUninstallContext& context);

// "EstimatedSize": the sizes of all file entries in KiB, rounded down. Summed in 64 bits, so that a
// product of more than 2 GiB does not wrap to a negative size; entries of size 0 or below count 0;
// a total beyond the DWORD range stays at its maximum.
uint32_t EstimatedSizeKiB(const TSetupFileList& files);

// The date part of a TDateTime as "yyyymmdd".
std::u16string FormatDateYYYYMMDD(TDateTime value);
// The eight bytes of the little-endian IEEE-754 double.
std::vector<uint8_t> DateTimeBytes(TDateTime value);

// The uninstaller's command lines: "<dir>\Uninstall.exe" in quotes, and that followed by " /SILENT".
std::u16string UninstallCommandLine(const std::u16string& appDir, bool quiet);

// ---- Data files --------------------------------------------------------------------------------
inline constexpr std::u16string_view UninstallScriptFileName = u"Uninstall.da1";
inline constexpr std::u16string_view UninstallIconFileName = u"Uninstall.da2";

// "Uninstall.da1": the script as XML exactly as loaded (nothing expanded), encoded with the package
// codec unless encode is false (development mode writes it plain).
std::string UninstallScriptData(const TSetupScript& script, bool encode);
// "Uninstall.da2": the product icon as PNG, encoded likewise. The icon has been loaded as a PNG at
// start; any other data here is a programming error (EAssertionFailed).
std::string UninstallIconData(std::string_view pngBytes, bool encode);
