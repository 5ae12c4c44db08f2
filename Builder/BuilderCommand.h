// The setup-builder command: build, inspect and extract.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

struct TBuildCommandOptions {
    std::filesystem::path Script;
    std::filesystem::path OutDir;  // empty: the script's folder
    std::string Arch = "x86";      // x86 or x64
    std::filesystem::path Stub;    // empty: the installer stub next to the builder
    // Installed as {app}\Uninstall.exe unless the script has a file of that name itself; needed
    // only then.
    std::filesystem::path Uninstaller;
    int Jobs = 0;  // 0: every core
    bool Quiet = false;
};

struct TBuildCommandResult {
    std::vector<std::filesystem::path> Written;  // full setup, then mini setup when built
};

// Each raises EBuildError (or the readers' errors) with a message for the user.
TBuildCommandResult RunBuild(const TBuildCommandOptions& options, std::ostream& log);
void RunInspect(const std::filesystem::path& installer, bool printScript, std::ostream& out);
// Returns the number of files written.
int RunExtract(const std::filesystem::path& installer, const std::filesystem::path& dir, std::ostream& log);

// Where the stub of an architecture is looked for: next to the builder executable.
std::filesystem::path DefaultStubPath(const std::filesystem::path& builderExe, const std::string& arch);
// Where the uninstaller of an architecture is looked for: next to the builder, uninstall-<arch>.exe.
std::filesystem::path DefaultUninstallerPath(const std::filesystem::path& builderExe, const std::string& arch);
// The path below an extraction folder for a file's target: placeholders lose their braces ("{app}"
// becomes the folder "app"), drive colons become "_". Raises EBuildError for ".." components.
std::filesystem::path ExtractionPath(const std::u16string& destDir, const std::u16string& fileName);

// Command-line entry: returns the process exit code (0 success, 1 failure, 2 usage error).
int BuilderMain(const std::vector<std::string>& args, const std::filesystem::path& builderExe, std::ostream& out,
                std::ostream& err);
