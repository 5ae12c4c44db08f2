// Conversions of scalar property values shared by the XML and the JSON form of persistent objects.
// Internal to LuXmlUtils.
#pragma once

#include <string>

#include "LuXmlUtils.h"

namespace PropRules {

// 8-bit strings of the object model hold UTF-8.
std::u16string AnsiToText(const std::string& s);
std::string TextToAnsi(const std::u16string& s);
// An enumeration value's name (its number when out of range), and a name's ordinal (0 if unknown).
std::u16string EnumName(const TPropInfo& p, int64_t ordinal);
int64_t EnumOrdinal(const TPropInfo& p, std::u16string_view name);
// Sets as text: element names in ordinal order joined by ",". Parsing raises EPropertyConvertError
// "Invalid property element: %s" for a name the element type does not have.
std::u16string SetToText(const TPropInfo& p, int64_t bits);
int64_t TextToSet(const TPropInfo& p, std::u16string_view text);
// Assertion error whose message is the property's type name.
[[noreturn]] void UnsupportedKind(const TPropInfo& p, int line);
bool IsScalar(TTypeKind kind);
// The value as the property's float storage holds it.
long double StoredFloat(const TPropInfo& p, long double v);

}  // namespace PropRules
