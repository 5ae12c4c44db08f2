// Text and path functions used throughout, and TLuStrfn. Portable: no platform header.
// Text is UTF-16 (std::u16string); 8-bit strings (std::string) hold UTF-8 unless a name says otherwise.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// ---- Code-page conversion -------------------------------------------------------------------
// Whole-text conversions; an empty text gives an empty text. Invalid UTF-8 sequences and lone
// surrogates decode to U+FFFD, so no input is ever rejected.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view text);

// ---- Case ---------------------------------------------------------------------------------
// Upper-casing of one code unit: ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and fullwidth
// Latin letters; everything else stays as it is.
char16_t UpperCaseChar(char16_t c);
std::u16string UpperCase(std::u16string_view text);
std::u16string LowerCaseAscii(std::u16string_view text);
std::string LowerCaseAscii(std::string_view text);
// Equality ignoring case (UpperCaseChar on both sides).
bool SameText(std::u16string_view a, std::u16string_view b);
// Equality ignoring ASCII letter case only, for 8-bit names.
bool SameTextAscii(std::string_view a, std::string_view b);

// ---- Replace and trim -----------------------------------------------------------------------
enum TReplaceFlags : unsigned { rfNone = 0, rfReplaceAll = 1, rfIgnoreCase = 2 };
// One left-to-right pass; inserted text is not searched again. An empty pattern changes nothing.
std::u16string StringReplace(std::u16string_view text, std::u16string_view pattern, std::u16string_view replacement,
                             unsigned flags);
// Removes characters at or below the blank (U+0020) from both ends.
std::u16string Trim(std::u16string_view text);
std::string_view TrimBytes(std::string_view bytes);

// ---- Numbers ------------------------------------------------------------------------------
// Integer parse of the runtime library: leading blanks and a sign are allowed, "$", "0x" or "0X"
// introduce hexadecimal, nothing may follow. False (and value untouched) on failure or overflow.
bool TryStrToInt(std::u16string_view text, int32_t& value);
bool TryStrToInt64(std::u16string_view text, int64_t& value);
// Raises EConvertError "'%s' is not a valid integer value" on failure.
int32_t StrToInt(std::u16string_view text);
std::u16string IntToStr(int64_t value);

// The decimal separator of the user's locale; '.' until the platform layer sets it.
char16_t DecimalSeparator();
void SetDecimalSeparator(char16_t separator);
// General float format: 15 significant digits, trailing zeros dropped, fixed notation for
// magnitudes in [0.0001, 1e15), otherwise exponent notation such as 1.5E-5 or 2E20.
std::u16string FloatToStrGeneral(long double value, int precision = 15);
// Float parse with the locale's separator, exponent notation accepted, surrounding blanks allowed.
bool TryStrToFloat(std::u16string_view text, long double& value);
// The same two for values kept in files (scripts, JSON), which must read back the same under any
// locale: written with "." always; read with "." or "," as the decimal point, since a file written
// where the separator was "," may hold that. A stored value has no thousands separators.
std::u16string FloatToStoredText(long double value);
bool TryStoredTextToFloat(std::u16string_view text, long double& value);

// ---- Format -------------------------------------------------------------------------------
using TFormatArg = std::variant<int64_t, std::u16string>;
struct TFormatValue {
    TFormatArg Value;
    TFormatValue(int v) : Value(int64_t(v)) {}
    TFormatValue(long v) : Value(int64_t(v)) {}
    TFormatValue(long long v) : Value(int64_t(v)) {}
    TFormatValue(unsigned v) : Value(int64_t(v)) {}
    TFormatValue(std::u16string v) : Value(std::move(v)) {}
    TFormatValue(const char16_t* v) : Value(std::u16string(v)) {}
};
// "%s", "%d", "%x" (upper-case digits) and "%%"; a missing argument formats as empty text.
std::u16string Format(std::u16string_view templ, std::initializer_list<TFormatValue> args);

// ---- Paths (Windows rules: "\" and ":" end the folder part) ---------------------------------
std::u16string IncludeTrailingBackslash(std::u16string_view path);  // "" gives "\"
std::u16string ExcludeTrailingBackslash(std::u16string_view path);
std::u16string ExtractFilePath(std::u16string_view path);  // up to and including the last "\" or ":"
std::u16string ExtractFileName(std::u16string_view path);  // after the last "\" or ":"
std::u16string ExtractFileExt(std::u16string_view path);   // from the last "." of the file-name part
std::u16string ChangeFileExt(std::u16string_view path, std::u16string_view ext);
std::u16string ExtractFileNameNoExt(std::u16string_view path);

// ---- GUID text ------------------------------------------------------------------------------
class TLuStrfn {
public:
    TLuStrfn() = delete;
    // A new random GUID (version 4) from the operating system's random source, as
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper-case hexadecimal.
    static std::u16string NewGUIDString();
    // Formats 16 bytes in the Windows GUID layout (first three groups little-endian).
    static std::u16string GUIDToString(const uint8_t bytes[16]);
};
