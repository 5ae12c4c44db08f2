// The installer's exit codes. A completed install and a user who stops before anything was written
// end with 0; every other way out has its own code, so that unattended runs (/Silent) can tell a
// failed install from a successful one.
#pragma once

#include <string>
#include <vector>

enum TExitCode : int {
    ecSuccess = 0,           // install complete (Run or Exit pressed, or an unattended run ended), or the
                             // user cancelled before installing (language dialog, closing the window)
    ecUnhandledError = 1,    // an error reached the crash reporting; the install stopped where it was
    ecWriteFailureExit = 2,  // the user chose Exit Setup after a file could not be written
    ecWindowsTooOld = 3,     // the script asks for a newer Windows than the one running
    ecNoScriptResource = 4,  // the executable carries no setup script: not a package
    ecDestDirRefused = 5,    // an unattended run (/Silent, /Auto) could not create or write to the
                             // destination directory; nothing was installed
    ecDownloadFailed = 6,    // an unattended run (/Silent, /Auto) of a mini setup could not download the
                             // full setup, or what it downloaded is no full setup; nothing was installed
};

// Ends the run with its exit code. Thrown where the run is over (a user's choice, an unattended
// failure, the end of a complete install), it unwinds to wWinMain, which returns the code: every
// destructor on the way runs, so the engine's orderly end (deleting a downloaded full setup) is
// never skipped. It is no exception class, so no handler for errors catches it on the way.
struct TRunEnd {
    TExitCode Code;
};

struct TExitCodeInfo {
    TExitCode Code;
    const char* Meaning;
};

// Every exit code with its meaning, in ascending order.
const std::vector<TExitCodeInfo>& ExitCodeInfos();

// The same as a Markdown table ("| code | meaning |"), for the documentation.
std::string ExitCodeTable();
