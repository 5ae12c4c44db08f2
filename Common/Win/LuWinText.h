// Our text at the Win32 boundary. std::u16string and the wide API both hold UTF-16 code units on
// Windows, so the conversion is a cast of the pointer, one way or the other.
#pragma once

#include <cstddef>
#include <string>

// The string as the wide API takes it; valid while the string is unchanged.
inline const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// A zero-terminated wide string from the API as our text; empty for a null pointer.
inline std::u16string U16(const wchar_t* text)
{
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}

// The first `length` wide characters.
inline std::u16string U16(const wchar_t* text, size_t length)
{
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text), length) : std::u16string();
}
