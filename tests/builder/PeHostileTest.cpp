// Malformed and hostile executables: every one is refused with EPeFormatError, never read out of
// bounds (the sanitizer build watches) and never accepted with a wrong tree.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "LuStreams.h"
#include "PeResources.h"
#include "PeTestImage.h"

namespace {

// The stub-like PE32 image: optional header at 0x58, section table at 0x138, the tree of .rsrc at
// 0x800 (root 0x00, type directory 0x18, name directory 0x30, data entry 0x48, data 0x58).
constexpr size_t kOpt = 0x58, kCoff = 0x44, kTable = 0x138, kTree = 0x800;

// Parses and reads every resource, as inspect and the builder do.
void ParseAndReadAll(const std::string& file)
{
    TPeImage image(file);
    for (const auto& r : image.Resources()) image.ReadResource(r.Key);
    TMemoryStream out;
    image.Write(out);
}

}  // namespace

TEST(PeHostileTest, FixtureOffsetsMatch)
{
    const std::string file = MakeTestImage(StubLikeImage(false));
    ASSERT_EQ(TestOptionalOffset(), kOpt);
    ASSERT_EQ(TestSectionTableOffset(false), kTable);
    ASSERT_EQ(TestRawOffset(StubLikeImage(false), 1), kTree);
    EXPECT_NO_THROW(ParseAndReadAll(file));
}

TEST(PeHostileTest, MalformedImagesAreRefused)
{
    struct TCase {
        const char* Name;
        std::function<void(std::string&)> Damage;
    };
    const std::vector<TCase> cases = {
        {"empty file", [](std::string& f) { f.clear(); }},
        {"shorter than a DOS header", [](std::string& f) { f.resize(40); }},
        {"no MZ", [](std::string& f) { f[0] = 'X'; }},
        {"PE header offset past the end", [](std::string& f) { SetLe32(f, 0x3C, uint32_t(f.size()) - 8); }},
        {"PE header offset near 4 GB", [](std::string& f) { SetLe32(f, 0x3C, 0xFFFFFFF0); }},
        {"no PE signature", [](std::string& f) { f[0x41] = 'X'; }},
        {"truncated in the COFF header", [](std::string& f) { f.resize(0x50); }},
        {"truncated in the optional header", [](std::string& f) { f.resize(0x90); }},
        {"unknown optional header magic", [](std::string& f) { SetLe16(f, kOpt, 0x107); }},
        {"optional header too small", [](std::string& f) { SetLe16(f, kCoff + 16, 0x40); }},
        {"directories beyond the optional header", [](std::string& f) { SetLe16(f, kCoff + 16, 96 + 8); }},
        {"no sections", [](std::string& f) { SetLe16(f, kCoff + 2, 0); }},
        {"more sections than the loader takes", [](std::string& f) { SetLe16(f, kCoff + 2, 97); }},
        {"section table beyond the headers", [](std::string& f) { SetLe16(f, kCoff + 2, 40); }},
        {"section table past the end of the file",
         [](std::string& f) {
             SetLe16(f, kCoff + 2, 40);
             f.resize(0x200);
         }},
        {"headers larger than the file", [](std::string& f) { SetLe32(f, kOpt + 60, 0x7FFFFFFF); }},
        {"section data past the end", [](std::string& f) { SetLe32(f, kTable + 2 * 40 + 16, 0x10000000); }},
        {"section data offset wrapping around", [](std::string& f) { SetLe32(f, kTable + 2 * 40 + 20, 0xFFFFFF00); }},
        {"section data inside the headers", [](std::string& f) { SetLe32(f, kTable + 20, 0x100); }},
        {"overlapping sections", [](std::string& f) { SetLe32(f, kTable + 40 + 12, 0x1000); }},
        {"sections beyond 4 GB", [](std::string& f) { SetLe32(f, kTable + 2 * 40 + 8, 0xFFFFF000); }},
        {"file alignment 0", [](std::string& f) { SetLe32(f, kOpt + 36, 0); }},
        {"file alignment not a power of two", [](std::string& f) { SetLe32(f, kOpt + 36, 0x300); }},
        {"section alignment below file alignment", [](std::string& f) { SetLe32(f, kOpt + 32, 0x100); }},
        {"resource directory in no section", [](std::string& f) { SetLe32(f, kOpt + 96 + 16, 0x50000); }},
        {"resource type entry looping to the root",
         [](std::string& f) { SetLe32(f, kTree + 0x18 + 0x14, 0x80000000); }},
        {"language entry pointing to a directory", [](std::string& f) { SetLe32(f, kTree + 0x30 + 0x14, 0x80000030); }},
        {"type entry pointing to data", [](std::string& f) { SetLe32(f, kTree + 0x14, 0x48); }},
        {"entry count beyond the section", [](std::string& f) { SetLe16(f, kTree + 0x0E, 0xFFFF); }},
        {"directory offset beyond the section", [](std::string& f) { SetLe32(f, kTree + 0x14, 0xFFFFFFF0); }},
        {"name string past the end", [](std::string& f) { SetLe32(f, kTree + 0x10, 0x80000060); }},
        {"ID above 65535", [](std::string& f) { SetLe32(f, kTree + 0x10, 0x12345); }},
        {"language given as a name", [](std::string& f) { SetLe32(f, kTree + 0x30 + 0x10, 0x80000058); }},
        {"data outside the image", [](std::string& f) { SetLe32(f, kTree + 0x48, 0x7FFFFFF0); }},
        {"data larger than its section", [](std::string& f) { SetLe32(f, kTree + 0x4C, 0x10000); }},
        {"data size wrapping around", [](std::string& f) { SetLe32(f, kTree + 0x4C, 0xFFFFFFFF); }},
    };
    const std::string good = MakeTestImage(StubLikeImage(false));
    for (const auto& c : cases) {
        std::string file = good;
        c.Damage(file);
        try {
            ParseAndReadAll(file);
            ADD_FAILURE() << c.Name << ": accepted";
        } catch (const EPeFormatError& e) {
            EXPECT_NE(std::string(e.what()).find("executable"), std::string::npos) << c.Name << ": " << e.what();
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.Name << ": " << e.what();
        }
    }
}

TEST(PeHostileTest, TruncatedAndScrambledImagesFailCleanly)
{
    // A written image with named entries, then every truncation and random byte damage in the
    // headers and the tree: either a clean parse or EPeFormatError, nothing else.
    TPeImage source(MakeTestImage(StubLikeImage(true)));
    source.SetResource({TResourceId(RT_RCDATA_ID), TResourceId(u"NAMED"), 0}, std::string(100, 'n'));
    source.SetResource({TResourceId(u"TYPE"), TResourceId(u"N2"), 9}, std::string(9, 't'));
    TMemoryStream out;
    source.Write(out);
    const std::string good = out.ToString();
    const TTestHeaders h = ReadTestHeaders(good);
    const size_t tree = h.Sections[1].PointerToRawData;

    auto check = [](const std::string& file, const std::string& what) {
        try {
            ParseAndReadAll(file);
        } catch (const EPeFormatError&) {
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": " << e.what();
        }
    };
    for (size_t size = 0; size < good.size(); size += 61)
        check(good.substr(0, size), "truncated to " + std::to_string(size));

    std::mt19937 rng(20240601);
    for (int round = 0; round < 3000; ++round) {
        std::string file = good;
        const int flips = 1 + int(rng() % 4);
        for (int i = 0; i < flips; ++i) {
            const size_t at = (rng() & 1) ? rng() % 0x200 : tree + rng() % 0x100;
            file[at] = char(rng());
        }
        check(file, "round " + std::to_string(round));
    }
}
