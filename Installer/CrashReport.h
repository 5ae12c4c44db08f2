// The last stop of an error that nothing else handled, in start-up, in the install run or in an
// event handler: its message in a dialog from which the user can only end the program, also on
// standard error in an unattended run, and the exit code ecUnhandledError.
#pragma once

#include <exception>
#include <string>

// The text shown for an error: the message of our own exceptions, what() of the others.
std::u16string CrashMessage(std::exception_ptr error);

[[noreturn]] void ReportCrash(std::exception_ptr error, bool toStdErr);
