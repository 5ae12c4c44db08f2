// A /Silent run without any window. It shows nothing, so it needs no window at all: it also
// installs where no window can be made (no desktop, a display that went away), and nothing modal
// can wait there for an answer. What a window run would show goes to standard error.
#pragma once

#include "ExitCodes.h"

// The start-up and the install run of a /Silent command line. ecSuccess when the installation is
// complete; any other end is a TRunEnd or an error, as in a window run.
TExitCode RunSilentInstall();
