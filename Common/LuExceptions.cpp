#include "LuExceptions.h"

#include "LuStrUtils.h"

Exception::Exception(std::u16string message) : FMessage(std::move(message)), FUtf8(Utf16ToUtf8(FMessage)) {}

void RaiseAssertion(const std::u16string& message, const char* unit, int line)
{
    throw EAssertionFailed(Format(u"%s (%s, line %d)", {message, Utf8ToUtf16(unit), line}));
}
