// The last stop of an error that nothing else handled, in start-up, in the install run or in an
// event handler: wWinMain reports it here, and the run then ends with ecUnhandledError. The
// message goes to standard error, and in a run that is not silent also to a dialog from which the
// user can only end the program.
#pragma once

#include <exception>

void ReportCrash(std::exception_ptr error, bool silent);
