// Exception classes of the runtime layer and of the package format, with the messages callers and
// users see. Every message is UTF-16; what() returns the same text as UTF-8.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::u16string message);
    const std::u16string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    std::u16string FMessage;
    std::string FUtf8;
};

#define LU_DECLARE_EXCEPTION(Name, Base)                                                                               \
    class Name : public Base {                                                                                         \
    public:                                                                                                            \
        using Base::Base;                                                                                              \
    }

// Internal consistency checks: "Assertion failure (Common\LuXmlUtils, line 12)".
LU_DECLARE_EXCEPTION(EAssertionFailed, Exception);
// Streams and files: "Stream read error", "Stream write error", "Cannot open file ...".
LU_DECLARE_EXCEPTION(EStreamError, Exception);
LU_DECLARE_EXCEPTION(EReadError, EStreamError);
LU_DECLARE_EXCEPTION(EWriteError, EStreamError);
LU_DECLARE_EXCEPTION(EFOpenError, EStreamError);
LU_DECLARE_EXCEPTION(EFCreateError, EStreamError);
// "Resource %s not found".
LU_DECLARE_EXCEPTION(EResNotFound, Exception);
// "'%s' is not a valid integer value" and the like.
LU_DECLARE_EXCEPTION(EConvertError, Exception);
// "Invalid property element: %s"; "Cannot assign a %s to a %s".
LU_DECLARE_EXCEPTION(EPropertyConvertError, Exception);
LU_DECLARE_EXCEPTION(EAssignError, EConvertError);
// "List index out of bounds (%d)".
LU_DECLARE_EXCEPTION(EListError, Exception);
// "Abstract Error".
LU_DECLARE_EXCEPTION(EAbstractError, Exception);
// "Unable to create directory".
LU_DECLARE_EXCEPTION(EInOutError, Exception);
// zlib failures, both with the message "Error".
LU_DECLARE_EXCEPTION(EZlibError, Exception);
LU_DECLARE_EXCEPTION(ECompressionError, EZlibError);
LU_DECLARE_EXCEPTION(EDecompressionError, EZlibError);

// The text shown for an error that reached the end of a run: the message of our own exceptions,
// what() of the others (read as UTF-8), "Unknown error" for anything else and for none.
std::u16string ExceptionMessage(std::exception_ptr error);

// Raises EAssertionFailed with "<message> (<unit>, line <line>)".
[[noreturn]] void RaiseAssertion(const std::u16string& message, const char* unit, int line);

// LU_ASSERT(condition, "Common\\LuXmlUtils"): "Assertion failure (Common\LuXmlUtils, line N)".
#define LU_ASSERT(cond, unit)                                                                                          \
    do {                                                                                                               \
        if (!(cond)) RaiseAssertion(u"Assertion failure", unit, __LINE__);                                             \
    } while (0)
