// What the install stages do with the script's entries, worked out without touching the machine:
// target paths of files and shortcuts, the programs to end before the files are written, the
// programs to run afterwards and the progress bar's range. Texts are expanded with
// TSetupfn::ExpandPath and the title, so AppDir must already hold the destination.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "SetupScript.h"

class TLocalTexts;

// ---- Files ------------------------------------------------------------------------------------
// DestDir expanded, ending in a backslash.
std::u16string FileTargetDir(const TSetupFile& file, const std::u16string& title);
// The target directory followed by NewFileName, or by SourceMask when NewFileName is empty.
std::u16string FileTargetPath(const TSetupFile& file, const std::u16string& title);

// ---- Programs to end before the files are written ----------------------------------------------
// The file-name part of each entry's SourceMask that ends in ".exe" (ignoring case), in list
// order, once per entry. Left out: the installer's own file name (ignoring case), and masks with
// "*" or "?", which name no single program (taskkill would take them as a pattern and end every
// matching process on the machine).
std::vector<std::u16string> ProcessesToEnd(const TSetupFileList& files, std::u16string_view installerPath);
// The command that ends every process of that executable name. The name is quoted so that a name
// with blanks reaches taskkill as one argument.
std::u16string TaskKillCommand(const std::u16string& exeName);

// ---- Earlier installations ---------------------------------------------------------------------
// Keys below HKEY_LOCAL_MACHINE whose "QuietUninstallString" removes an earlier installation, in
// the order they are run: the "_is1" key, then this installer's own "_zd" key.
std::vector<std::u16string> OldVersionUninstallKeys(const std::u16string& guid);
inline constexpr std::u16string_view QuietUninstallValueName = u"QuietUninstallString";

// ---- Shortcuts --------------------------------------------------------------------------------
struct TShortCutPlan {
    std::u16string LinkPath;  // SaveDir with a trailing backslash, Name and ".lnk"
    std::u16string DstFile;
    std::u16string WorkDir;
};
TShortCutPlan PlanShortCut(const TSetupShortCut& shortCut, const std::u16string& title);

// ---- Programs run after the install ------------------------------------------------------------
struct TRunPlan {
    std::u16string FileName;
    std::u16string Params;
    std::u16string WorkDir;
    // The quoted program and its parameters: "FileName" Params (a blank even when Params is empty).
    std::u16string CommandLine() const;
};
// The expanded entries whose Wait equals wait, in list order: the Wait ones run during the
// install, the others start when the installer ends.
std::vector<TRunPlan> PlanPrograms(const TSetupRunList& runs, bool wait, const std::u16string& title);
// Caption of the Run button when the install is complete: "Exit" in the language when nothing is
// left to start, otherwise the language's run caption.
std::u16string RunButtonCaption(const TLocalTexts& texts, const TSetupRunList& runs);

// ---- Progress ---------------------------------------------------------------------------------
// One step per file, registry and shortcut entry.
int ProgressMaximum(const TSetupScript& script);
