#include "SetupNames.h"

#include <algorithm>

#include "LuStrUtils.h"

namespace {

bool Fails(std::u16string* reason, std::u16string text)
{
    if (reason) *reason = std::move(text);
    return false;
}

// The name as a message shows it: control characters as "?", so that the message stays one line.
std::u16string Shown(std::u16string_view name)
{
    std::u16string s(name);
    std::replace_if(
        s.begin(), s.end(), [](char16_t c) { return c < 0x20; }, u'?');
    return u"\"" + s + u"\"";
}

std::u16string Hex(unsigned value)
{
    const char16_t* digits = u"0123456789ABCDEF";
    return std::u16string(u"0x") + digits[(value >> 4) & 15] + digits[value & 15];
}

bool IsDeviceDigit(char16_t c)
{
    // Windows takes the superscripts of ISO 8859-1 as port numbers too.
    return (c >= u'1' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
}

}  // namespace

bool IsReservedDeviceName(std::u16string_view name)
{
    // The device is named by what comes before the first dot, blanks at its end dropped.
    std::u16string_view base = name.substr(0, name.find(u'.'));
    while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
    for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})
        if (SameText(base, device)) return true;
    return base.size() == 4 && (SameText(base.substr(0, 3), u"COM") || SameText(base.substr(0, 3), u"LPT")) &&
           IsDeviceDigit(base[3]);
}

bool IsValidWindowsFileName(std::u16string_view name, std::u16string* reason)
{
    if (name.empty()) return Fails(reason, u"empty name");
    if (name == u"." || name == u"..") return Fails(reason, Shown(name) + u" names a folder, not a file");
    if (name.size() > MaxWindowsFileNameLength)
        return Fails(reason, Shown(name.substr(0, 40)) + u"... is longer than 255 characters");
    for (const char16_t c : name) {
        if (c < 0x20) return Fails(reason, Shown(name) + u" holds the control character " + Hex(c));
        if (std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos)
            return Fails(reason, Shown(name) + u" holds \"" + std::u16string(1, c) +
                                     u"\", which a Windows file name cannot hold");
    }
    if (name.back() == u'.' || name.back() == u' ')
        return Fails(reason, Shown(name) + u" ends in a dot or a blank, which Windows drops");
    if (IsReservedDeviceName(name)) return Fails(reason, Shown(name) + u" is a device name on Windows");
    return true;
}

bool IsValidRelativeTarget(std::u16string_view path, std::u16string* reason)
{
    if (path.empty()) return Fails(reason, u"empty path");
    if (path.size() > MaxRelativeTargetLength)
        return Fails(reason, u"the path is longer than " + IntToStr(int64_t(MaxRelativeTargetLength)) + u" characters");
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(path.find(u'\\', start), path.size());
        const std::u16string_view part = path.substr(start, end - start);
        if (part.empty())
            return Fails(reason, Shown(path) + u" has an empty name in it (a leading, trailing or doubled \"\\\")");
        if (!IsValidWindowsFileName(part, reason)) return false;
        if (end == path.size()) return true;
        start = end + 1;
    }
}

bool IsTargetInsideFolder(std::u16string_view target, std::u16string_view folder, std::u16string* reason)
{
    const std::u16string dir = IncludeTrailingBackslash(folder);
    if (folder.empty() || target.size() <= dir.size() || !SameText(target.substr(0, dir.size()), dir))
        return Fails(reason, Shown(target) + u" is not below " + Shown(dir));
    return IsValidRelativeTarget(target.substr(dir.size()), reason);
}
