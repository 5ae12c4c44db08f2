// The icon and version resources the builder makes.
#include <gtest/gtest.h>

#include <zlib.h>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "PeResources.h"
#include "PeTestImage.h"

namespace {

std::string BigEndian(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string Chunk(const std::string& type, const std::string& data)
{
    const std::string body = type + data;
    return BigEndian(uint32_t(data.size())) + body +
           BigEndian(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

// A PNG header and an empty image chunk: enough for the icon directory.
std::string Png(uint32_t width, uint32_t height, uint8_t depth = 8, uint8_t colour = 6)
{
    std::string ihdr = BigEndian(width) + BigEndian(height);
    ihdr += char(depth);
    ihdr += char(colour);
    ihdr += std::string(3, '\0');
    return std::string("\x89PNG\r\n\x1A\n", 8) + Chunk("IHDR", ihdr) + Chunk("IDAT", "") + Chunk("IEND", "");
}

}  // namespace

TEST(PeIconTest, GroupDirectoryDescribesThePng)
{
    struct TCase {
        uint32_t Width, Height;
        uint8_t Depth, Colour;
        uint8_t StoredWidth, StoredHeight;
        uint16_t BitCount;
    };
    const std::vector<TCase> cases = {
        {16, 16, 8, 6, 16, 16, 32},  // RGBA
        {48, 32, 8, 2, 48, 32, 24},  // RGB
        {256, 256, 8, 6, 0, 0, 32},  // 256 is stored as 0
        {1, 255, 4, 3, 1, 255, 4},   // palette
    };
    for (const auto& c : cases) {
        const std::string png = Png(c.Width, c.Height, c.Depth, c.Colour);
        const TIconResources r = BuildIconResources(png, 5);
        EXPECT_EQ(r.Icon, png);
        std::string expected("\0\0\1\0\1\0", 6);
        expected += char(c.StoredWidth);
        expected += char(c.StoredHeight);
        expected += std::string("\0\0\1\0", 4);
        expected += char(c.BitCount);
        expected += '\0';
        std::string size(4, '\0');
        SetLe32(size, 0, uint32_t(png.size()));
        expected += size + std::string("\5\0", 2);
        EXPECT_EQ(r.GroupIcon, expected) << c.Width << "x" << c.Height;
    }
}

TEST(PeIconTest, WhatIsNoUsablePngIsRefused)
{
    std::string badCrc = Png(16, 16);
    badCrc[29] ^= 1;
    std::string notIhdr = Png(16, 16);
    notIhdr[12] = 'X';
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"an ICO file", std::string("\0\0\1\0\1\0", 6) + std::string(40, '\0')},
        {"signature only", std::string("\x89PNG\r\n\x1A\n", 8)},
        {"truncated IHDR", Png(16, 16).substr(0, 30)},
        {"damaged IHDR", badCrc},
        {"first chunk not IHDR", notIhdr},
        {"too wide", Png(257, 16)},
        {"too high", Png(16, 300)},
        {"zero width", Png(0, 16)},
    };
    for (const auto& [name, bytes] : cases) EXPECT_THROW(BuildIconResources(bytes), EPeFormatError) << name;
}

TEST(PeIconTest, MainIconTakesTheFirstGroupsPlaceAndDropsOnlyItsIcons)
{
    TPeImage image(MakeTestImage(StubLikeImage(false)));
    auto group = [](std::vector<uint16_t> ids) {
        std::string g("\0\0\1\0", 4);
        g += char(ids.size());
        g += '\0';
        for (uint16_t id : ids) {
            std::string e(14, '\0');
            SetLe16(e, 12, id);
            g += e;
        }
        return TResourceData(g);
    };
    const TResourceId icon(RT_ICON_ID), groupIcon(RT_GROUP_ICON_ID);
    image.SetResource({icon, TResourceId(1), 1033}, std::string("old 1"));
    image.SetResource({icon, TResourceId(2), 1033}, std::string("old 2"));
    image.SetResource({groupIcon, TResourceId(u"MAINICON"), 1033}, group({1, 2}));
    image.SetResource({groupIcon, TResourceId(9), 1033}, group({2}));

    const std::string png = Png(32, 32);
    image.SetMainIcon(png);
    TMemoryStream out;
    image.Write(out);
    TPeImage back(out.ToString());
    EXPECT_EQ(back.ReadResource({icon, TResourceId(1), 1033}), png);      // the freed ID is reused
    EXPECT_EQ(back.ReadResource({icon, TResourceId(2), 1033}), "old 2");  // group 9 still shows it
    EXPECT_EQ(back.ReadResource({groupIcon, TResourceId(u"MAINICON"), 1033}), BuildIconResources(png, 1).GroupIcon);
    EXPECT_TRUE(back.HasResource({groupIcon, TResourceId(9), 1033}));

    TPeImage plain(MakeTestImage(StubLikeImage(true)));
    plain.SetMainIcon(png);
    EXPECT_EQ(plain.ReadResource({groupIcon, TResourceId(1), 0}), BuildIconResources(png, 1).GroupIcon);
}

namespace {

// A version block node as the format lays it out: read here, independently of the writer.
struct TVersionNode {
    std::u16string Key;
    uint16_t ValueLength = 0, Type = 0;
    std::string Value;
    std::vector<TVersionNode> Children;
};

TVersionNode ReadVersionNode(const std::string& b, size_t at, size_t end)
{
    TVersionNode n;
    const uint16_t length = Le16(b, at);
    EXPECT_EQ(at % 4, 0u);
    EXPECT_LE(at + length, end);
    n.ValueLength = Le16(b, at + 2);
    n.Type = Le16(b, at + 4);
    size_t p = at + 6;
    while (Le16(b, p)) {
        n.Key += char16_t(Le16(b, p));
        p += 2;
    }
    p = (p + 2 + 3) / 4 * 4;
    const size_t valueBytes = n.Type == 1 ? n.ValueLength * 2u : n.ValueLength;
    n.Value = b.substr(p, valueBytes);
    p = (p + valueBytes + 3) / 4 * 4;
    while (p < at + length) {
        n.Children.push_back(ReadVersionNode(b, p, at + length));
        p = (p + Le16(b, p) + 3) / 4 * 4;
    }
    return n;
}

std::u16string Utf16Value(const std::string& v)
{
    std::u16string s;
    for (size_t i = 0; i + 1 < v.size(); i += 2) s += char16_t(Le16(v, i));
    if (!s.empty() && s.back() == 0) s.pop_back();
    return s;
}

}  // namespace

TEST(PeVersionTest, BlockHoldsFixedInfoStringsAndTranslation)
{
    TVersionFields f;
    ParseVersion(u"1.20.300.4000", f.FileVersion);
    ParseVersion(u"1.2", f.ProductVersion);
    f.CompanyName = u"Lu Soft";
    f.FileDescription = u"Setup";
    f.LegalCopyright = u"\u00a9 2024 \u738b";
    f.ProductName = u"Lu";  // odd sizes exercise the padding
    const std::string block = BuildVersionInfo(f);
    EXPECT_EQ(Le16(block, 0), block.size());

    const TVersionNode root = ReadVersionNode(block, 0, block.size());
    EXPECT_EQ(root.Key, u"VS_VERSION_INFO");
    ASSERT_EQ(root.Value.size(), 52u);
    EXPECT_EQ(Le32(root.Value, 0), 0xFEEF04BDu);
    EXPECT_EQ(Le32(root.Value, 8), (1u << 16) | 20);
    EXPECT_EQ(Le32(root.Value, 12), (300u << 16) | 4000);
    EXPECT_EQ(Le32(root.Value, 16), (1u << 16) | 2);
    EXPECT_EQ(Le32(root.Value, 20), 0u);
    ASSERT_EQ(root.Children.size(), 2u);
    const TVersionNode& table = root.Children[0].Children.at(0);
    EXPECT_EQ(root.Children[0].Key, u"StringFileInfo");
    EXPECT_EQ(table.Key, u"040904B0");
    std::vector<std::pair<std::u16string, std::u16string>> strings;
    for (const auto& s : table.Children) {
        EXPECT_EQ(s.Type, 1);
        EXPECT_EQ(s.ValueLength * 2u, s.Value.size());
        strings.emplace_back(s.Key, Utf16Value(s.Value));
    }
    const std::vector<std::pair<std::u16string, std::u16string>> expected = {
        {u"CompanyName", u"Lu Soft"},          {u"FileDescription", u"Setup"}, {u"FileVersion", u"1.20.300.4000"},
        {u"LegalCopyright", f.LegalCopyright}, {u"ProductName", u"Lu"},        {u"ProductVersion", u"1.2.0.0"}};
    EXPECT_EQ(strings, expected);
    const TVersionNode& var = root.Children[1].Children.at(0);
    EXPECT_EQ(root.Children[1].Key, u"VarFileInfo");
    EXPECT_EQ(var.Key, u"Translation");
    EXPECT_EQ(var.Type, 0);
    EXPECT_EQ(Le32(var.Value, 0), 0x04B00409u);

    f.OriginalFilename = u"setup.exe";
    const TVersionNode withName = ReadVersionNode(BuildVersionInfo(f), 0, BuildVersionInfo(f).size());
    EXPECT_EQ(withName.Children[0].Children[0].Children.at(4).Key, u"OriginalFilename");
}

TEST(PeVersionTest, VersionTextIsParsedStrictly)
{
    uint16_t v[4];
    ParseVersion(u"65535.0.7", v);
    EXPECT_EQ(v[0], 65535);
    EXPECT_EQ(v[2], 7);
    EXPECT_EQ(v[3], 0);
    for (const char16_t* bad : {u"", u"1..2", u"1.2.3.4.5", u"65536", u"1.x", u".1", u"1.", u"-1", u"1 .2"})
        EXPECT_THROW(ParseVersion(bad, v), EPeFormatError) << Utf16ToUtf8(bad);
}
