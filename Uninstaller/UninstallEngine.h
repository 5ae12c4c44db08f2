// The uninstaller's work apart from its window: reading the data files beside it, ending the
// package's running programs and removing what the installation made. The window
// (TUninstallForm) shows what it does through TUninstallHost; this header names no type of the UI
// toolkit, so that the silent run and the tests use the engine without a window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "LuColor.h"
#include "UninstallTexts.h"

class TSetupScript;
struct TUninstallPlan;

// What the engine needs from the window; the silent run has a host that shows nothing.
class TUninstallHost {
public:
    virtual ~TUninstallHost() = default;
    virtual void ProcessMessages() = 0;
    virtual void SetStatus(const std::u16string& text) = 0;
    virtual void SetDetail(const std::u16string& text) = 0;
    virtual void SetProgressMax(int maximum) = 0;
    virtual void StepProgress() = 0;
};

// How a removal ended.
struct TUninstallOutcome {
    std::vector<std::u16string> Failed;  // items of the installation that could not be removed
    std::vector<std::u16string> Kept;    // left on purpose, each with its reason
    std::u16string KeptFolder;           // the destination, when it still holds other files
    TUninstallExitCode ExitCode() const { return Failed.empty() ? ucSuccess : ucIncomplete; }
};

class TUninstallEngine {
public:
    TUninstallEngine();
    ~TUninstallEngine();
    TUninstallEngine(const TUninstallEngine&) = delete;
    TUninstallEngine& operator=(const TUninstallEngine&) = delete;

    // The folder values, the uninstaller's own path and the language of a run that has no data yet
    // (the system's). Call once at start, after InitSetupFolders.
    void Init();
    // Reads Uninstall.da1 and Uninstall.da2 beside the program and the installation's entry. False,
    // with the reason, when a data file is missing or damaged; nothing has been touched then.
    bool Load(std::u16string& error);

    const std::u16string& Language() const { return FLanguage; }
    const TUninstallTexts& Texts() const { return FTexts; }
    const std::u16string& Title() const { return FTitle; }
    const std::u16string& AppDir() const { return FAppDir; }
    TColor MainFormColor() const;
    const std::string& IconPng() const { return FIconPng; }
    // Number of progress steps of Run.
    int Steps() const;

    // Ends the package's running programs and removes the installation. Every step that fails is
    // recorded and the next one runs: the outcome says what is left.
    TUninstallOutcome Run(TUninstallHost& host);

private:
    void LoadDataFiles();
    void EndPrograms(TUninstallHost& host);
    void RemoveFiles(TUninstallHost& host, TUninstallOutcome& outcome);
    void RemoveRegistryValues(TUninstallHost& host, TUninstallOutcome& outcome);
    void RemoveUninstallEntry(TUninstallOutcome& outcome);
    void RemoveDataFiles(TUninstallOutcome& outcome);
    void RemoveSelf(TUninstallOutcome& outcome);
    void RemoveFolders(TUninstallOutcome& outcome);

    std::u16string FSelfPath;
    std::u16string FAppDir;  // with a trailing backslash
    std::unique_ptr<TSetupScript> FScript;
    std::unique_ptr<TUninstallPlan> FPlan;
    std::u16string FLanguage;
    TUninstallTexts FTexts;
    std::u16string FTitle;
    std::string FIconPng;
    bool FSelfMovedOut = false;
};
