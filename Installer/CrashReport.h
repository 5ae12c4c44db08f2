// The last stop of an error that nothing else handled, in start-up, in the install run or in an
// event handler: wWinMain reports it here, and the run then ends with ecUnhandledError. The
// message goes to standard error, and in a run that is not silent also to a dialog from which the
// user can only end the program.
#pragma once

#include <exception>
#include <string>

// The text shown for an error: the message of our own exceptions, what() of the others.
std::u16string CrashMessage(std::exception_ptr error);

void ReportCrash(std::exception_ptr error, bool silent);
