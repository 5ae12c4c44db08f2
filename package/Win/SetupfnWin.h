// The Windows part of TSetupfn: the process-wide folder values of the path placeholders, read
// from the system.
#pragma once

// Fills the process-wide folder values of TSetupfn: ProgramFilesDir (environment "ProgramFiles",
// no trailing backslash), DesktopDir, CommonProgramsDir (always with a trailing backslash) and
// SourceExe. Called once at start, before the main window exists.
void InitSetupFolders();
