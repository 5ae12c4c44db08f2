// The uninstaller's texts in its three languages, its command line and its exit codes. Portable,
// and free of the script model, so that the uninstaller's window can include it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// ---- Command line -------------------------------------------------------------------------------
// "/SILENT" as the only argument, ignoring case: no question, no window. Anything else: interactive.
bool IsSilentUninstall(const std::vector<std::u16string>& arguments);

// ---- Exit codes ---------------------------------------------------------------------------------
enum TUninstallExitCode : int {
    ucSuccess = 0,         // removed; or cancelled by the user before anything was removed
    ucUnhandledError = 1,  // an unexpected error stopped the uninstaller
    ucDataError = 2,       // Uninstall.da1 or Uninstall.da2 missing or damaged; nothing was removed
    ucIncomplete = 3,      // some items of the installation could not be removed (in use, access
                           // denied); everything else was removed
};
struct TUninstallExitCodeInfo {
    TUninstallExitCode Code;
    const char* Meaning;
};
const std::vector<TUninstallExitCodeInfo>& UninstallExitCodeInfos();

// ---- Texts --------------------------------------------------------------------------------------
// The uninstaller's texts in the language ("CHS", "CHT", English otherwise). Formats take the
// product title for "%s" unless noted.
struct TUninstallTexts {
    std::u16string CaptionFmt;  // window caption and message-box title
    std::u16string ConfirmFmt;  // the question before anything is removed
    std::u16string btnUninstall;
    std::u16string btnCancel;
    std::u16string btnClose;
    std::u16string ClosingPrograms;  // status while running programs of the package are ended
    std::u16string RemovingFmt;      // status while removing
    std::u16string DoneFmt;          // everything removed
    std::u16string IncompleteFmt;    // some items could not be removed; the list follows
    std::u16string KeptFolderFmt;    // %s: a folder kept because it holds other files
    std::u16string DataErrorFmt;     // %s: the reason; nothing was removed
};
TUninstallTexts UninstallTexts(std::u16string_view language);

// The language of the run: the one the installation recorded ("InstallLanguage" of its uninstall
// entry) when it is one of the three codes, else the system language when it is "CHS" or "CHT",
// else English. A damaged data file names no
// entry to read it from, and is reported in the system language.
std::u16string UninstallLanguage(std::u16string_view installLanguage, std::u16string_view systemLanguage);
