// Resource data that the builder makes itself: a PNG icon and the version block.
#include <zlib.h>

#include "LuStrUtils.h"
#include "PeFormat.h"
#include "PeResources.h"

using namespace pe;

namespace {

uint32_t BigEndian32(const std::string& s, size_t at)
{
    return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
           (uint32_t(uint8_t(s[at + 2])) << 8) | uint32_t(uint8_t(s[at + 3]));
}

}  // namespace

TIconResources BuildIconResources(const std::string& png, uint16_t iconId)
{
    static const char signature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1A', '\n'};
    // Signature, then the IHDR chunk: length 13, type, width, height, five bytes, CRC.
    if (png.size() < 33 || png.compare(0, 8, std::string(signature, 8)) != 0)
        throw EPeFormatError(u"The icon is not a PNG image");
    if (BigEndian32(png, 8) != 13 || png.compare(12, 4, "IHDR") != 0)
        throw EPeFormatError(u"The icon PNG does not start with its IHDR chunk");
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17);
    if (crc != BigEndian32(png, 29)) throw EPeFormatError(u"The icon PNG header is damaged (CRC mismatch)");
    TIconResources r;
    r.Width = BigEndian32(png, 16);
    r.Height = BigEndian32(png, 20);
    if (r.Width == 0 || r.Height == 0 || r.Width > 256 || r.Height > 256)
        throw EPeFormatError(Format(u"An icon can be at most 256 x 256 pixels; the PNG has %d x %d",
                                    {IntToStr(r.Width), IntToStr(r.Height)}));
    if (png.size() > 0x7FFFFFFF) throw EPeFormatError(u"The icon PNG is too large");
    const uint8_t bitDepth = uint8_t(png[24]);
    const uint8_t colourType = uint8_t(png[25]);
    const unsigned channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    r.Icon = png;
    // GRPICONDIR: reserved, type 1 (icon), one entry; the entry as in an .ico file with the ID last.
    Append16(r.GroupIcon, 0);
    Append16(r.GroupIcon, 1);
    Append16(r.GroupIcon, 1);
    r.GroupIcon += char(r.Width == 256 ? 0 : r.Width);  // 0 stands for 256
    r.GroupIcon += char(r.Height == 256 ? 0 : r.Height);
    r.GroupIcon += char(0);  // colour count: none for true colour
    r.GroupIcon += char(0);
    Append16(r.GroupIcon, 1);  // planes
    Append16(r.GroupIcon, uint16_t(colourType == 3 ? bitDepth : bitDepth * channels));
    Append32(r.GroupIcon, uint32_t(png.size()));
    Append16(r.GroupIcon, iconId);
    return r;
}

void ParseVersion(const std::u16string& text, uint16_t (&parts)[4])
{
    uint16_t out[4] = {0, 0, 0, 0};
    size_t part = 0, digits = 0;
    uint32_t value = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const char16_t c = i < text.size() ? text[i] : u'.';
        if (c >= u'0' && c <= u'9') {
            value = value * 10 + uint32_t(c - u'0');
            if (++digits > 5 || value > 0xFFFF) break;
            continue;
        }
        if (c != u'.' || digits == 0 || part == 4) {
            part = 5;  // invalid
            break;
        }
        out[part++] = uint16_t(value);
        value = 0;
        digits = 0;
    }
    if (part == 0 || part > 4 || digits != 0)
        throw EPeFormatError(u"'" + text + u"' is not a version number like 1.2.3.4");
    for (int i = 0; i < 4; ++i) parts[i] = out[i];
}

namespace {

// One node of a version block: length, value length, type, key, padding, value, padded children.
// The length covers everything but the padding after the last child.
std::string VersionNode(const std::u16string& key, const std::string& value, uint16_t valueLength, bool text,
                        const std::vector<std::string>& children)
{
    std::string n(6, '\0');
    for (char16_t c : key) Append16(n, uint16_t(c));
    Append16(n, 0);
    n.resize(AlignUp(n.size(), 4), '\0');
    n += value;
    for (const auto& child : children) {
        n.resize(AlignUp(n.size(), 4), '\0');
        n += child;
    }
    if (n.size() > 0xFFFF) throw EPeFormatError(u"The version information is too long");
    Put16(&n[0], uint16_t(n.size()));
    Put16(&n[2], valueLength);
    Put16(&n[4], text ? 1 : 0);
    return n;
}

std::string VersionString(const std::u16string& key, const std::u16string& value)
{
    std::string v;
    for (char16_t c : value) Append16(v, uint16_t(c));
    Append16(v, 0);
    // The value length of a string counts its characters, terminator included.
    return VersionNode(key, v, uint16_t(value.size() + 1), true, {});
}

std::u16string VersionText(const uint16_t (&v)[4])
{
    return IntToStr(v[0]) + u"." + IntToStr(v[1]) + u"." + IntToStr(v[2]) + u"." + IntToStr(v[3]);
}

}  // namespace

std::string BuildVersionInfo(const TVersionFields& f)
{
    std::string fixed;
    Append32(fixed, 0xFEEF04BD);  // signature
    Append32(fixed, 0x00010000);  // structure version 1.0
    Append32(fixed, (uint32_t(f.FileVersion[0]) << 16) | f.FileVersion[1]);
    Append32(fixed, (uint32_t(f.FileVersion[2]) << 16) | f.FileVersion[3]);
    Append32(fixed, (uint32_t(f.ProductVersion[0]) << 16) | f.ProductVersion[1]);
    Append32(fixed, (uint32_t(f.ProductVersion[2]) << 16) | f.ProductVersion[3]);
    Append32(fixed, 0x3F);        // flags mask
    Append32(fixed, 0);           // flags: a release build
    Append32(fixed, 0x00040004);  // VOS_NT_WINDOWS32
    Append32(fixed, 1);           // VFT_APP
    Append32(fixed, 0);           // subtype
    Append32(fixed, 0);           // date
    Append32(fixed, 0);

    std::vector<std::string> strings;
    auto add = [&](const char16_t* key, const std::u16string& value) { strings.push_back(VersionString(key, value)); };
    add(u"CompanyName", f.CompanyName);
    add(u"FileDescription", f.FileDescription);
    add(u"FileVersion", f.FileVersionText.empty() ? VersionText(f.FileVersion) : f.FileVersionText);
    add(u"LegalCopyright", f.LegalCopyright);
    if (!f.OriginalFilename.empty()) add(u"OriginalFilename", f.OriginalFilename);
    add(u"ProductName", f.ProductName);
    add(u"ProductVersion", f.ProductVersionText.empty() ? VersionText(f.ProductVersion) : f.ProductVersionText);

    const std::string table = VersionNode(u"040904B0", "", 0, true, strings);
    const std::string stringInfo = VersionNode(u"StringFileInfo", "", 0, true, {table});
    std::string translation;
    Append16(translation, 0x0409);  // US English
    Append16(translation, 1200);    // UTF-16
    const std::string var = VersionNode(u"Translation", translation, 4, false, {});
    const std::string varInfo = VersionNode(u"VarFileInfo", "", 0, true, {var});
    return VersionNode(u"VS_VERSION_INFO", fixed, uint16_t(fixed.size()), false, {stringInfo, varInfo});
}
