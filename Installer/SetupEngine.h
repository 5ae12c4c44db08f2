// The installer's state for one run and the stages of the install, apart from the window. The
// window (TMainForm) drives it and shows what it does through TInstallerHost; this header names
// no type of the UI toolkit, so that the stages can be read and changed without the window.
//
// Where the run is over, the engine throws TRunEnd (ExitCodes.h) with the exit code; it travels
// to wWinMain like any exception, so this object's destructor, the orderly end, always runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ExitCodes.h"
#include "LocalTexts.h"
#include "LuColor.h"
#include "LuHttpProxyValues.h"
#include "LuPackageModule.h"

class TSetupScript;
class TSetupFile;
class TMemoryStream;

// What the engine needs from the window.
class TInstallerHost {
public:
    virtual ~TInstallerHost() = default;
    // Owner of message boxes and dialogs.
    virtual HWND HostWindow() const = 0;
    virtual void ProcessMessages() = 0;
    virtual void ShowMessage(const std::u16string& text) = 0;
    // The bar's maximum, with its position back at 0.
    virtual void SetProgressMax(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual void StepProgress() = 0;
    virtual void FillProgress() = 0;
    // The detail label, repainted at once.
    virtual void SetDetail(const std::u16string& text) = 0;
    // The language dialog; false when the user cancelled.
    virtual bool AskLanguage(const std::vector<std::u16string>& available, std::u16string& language) = 0;
    // The copy-failure dialog; its modal result (4 Retry, 5 Ignore, anything else Exit Setup).
    virtual int AskCopyFailure(const std::u16string& path, const std::u16string& language,
                               const std::u16string& reason) = 0;
    // The failed-download dialog of a mini setup; true when the user chose Exit Setup.
    virtual bool AskDownloadFailure(const std::u16string& title, const std::u16string& url) = 0;
    // The window's own proxy settings, edited through its proxy link.
    virtual THttpProxyValues ProxySettings() const = 0;
};

enum class TDestDirResult { drOk, drEmpty, drCannotCreate, drCannotWrite };

class TSetupEngine {
public:
    explicit TSetupEngine(TInstallerHost& host);
    // The orderly end: releases the package and deletes the downloaded full setup.
    ~TSetupEngine();
    TSetupEngine(const TSetupEngine&) = delete;
    TSetupEngine& operator=(const TSetupEngine&) = delete;

    // ---- Start-up, in this order ------------------------------------------------------------
    // "/Silent" or "/Auto" as the only argument, ignoring case.
    void ParseCommandLine(const std::vector<std::u16string>& arguments);
    // Whether those arguments make a silent run (for the crash report, before any engine exists).
    static bool IsSilentCommandLine(const std::vector<std::u16string>& arguments);
    // Opens the running executable as the package and loads its script; ends the run when it
    // carries none.
    void LoadScript();
    // The language (the dialog in an interactive run), the texts and the title; ends the run
    // when the user cancels.
    void InitLanguage();
    // Ends the run, after the message, when Windows is older than the script asks.
    void CheckWinVersion();
    // The proposed destination: an earlier installation's, else DefInstallPath expanded.
    std::u16string DefaultDestination() const;
    // The product icon (PNG) and the licence text of the language (empty when there is none).
    std::string LoadIcon();
    std::u16string LoadLicenseText();

    bool Silent() const { return FSilent; }
    bool Auto() const { return FAuto; }
    bool FullPackage() const { return FFullPackage; }
    const std::u16string& Language() const { return FLanguage; }
    const std::u16string& Title() const { return FTitle; }
    const TLocalTexts& Texts() const { return FTexts; }
    TColor MainFormColor() const;
    const std::u16string& Version() const;

    // ---- The install run ----------------------------------------------------------------------
    // Trims the field's text, creates the directory and tests that it can be written; sets AppDir.
    // Dir is the directory with its trailing backslash, as every message names it.
    TDestDirResult CheckDestDir(const std::u16string& fieldText, std::u16string& dir);
    // The message for a refused directory (the dir that CheckDestDir gave); empty for drOk.
    std::u16string DestDirMessage(TDestDirResult result, const std::u16string& dir) const;
    // The stages from the previous version to the programs that are waited for. setWaitText is
    // called with the status text of each phase.
    void InstallStages(const std::function<void(const std::u16string&)>& setWaitText);
    // A mini setup's step before the stages: downloads the full setup named by the script into the
    // temporary folder, makes it the package and loads its script in place of the mini script.
    // False when that failed and the user wants to go back (the window restores its input layout);
    // ends the run when the user chooses Exit Setup, and with ecDownloadFailed in an
    // unattended run, which has nobody to answer.
    bool DownloadFullSetup();
    // The full setup downloaded last; empty before any. Deleted at the orderly end, which every
    // run reaches.
    const std::u16string& DownloadedSetupPath() const { return FDownloadedSetupPath; }

    // The Run button's caption once the install is complete.
    std::u16string RunButtonCaption() const;
    void VisitGotoUrl();
    // The programs started without waiting, when the run ends.
    void StartPrograms(HWND owner);

private:
    // An unattended run cannot ask: the reason goes to standard error and the run ends.
    [[noreturn]] void EndUnattended(TExitCode code, const std::u16string& reason);
    void UninstallOldVersion();
    void KillRunningApps();
    void InstallFiles();
    void SaveFileWithRetry(const TSetupFile& file, const TMemoryStream& content, const std::u16string& path);
    void WriteRegistry();
    void CreateShortCuts();
    void SaveUninstallData();
    void WriteUninstallKey();
    void RunSetupPrograms();

    TInstallerHost& FHost;
    std::unique_ptr<TSetupScript> FScript;
    TPackageModule FPackage;
    bool FFullPackage = true;
    bool FSilent = false;
    bool FAuto = false;
    std::u16string FLanguage;
    std::u16string FTitle;
    TLocalTexts FTexts;
    std::string FIconPng;  // the product icon as the package holds it (PNG)
    std::u16string FDownloadedSetupPath;
};

// ---- Helpers shared by the stages -------------------------------------------------------------
// The current local date and time (days since 1899-12-30).
double NowDateTime();
