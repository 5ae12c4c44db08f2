#include "LuExceptions.h"

#include "LuStrUtils.h"

Exception::Exception(std::u16string message) : FMessage(std::move(message)), FUtf8(Utf16ToUtf8(FMessage)) {}

std::u16string ExceptionMessage(std::exception_ptr error)
{
    try {
        if (error) std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return Utf8ToUtf16(e.what());
    } catch (...) {}
    return u"Unknown error";
}

void RaiseAssertion(const std::u16string& message, const char* unit, int line)
{
    throw EAssertionFailed(Format(u"%s (%s, line %d)", {message, Utf8ToUtf16(unit), line}));
}
