// The uninstaller's rules that need no Windows: reading the two data files, what to remove and in
// which order, which paths it may touch at all, the exit codes and the command line. Portable: it
// builds natively for its tests and with MinGW for Uninstall.exe. Paths are expanded by the same
// rules as the installer's (InstallPlan, TSetupfn::ExpandPath), so TSetupfn's folder values must
// hold what the installer had: AppDir the uninstaller's own folder, GroupName the title.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "LuExceptions.h"
#include "SetupScript.h"

// A data file that is missing, cannot be decoded or does not hold what it should. The message
// names the file and the reason; nothing has been removed when it is raised.
LU_DECLARE_EXCEPTION(EUninstallDataError, Exception);

// ---- Data files ---------------------------------------------------------------------------------
// "Uninstall.da1": the encoded script. Raises EUninstallDataError when the bytes do not decode, the
// XML does not parse, its root is not "TSetupScript" or the product GUID is empty.
std::unique_ptr<TSetupScript> LoadUninstallScript(std::string_view encoded);
// "Uninstall.da2": the encoded icon; the PNG bytes. Raises EUninstallDataError when they do not
// decode to a PNG image.
std::string LoadUninstallIcon(std::string_view encoded);

// ---- Where it may remove anything ---------------------------------------------------------------
// The folders the uninstaller expands itself, each with a trailing backslash (empty when unknown).
struct TRemovalRoots {
    std::u16string AppDir;             // the destination: the uninstaller's own folder
    std::u16string DesktopDir;         // the user's desktop
    std::u16string CommonProgramsDir;  // the common Start-menu Programs folder
    // Roots from TSetupfn's folder values.
    static TRemovalRoots FromSetupFolders();
};

enum class TPathVerdict {
    pvInside,   // below one of the roots (never a root itself)
    pvOutside,  // not below any root
    pvBadName,  // a component that is no valid Windows file name (IsValidWindowsFileName: "..",
                // ".", trailing dots or blanks, a stream name ":", a device name such as CON or
                // aux.txt), a device or "\\?\" prefix, or no absolute path
};
// Whether the uninstaller may remove the path; root receives the root it lies below. "/" counts as
// "\", and roots and path compare ignoring case.
TPathVerdict CheckRemovalPath(std::u16string_view path, const TRemovalRoots& roots, std::u16string* root = nullptr);
// The folders from the path's own folder up to, but not including, the root, deepest first; the
// chain a reparse-point check walks and the folders tried for removal afterwards.
std::vector<std::u16string> FoldersBelowRoot(std::u16string_view path, std::u16string_view root);

// ---- What to remove -----------------------------------------------------------------------------
struct TFileRemoval {
    std::u16string Path;
    std::u16string Root;          // the root it lies below
    bool ShortCut = false;        // a shortcut: removed whatever its content
    int64_t Bytes = 0;            // a file: the size the installer wrote
    TDateTime LastWriteDate = 0;  // a file with content: the last-write time the installer gave it
};

struct TRegRemoval {
    uint32_t Root = 0;      // registry root handle value (RootKeyToHKEY)
    std::u16string SubKey;  // without a leading backslash
    std::u16string ValueName;
};

struct TRefusedPath {
    std::u16string Path;
    TPathVerdict Verdict;
};

struct TUninstallPlan {
    std::vector<TFileRemoval> Files;            // files, then shortcuts, in list order, each path once
    std::vector<TRefusedPath> Refused;          // entries the uninstaller will not touch
    std::vector<TRegRemoval> Values;            // registry values, in list order
    std::vector<std::u16string> Folders;        // folders to remove when empty, deepest first; the
                                                // destination itself last
    std::vector<std::u16string> ProgramsToEnd;  // executable names of the package still running
};

// The plan for a script; selfPath is the running uninstaller, which is removed separately (a
// running program cannot delete itself) and so is not among Files. The data files are not either:
// they go last, once everything else is done.
TUninstallPlan PlanUninstall(const TSetupScript& script, const TRemovalRoots& roots, std::u16string_view selfPath);

// Whether the file on disk is still the one the installer wrote: its size is the entry's, and for
// a file with content its last-write time is within two seconds of the entry's (the resolution
// of FAT), or exactly one hour off (a change of daylight-saving time between installation and
// removal shifts the local time). A file changed since is the user's and stays.
bool IsUnchangedFile(const TFileRemoval& file, int64_t size, TDateTime lastWrite);

// The registry keys to remove when they are left empty: the entry's key and its parents, deepest
// first, never a key directly below the root ("Software" and its like).
std::vector<std::u16string> RegistryKeysToTry(std::u16string_view subKey);
