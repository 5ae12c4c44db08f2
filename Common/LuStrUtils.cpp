#include "LuStrUtils.h"

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "LuExceptions.h"

// ---- Code-page conversion -------------------------------------------------------------------

namespace {

constexpr char16_t ReplacementChar = 0xFFFD;

void AppendCodePoint(std::u16string& out, char32_t cp)
{
    if (cp < 0x10000) {
        out.push_back(char16_t(cp));
    } else {
        cp -= 0x10000;
        out.push_back(char16_t(0xD800 + (cp >> 10)));
        out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    }
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b0 = static_cast<unsigned char>(utf8[i]);
        if (b0 < 0x80) {
            out.push_back(char16_t(b0));
            ++i;
            continue;
        }
        // Length and the allowed range of the second byte, which rules out overlong forms,
        // encoded surrogates and code points above U+10FFFF (the well-formed table of Unicode).
        int length = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        char32_t cp = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2;
            cp = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3;
            cp = b0 & 0x0F;
            if (b0 == 0xE0) lo = 0xA0;
            if (b0 == 0xED) hi = 0x9F;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4;
            cp = b0 & 0x07;
            if (b0 == 0xF0) lo = 0x90;
            if (b0 == 0xF4) hi = 0x8F;
        } else {
            out.push_back(ReplacementChar);
            ++i;
            continue;
        }
        // A broken sequence is replaced by one U+FFFD for its longest valid prefix; the byte that
        // broke it starts over.
        size_t j = i + 1;
        bool ok = true;
        for (int k = 1; k < length; ++k, ++j) {
            if (j >= n) {
                ok = false;
                break;
            }
            const unsigned char b = static_cast<unsigned char>(utf8[j]);
            const unsigned char min = k == 1 ? lo : 0x80;
            const unsigned char max = k == 1 ? hi : 0xBF;
            if (b < min || b > max) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        if (ok)
            AppendCodePoint(out, cp);
        else
            out.push_back(ReplacementChar);
        i = j;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            AppendUtf8(out, ReplacementChar);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

// ---- Case ---------------------------------------------------------------------------------

char16_t UpperCaseChar(char16_t c)
{
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
    // Latin-1: à..þ except the division sign; ÿ has its capital in Latin Extended-A.
    if (c >= 0xE0 && c <= 0xFE) return c == 0xF7 ? c : char16_t(c - 0x20);
    if (c == 0xFF) return 0x178;
    // Latin Extended-A: pairs of capital and small letter, with three runs of different parity.
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x131) return u'I';  // dotless i
        if ((c <= 0x137 || (c >= 0x14A && c <= 0x177)) && (c & 1)) return char16_t(c - 1);
        if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && !(c & 1)) return char16_t(c - 1);
        return c;
    }
    // Greek.
    if (c >= 0x370 && c <= 0x3FF) {
        if (c == 0x3C2) return 0x3A3;  // final sigma
        if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) return char16_t(c - 0x20);
        if (c == 0x3AC) return 0x386;
        if (c >= 0x3AD && c <= 0x3AF) return char16_t(c - 0x25);
        if (c == 0x3CC) return 0x38C;
        if (c == 0x3CD || c == 0x3CE) return char16_t(c - 0x3F);
        return c;
    }
    // Cyrillic.
    if (c >= 0x400 && c <= 0x52F) {
        if (c >= 0x430 && c <= 0x44F) return char16_t(c - 0x20);
        if (c >= 0x450 && c <= 0x45F) return char16_t(c - 0x50);
        if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) && (c & 1))
            return char16_t(c - 1);
        if (c >= 0x4C1 && c <= 0x4CE && !(c & 1)) return char16_t(c - 1);
        if (c == 0x4CF) return 0x4C0;
        return c;
    }
    // Fullwidth Latin.
    if (c >= 0xFF41 && c <= 0xFF5A) return char16_t(c - 0x20);
    return c;
}

std::u16string UpperCase(std::u16string_view text)
{
    std::u16string out(text);
    for (auto& c : out) c = UpperCaseChar(c);
    return out;
}

std::u16string LowerCaseAscii(std::u16string_view text)
{
    std::u16string out(text);
    for (auto& c : out)
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 0x20);
    return out;
}

std::string LowerCaseAscii(std::string_view text)
{
    std::string out(text);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c + 0x20);
    return out;
}

bool SameText(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperCaseChar(a[i]) != UpperCaseChar(b[i])) return false;
    return true;
}

bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x + 0x20);
        if (y >= 'A' && y <= 'Z') y = char(y + 0x20);
        if (x != y) return false;
    }
    return true;
}

// ---- Replace and trim -----------------------------------------------------------------------

std::u16string StringReplace(std::u16string_view text, std::u16string_view pattern, std::u16string_view replacement,
                             unsigned flags)
{
    if (pattern.empty() || pattern.size() > text.size()) return std::u16string(text);
    const bool ignoreCase = (flags & rfIgnoreCase) != 0;
    const bool all = (flags & rfReplaceAll) != 0;
    // Case folding is per code unit, so folded and original texts have the same length and
    // positions found in the folded text hold in the original.
    const std::u16string haystack = ignoreCase ? UpperCase(text) : std::u16string(text);
    const std::u16string needle = ignoreCase ? UpperCase(pattern) : std::u16string(pattern);

    std::u16string out;
    out.reserve(text.size());
    size_t from = 0;
    while (from <= haystack.size()) {
        const size_t hit = haystack.find(needle, from);
        if (hit == std::u16string::npos) break;
        out.append(text.substr(from, hit - from));
        out.append(replacement);
        from = hit + needle.size();
        if (!all) break;
    }
    out.append(text.substr(from));
    return out;
}

std::u16string Trim(std::u16string_view text)
{
    size_t b = 0, e = text.size();
    while (b < e && text[b] <= u' ') ++b;
    while (e > b && text[e - 1] <= u' ') --e;
    return std::u16string(text.substr(b, e - b));
}

std::string_view TrimBytes(std::string_view bytes)
{
    size_t b = 0, e = bytes.size();
    while (b < e && static_cast<unsigned char>(bytes[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(bytes[e - 1]) <= ' ') --e;
    return bytes.substr(b, e - b);
}

// ---- Numbers ------------------------------------------------------------------------------

namespace {

// The runtime library's integer syntax. A decimal magnitude may reach maxPositive (maxPositive + 1
// when negative); a hexadecimal one may use all bits of the type and wraps into it, as
// StrToInt('$FFFFFFFF') = -1 does.
bool ParseInteger(std::u16string_view text, uint64_t maxPositive, uint64_t maxHex, uint64_t& bits)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && text[i] == u' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool hex = false;
    if (i < n && text[i] == u'$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n) return false;

    uint64_t magnitude = 0;
    const uint64_t limit = hex ? maxHex : (negative ? maxPositive + 1 : maxPositive);
    const unsigned base = hex ? 16 : 10;
    for (; i < n; ++i) {
        const char16_t c = text[i];
        unsigned digit;
        if (c >= u'0' && c <= u'9')
            digit = unsigned(c - u'0');
        else if (hex && c >= u'a' && c <= u'f')
            digit = unsigned(c - u'a' + 10);
        else if (hex && c >= u'A' && c <= u'F')
            digit = unsigned(c - u'A' + 10);
        else
            return false;
        if (magnitude > (limit - digit) / base) return false;
        magnitude = magnitude * base + digit;
    }
    bits = negative ? uint64_t(0) - magnitude : magnitude;
    return true;
}

}  // namespace

bool TryStrToInt(std::u16string_view text, int32_t& value)
{
    uint64_t bits;
    if (!ParseInteger(text, INT32_MAX, UINT32_MAX, bits)) return false;
    value = int32_t(uint32_t(bits));
    return true;
}

bool TryStrToInt64(std::u16string_view text, int64_t& value)
{
    uint64_t bits;
    if (!ParseInteger(text, INT64_MAX, UINT64_MAX, bits)) return false;
    value = int64_t(bits);
    return true;
}

int32_t StrToInt(std::u16string_view text)
{
    int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError(Format(u"'%s' is not a valid integer value", {std::u16string(text)}));
    return value;
}

std::u16string IntToStr(int64_t value)
{
    const uint64_t magnitude = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    char16_t buffer[24];
    size_t pos = sizeof(buffer) / sizeof(buffer[0]);
    uint64_t m = magnitude;
    do {
        buffer[--pos] = char16_t(u'0' + m % 10);
        m /= 10;
    } while (m != 0);
    if (value < 0) buffer[--pos] = u'-';
    return std::u16string(buffer + pos, buffer + sizeof(buffer) / sizeof(buffer[0]));
}

namespace {
std::atomic<char16_t> GDecimalSeparator{u'.'};
}

char16_t DecimalSeparator() { return GDecimalSeparator.load(std::memory_order_relaxed); }

void SetDecimalSeparator(char16_t separator) { GDecimalSeparator.store(separator, std::memory_order_relaxed); }

namespace {

std::u16string FormatGeneral(long double value, int precision, char16_t decimal)
{
    if (std::isnan(value)) return u"NAN";
    if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
    if (precision < 1) precision = 1;
    if (precision > 18) precision = 18;

    // Round to the precision first; the notation then follows the rounded value, so that
    // 999999999999999.9 becomes 1E15.
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.*Le", precision - 1, value);
    std::string text(buffer);
    const bool negative = text[0] == '-';
    if (negative) text.erase(0, 1);
    const size_t ePos = text.find_first_of("eE");
    std::string digits;
    for (size_t i = 0; i < ePos; ++i)
        if (text[i] >= '0' && text[i] <= '9') digits.push_back(text[i]);
    const int exponent = std::atoi(text.c_str() + ePos + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    if (digits == "0") return u"0";

    const char sep = '\x01';  // placeholder for the separator, which may be any code unit
    std::string out;
    if (negative) out.push_back('-');
    if (exponent >= -4 && exponent < 15) {
        if (exponent >= 0) {
            const size_t intDigits = size_t(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits;
                out.append(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits);
                out.push_back(sep);
                out += digits.substr(intDigits);
            }
        } else {
            out += "0";
            out.push_back(sep);
            out.append(size_t(-exponent - 1), '0');
            out += digits;
        }
    } else {
        out.push_back(digits[0]);
        if (digits.size() > 1) {
            out.push_back(sep);
            out += digits.substr(1);
        }
        out.push_back('E');
        out += std::to_string(exponent);
    }
    std::u16string result(out.begin(), out.end());
    for (auto& c : result)
        if (c == char16_t(sep)) c = decimal;
    return result;
}

// Accepts either separator as the decimal point (both may be the same).
bool ParseFloat(std::u16string_view text, long double& value, char16_t sep, char16_t otherSep)
{
    const std::u16string t = Trim(text);
    // Check the syntax here and hand the C library a plain ASCII form, so that neither its locale
    // nor its extras (hexadecimal floats, "inf", "nan") decide what is accepted.
    std::string ascii;
    size_t i = 0;
    const size_t n = t.size();
    if (i < n && (t[i] == u'+' || t[i] == u'-')) ascii.push_back(char(t[i++]));
    size_t mantissaDigits = 0;
    while (i < n && t[i] >= u'0' && t[i] <= u'9') {
        ascii.push_back(char(t[i++]));
        ++mantissaDigits;
    }
    if (i < n && (t[i] == sep || t[i] == otherSep)) {
        ascii.push_back('.');
        ++i;
        while (i < n && t[i] >= u'0' && t[i] <= u'9') {
            ascii.push_back(char(t[i++]));
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) return false;
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ascii.push_back('e');
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-')) ascii.push_back(char(t[i++]));
        size_t exponentDigits = 0;
        while (i < n && t[i] >= u'0' && t[i] <= u'9') {
            ascii.push_back(char(t[i++]));
            ++exponentDigits;
        }
        if (exponentDigits == 0) return false;
    }
    if (i != n) return false;

    // strtold reads the C locale's decimal point, which a host program may have changed.
    const char* point = std::localeconv()->decimal_point;
    if (point && point[0] && !(point[0] == '.' && point[1] == 0)) {
        const size_t dot = ascii.find('.');
        if (dot != std::string::npos) ascii.replace(dot, 1, point);
    }
    errno = 0;
    char* end = nullptr;
    const long double parsed = std::strtold(ascii.c_str(), &end);
    if (end != ascii.c_str() + ascii.size()) return false;
    if (std::isinf(parsed) || std::isnan(parsed)) return false;  // overflow
    value = parsed;
    return true;
}

}  // namespace

std::u16string FloatToStrGeneral(long double value, int precision)
{
    return FormatGeneral(value, precision, DecimalSeparator());
}

bool TryStrToFloat(std::u16string_view text, long double& value)
{
    const char16_t sep = DecimalSeparator();
    return ParseFloat(text, value, sep, sep);
}

std::u16string FloatToStoredText(long double value) { return FormatGeneral(value, 15, u'.'); }

bool TryStoredTextToFloat(std::u16string_view text, long double& value) { return ParseFloat(text, value, u'.', u','); }

// ---- Format -------------------------------------------------------------------------------

namespace {

std::u16string HexText(int64_t v)
{
    // A negative value shows its two's complement in the width of a 32-bit integer when it fits
    // there, as the runtime library does for Integer arguments.
    uint64_t bits = uint64_t(v);
    if (v < 0 && v >= INT32_MIN) bits &= 0xFFFFFFFFu;
    static const char16_t digits[] = u"0123456789ABCDEF";
    char16_t buffer[16];
    size_t pos = 16;
    do {
        buffer[--pos] = digits[bits & 0xF];
        bits >>= 4;
    } while (bits != 0);
    return std::u16string(buffer + pos, buffer + 16);
}

}  // namespace

std::u16string Format(std::u16string_view templ, std::initializer_list<TFormatValue> args)
{
    std::u16string out;
    out.reserve(templ.size() + 16);
    auto next = args.begin();
    for (size_t i = 0; i < templ.size(); ++i) {
        const char16_t c = templ[i];
        if (c != u'%' || i + 1 >= templ.size()) {
            out.push_back(c);
            continue;
        }
        const char16_t conversion = templ[i + 1];
        if (conversion == u'%') {
            out.push_back(u'%');
            ++i;
            continue;
        }
        if (conversion != u's' && conversion != u'd' && conversion != u'x' && conversion != u'S' &&
            conversion != u'D' && conversion != u'X') {
            out.push_back(c);  // not a directive of ours: kept as written
            continue;
        }
        ++i;
        if (next == args.end()) continue;  // a missing argument formats as empty text
        const TFormatArg& arg = (next++)->Value;
        if (const auto* s = std::get_if<std::u16string>(&arg)) {
            out += *s;
        } else {
            const int64_t v = std::get<int64_t>(arg);
            out += (conversion == u'x' || conversion == u'X') ? HexText(v) : IntToStr(v);
        }
    }
    return out;
}

// ---- Paths ----------------------------------------------------------------------------------

namespace {

// Index just past the folder part: after the last "\" or ":", 0 if there is none.
size_t FileNameStart(std::u16string_view path)
{
    const size_t p = path.find_last_of(u"\\:");
    return p == std::u16string_view::npos ? 0 : p + 1;
}

// Index of the extension's "." or npos.
size_t ExtensionStart(std::u16string_view path)
{
    const size_t dot = path.find_last_of(u'.');
    if (dot == std::u16string_view::npos || dot < FileNameStart(path)) return std::u16string_view::npos;
    return dot;
}

}  // namespace

std::u16string IncludeTrailingBackslash(std::u16string_view path)
{
    std::u16string out(path);
    if (out.empty() || out.back() != u'\\') out.push_back(u'\\');
    return out;
}

std::u16string ExcludeTrailingBackslash(std::u16string_view path)
{
    if (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    return std::u16string(path);
}

std::u16string ExtractFilePath(std::u16string_view path) { return std::u16string(path.substr(0, FileNameStart(path))); }

std::u16string ExtractFileName(std::u16string_view path) { return std::u16string(path.substr(FileNameStart(path))); }

std::u16string ExtractFileExt(std::u16string_view path)
{
    const size_t dot = ExtensionStart(path);
    return dot == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(dot));
}

std::u16string ChangeFileExt(std::u16string_view path, std::u16string_view ext)
{
    const size_t dot = ExtensionStart(path);
    std::u16string out(path.substr(0, dot == std::u16string_view::npos ? path.size() : dot));
    out += ext;
    return out;
}

std::u16string ExtractFileNameNoExt(std::u16string_view path) { return ChangeFileExt(ExtractFileName(path), u""); }

// ---- GUID text ------------------------------------------------------------------------------

std::u16string TLuStrfn::NewGUIDString()
{
    // std::random_device reads the operating system's generator (getrandom or /dev/urandom on
    // Linux, rand_s on Windows with current MinGW runtimes).
    std::random_device device;
    uint8_t bytes[16];
    for (int i = 0; i < 16; i += 4) {
        const uint32_t r = device();
        bytes[i] = uint8_t(r);
        bytes[i + 1] = uint8_t(r >> 8);
        bytes[i + 2] = uint8_t(r >> 16);
        bytes[i + 3] = uint8_t(r >> 24);
    }
    // Version 4 in the high nibble of the third group (stored little-endian, so byte 7) and the
    // RFC 4122 variant in the two high bits of byte 8.
    bytes[7] = uint8_t((bytes[7] & 0x0F) | 0x40);
    bytes[8] = uint8_t((bytes[8] & 0x3F) | 0x80);
    return GUIDToString(bytes);
}

std::u16string TLuStrfn::GUIDToString(const uint8_t bytes[16])
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    // Data1, Data2 and Data3 are little-endian integers; Data4 is a byte array.
    static const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::u16string out;
    out.reserve(38);
    out.push_back(u'{');
    for (int k = 0; k < 16; ++k) {
        if (k == 4 || k == 6 || k == 8 || k == 10) out.push_back(u'-');
        const uint8_t b = bytes[order[k]];
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0xF]);
    }
    out.push_back(u'}');
    return out;
}
