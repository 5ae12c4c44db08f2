// Resource trees written and read back; the layouts of the rewritten image.
#include <gtest/gtest.h>

#include <random>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "PeResources.h"
#include "PeTestImage.h"

namespace {

std::string RandomBytes(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (auto& c : s) c = char(rng());
    return s;
}

std::string WriteImage(const TPeImage& image)
{
    TMemoryStream out;
    image.Write(out);
    return out.ToString();
}

const TResourceId kRcData(RT_RCDATA_ID);

class PeResourcesTest : public ::testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Bitness, PeResourcesTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Pe32Plus" : "Pe32"; });

}  // namespace

TEST(PeResourceIdTest, NamesAreUpperCasedAndSortBeforeIdsInCodeUnitOrder)
{
    EXPECT_EQ(TResourceId(u"{54682d66-def6-4e5b-8ab5-70ffdf2c0e3a}").Name(), u"{54682D66-DEF6-4E5B-8AB5-70FFDF2C0E3A}");
    EXPECT_EQ(TResourceId(u"setup\u00e9").Name(), u"SETUP\u00c9");
    // Ordered as the loader's binary search expects: names by code unit ("B" < "_" < "a"), a prefix
    // first, then IDs ascending.
    const std::vector<TResourceId> ordered = {
        TResourceId(u"AB"),     TResourceId(u"ABC"), TResourceId(u"B"), TResourceId::RawName(u"_X"),
        TResourceId(u"\u00c9"), TResourceId(1),      TResourceId(2),    TResourceId(65535)};
    for (size_t i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_TRUE(ordered[i] < ordered[i + 1]) << i;
        EXPECT_FALSE(ordered[i + 1] < ordered[i]) << i;
    }
    EXPECT_THROW(TResourceId(u""), EPeFormatError);
}

TEST_P(PeResourcesTest, WrittenResourcesReadBackInTreeOrderWithTheirBytes)
{
    TPeImage image(MakeTestImage(StubLikeImage(GetParam())));
    const std::string big = RandomBytes(3 * 1024 * 1024 + 5, 7);
    TMemoryStream bigSource(big);
    bigSource.SetPosition(0);
    struct TCase {
        TResourceKey Key;
        std::string Bytes;
        bool Streamed;
    };
    const std::vector<TCase> cases = {
        {{kRcData, TResourceId(u"{54682d66-def6-4e5b-8ab5-70ffdf2c0e3a}"), 0}, big, true},
        {{kRcData, TResourceId(u"LICENSE"), 0}, "licence text", false},
        {{kRcData, TResourceId(u"LICENSE"), 1031}, "Lizenz", false},
        {{kRcData, TResourceId(3), 0}, "", false},                    // empty
        {{kRcData, TResourceId(2), 0}, std::string(13, 'x'), false},  // odd size: next item realigned
        {{TResourceId(u"MYTYPE"), TResourceId(1), 0}, "named type", false},
        {{TResourceId(RT_VERSION_ID), TResourceId(1), 0}, std::string(5, '\0'), false},
    };
    for (const auto& c : cases)
        image.SetResource(c.Key, c.Streamed ? TResourceData::FromStream(bigSource, int64_t(c.Bytes.size()))
                                            : TResourceData(c.Bytes));
    const std::string file = WriteImage(image);

    TPeImage back(file);
    EXPECT_EQ(back.Is64(), GetParam());
    for (const auto& c : cases) EXPECT_EQ(back.ReadResource(c.Key), c.Bytes) << Utf16ToUtf8(c.Key.Name.ToString());
    EXPECT_EQ(back.ReadResource({kRcData, TResourceId(7), 0}), "own resource");  // the stub's own

    std::vector<std::u16string> order;
    for (const auto& r : back.Resources())
        order.push_back(r.Key.Type.ToString() + u"/" + r.Key.Name.ToString() + u"/" +
                        std::u16string(1, char16_t(u'0' + r.Key.Language % 10)));
    const std::vector<std::u16string> expected = {
        u"MYTYPE/#1/0", u"#10/LICENSE/0", u"#10/LICENSE/1", u"#10/{54682D66-DEF6-4E5B-8AB5-70FFDF2C0E3A}/0",
        u"#10/#2/0",    u"#10/#3/0",      u"#10/#7/0",      u"#16/#1/0"};
    EXPECT_EQ(order, expected);

    // Every data entry 8-byte aligned inside the image; the checksum is the file's.
    const TTestHeaders h = ReadTestHeaders(file);
    for (const auto& [rva, size] : TestResourceDataEntries(file)) {
        EXPECT_EQ(rva % 8, 0u);
        EXPECT_LE(uint64_t(rva) + size, h.SizeOfImage);
    }
    EXPECT_EQ(h.CheckSum, TestPeChecksum(file, h.OptionalOffset + 64));
    EXPECT_EQ(back.CheckSum(), h.CheckSum);
}

TEST_P(PeResourcesTest, ReplacingKeepsTheOthersAndRewritingIsStable)
{
    TPeImage first(MakeTestImage(StubLikeImage(GetParam())));
    first.SetResource({kRcData, TResourceId(u"A"), 0}, std::string("first"));
    first.SetResource({kRcData, TResourceId(u"B"), 0}, std::string("kept"));
    const std::string once = WriteImage(first);

    TPeImage second(once);
    second.SetResource({kRcData, TResourceId(u"a"), 0}, std::string("second, and longer"));
    EXPECT_TRUE(second.RemoveResource({kRcData, TResourceId(7), 0}));
    EXPECT_FALSE(second.RemoveResource({kRcData, TResourceId(7), 0}));
    const std::string twice = WriteImage(second);
    TPeImage back(twice);
    EXPECT_EQ(back.ReadResource({kRcData, TResourceId(u"A"), 0}), "second, and longer");
    EXPECT_EQ(back.ReadResource({kRcData, TResourceId(u"B"), 0}), "kept");
    EXPECT_THROW(back.ReadResource({kRcData, TResourceId(7), 0}), EResNotFound);
    EXPECT_EQ(back.Resources().size(), 2u);

    // The resource section is reused each time: no section and no dead copy accumulates, and
    // writing an unchanged image gives the same bytes.
    EXPECT_EQ(ReadTestHeaders(twice).Sections.size(), 3u);
    EXPECT_EQ(WriteImage(TPeImage(twice)), twice);
}

TEST_P(PeResourcesTest, RelocationsBehindTheResourcesMoveAndStayReferenced)
{
    const TTestImage stub = StubLikeImage(GetParam());
    TPeImage image(MakeTestImage(stub));
    image.SetResource({kRcData, TResourceId(u"PAYLOAD"), 0}, RandomBytes(0x2345, 3));  // outgrows the old section
    const std::string file = WriteImage(image);
    const TTestHeaders h = ReadTestHeaders(file);

    ASSERT_EQ(h.Sections.size(), 3u);
    EXPECT_EQ(h.Sections[0].Name, ".text");
    EXPECT_EQ(h.Sections[1].Name, ".rsrc");
    EXPECT_EQ(h.Sections[2].Name, ".reloc");
    EXPECT_EQ(h.Sections[1].VirtualAddress, 0x2000u);
    EXPECT_EQ(h.Directories[2].first, 0x2000u);
    const auto& reloc = h.Sections[2];
    EXPECT_EQ(reloc.VirtualAddress % 0x1000, 0u);
    EXPECT_GE(reloc.VirtualAddress, h.Sections[1].VirtualAddress + h.Sections[1].VirtualSize);
    EXPECT_EQ(h.Directories[5], std::make_pair(reloc.VirtualAddress, uint32_t(stub.Sections[2].Data.size())));
    EXPECT_EQ(file.substr(reloc.PointerToRawData, stub.Sections[2].Data.size()), stub.Sections[2].Data);
    EXPECT_EQ(reloc.PointerToRawData % 0x200, 0u);
    EXPECT_EQ(h.SizeOfImage, reloc.VirtualAddress + 0x1000);
    EXPECT_EQ(file.size(), size_t(reloc.PointerToRawData) + reloc.SizeOfRawData);
    EXPECT_EQ(h.SizeOfInitializedData, h.Sections[1].SizeOfRawData + reloc.SizeOfRawData);
    // .text is untouched.
    const std::string original = MakeTestImage(stub);
    EXPECT_EQ(file.substr(0x400, 0x400), original.substr(0x400, 0x400));
}

TEST_P(PeResourcesTest, SectionsThatCodeMayReachAreNeverMoved)
{
    // A writable data section after .rsrc: the new tree goes behind it, the old bytes stay.
    TTestImage stub = StubLikeImage(GetParam());
    stub.Sections[2] = {".data", "data that code addresses", 0xC0000040};
    stub.RelocSection = -1;
    const std::string original = MakeTestImage(stub);
    TPeImage image(original);
    image.SetResource({kRcData, TResourceId(1), 0}, std::string("new"));
    const std::string file = WriteImage(image);
    const TTestHeaders h = ReadTestHeaders(file);
    ASSERT_EQ(h.Sections.size(), 4u);
    EXPECT_EQ(h.Sections[3].Name, ".rsrc");
    EXPECT_EQ(h.Sections[3].VirtualAddress, 0x4000u);
    EXPECT_EQ(h.Directories[2].first, 0x4000u);
    EXPECT_TRUE(file.compare(0x400, original.size() - 0x400, original, 0x400) == 0);  // sections in place
    TPeImage back(file);
    EXPECT_EQ(back.ReadResource({kRcData, TResourceId(7), 0}), "own resource");
    EXPECT_EQ(back.ReadResource({kRcData, TResourceId(1), 0}), "new");
}

TEST_P(PeResourcesTest, ImageWithoutResourcesGetsASection)
{
    TTestImage plain;
    plain.Is64 = GetParam();
    plain.Sections.push_back({".text", std::string(0x10, '\xC3'), 0x60000020});
    TPeImage image(MakeTestImage(plain));
    EXPECT_TRUE(image.Resources().empty());
    image.SetResource({kRcData, TResourceId(u"X"), 0}, std::string("x"));
    const std::string file = WriteImage(image);
    EXPECT_EQ(ReadTestHeaders(file).Sections.size(), 2u);
    EXPECT_EQ(TPeImage(file).ReadResource({kRcData, TResourceId(u"X"), 0}), "x");
}

TEST_P(PeResourcesTest, SignatureAndOverlayAreDropped)
{
    TTestImage stub = StubLikeImage(GetParam());
    stub.Sections.pop_back();
    stub.RelocSection = -1;
    stub.Overlay = std::string(0x208, 'S');
    stub.OverlayIsCertificate = true;
    TPeImage image(MakeTestImage(stub));
    const std::string file = WriteImage(image);
    const TTestHeaders h = ReadTestHeaders(file);
    EXPECT_EQ(h.Directories[4], std::make_pair(0u, 0u));
    EXPECT_EQ(file.size(), size_t(h.Sections.back().PointerToRawData) + h.Sections.back().SizeOfRawData);
    EXPECT_EQ(file.find("SSSS"), std::string::npos);
}

TEST(PeResourcesWriteTest, StreamedWritersMustDeliverTheirSizeFrontToBack)
{
    struct TCase {
        const char* Name;
        TResourceData::TWriter Writer;
    };
    const std::vector<TCase> cases = {
        {"short", [](TStream& out) { out.WriteBytes("abc"); }},
        {"long", [](TStream& out) { out.WriteBytes("abcdefgh"); }},
        {"seeking back",
         [](TStream& out) {
             out.WriteBytes("abcd");
             out.SetPosition(0);
             out.WriteBytes("e");
         }},
    };
    for (const auto& c : cases) {
        TPeImage image(MakeTestImage(StubLikeImage(false)));
        image.SetResource({kRcData, TResourceId(1), 0}, TResourceData(5, c.Writer));
        TMemoryStream out;
        EXPECT_THROW(image.Write(out), EPeFormatError) << c.Name;
    }
}

TEST(PeResourcesWriteTest, WritesToAFileStreamAndReadsLazilyFromOne)
{
    const std::u16string path = Utf8ToUtf16(TestOutputPath("file_stream_test.exe"));
    const std::string payload = RandomBytes(2 * 1024 * 1024 + 1, 11);
    {
        TPeImage image(MakeTestImage(StubLikeImage(true)));
        image.SetResource({kRcData, TResourceId(u"{GUID}"), 0}, payload);
        TFileStream out(path, fmCreate);
        image.Write(out);
    }
    TFileStream in(path, fmOpenRead);
    TPeImage back(in);
    TMemoryStream extracted;
    back.ReadResourceTo({kRcData, TResourceId(u"{guid}"), 0}, extracted);
    EXPECT_EQ(extracted.ToString(), payload);
    const std::string file = ReadFileBytes(path);
    const TTestHeaders h = ReadTestHeaders(file);
    EXPECT_EQ(h.CheckSum, TestPeChecksum(file, h.OptionalOffset + 64));
}

TEST(PeResourcesWriteTest, NoRoomForAnotherSectionHeaderIsReported)
{
    TTestImage plain;
    plain.Is64 = false;
    // 0x400 bytes of headers hold (0x400 - 0x138) / 40 = 17 section headers: fill them all.
    for (int i = 0; i < 17; ++i) plain.Sections.push_back({".s" + std::to_string(i), "x", 0x40000040});
    TPeImage image(MakeTestImage(plain));
    image.SetResource({kRcData, TResourceId(1), 0}, std::string("x"));
    TMemoryStream out;
    EXPECT_THROW(image.Write(out), EPeFormatError);
}
