// The message of an error that reaches the end of a run, whatever was thrown.
#include "LuExceptions.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

template <class T>
std::exception_ptr Thrown(T value)
{
    try {
        throw value;
    } catch (...) {
        return std::current_exception();
    }
}

struct TNoExceptionClass {
    int Code;
};

}  // namespace

TEST(ExceptionMessage, OfEveryKindOfThrownValue)
{
    const struct {
        const char* what;
        std::exception_ptr error;
        std::u16string expected;
    } cases[] = {
        {"our exception, its UTF-16 message", Thrown(EReadError(u"Stream read error \u00e9\u4e2d")),
         u"Stream read error \u00e9\u4e2d"},
        {"a standard exception, what() as UTF-8", Thrown(std::runtime_error("caf\xc3\xa9 \xe4\xb8\xad")),
         u"caf\u00e9 \u4e2d"},
        {"no exception class", Thrown(TNoExceptionClass{3}), u"Unknown error"},
        {"a number", Thrown(42), u"Unknown error"},
        {"nothing", std::exception_ptr(), u"Unknown error"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExceptionMessage(c.error), c.expected) << c.what;
}
