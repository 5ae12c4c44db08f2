// The package codec (zlib level 9, then XOR with the position modulo 255) and the zlib stream
// functions under it.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "LuExceptions.h"
#include "LuStreams.h"
#include "LuSysUtils.h"
#include "Setupfn.h"

namespace {

std::string RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = char(rng() & 0xFF);
    return s;
}

std::string Unscrambled(std::string bytes)
{
    TSetupfn::ScrambleBytes(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size());
    return bytes;
}

std::string Encoded(const std::string& plain)
{
    TMemoryStream s(plain);
    TSetupfn::EncodeStream(s);
    return s.ToString();
}

// Inflates with zlib directly, independent of DecompressStream.
std::string ZlibInflate(const std::string& z, size_t plainSize)
{
    std::string out(plainSize, '\0');
    uLongf outLen = uLongf(plainSize);
    const int rc = uncompress(reinterpret_cast<Bytef*>(out.data()), &outLen, reinterpret_cast<const Bytef*>(z.data()),
                              uLong(z.size()));
    EXPECT_EQ(rc, Z_OK);
    out.resize(outLen);
    return out;
}

}  // namespace

TEST(CodecScramble, MaskIsPositionModulo255)
{
    std::vector<unsigned char> bytes(600, 0);
    TSetupfn::ScrambleBytes(bytes.data(), bytes.size());
    const std::pair<size_t, int> masks[] = {{0, 0}, {1, 1}, {254, 254}, {255, 0}, {256, 1}, {509, 254}, {510, 0}};
    for (const auto& [pos, mask] : masks) EXPECT_EQ(int(bytes[pos]), mask) << "position " << pos;

    TSetupfn::ScrambleBytes(bytes.data(), bytes.size());  // its own inverse
    EXPECT_EQ(bytes, std::vector<unsigned char>(600, 0));
    TSetupfn::ScrambleBytes(nullptr, 0);
}

TEST(CodecRoundTrip, AnyByteSequence)
{
    std::string allBytes;
    for (int i = 0; i < 256; ++i) allBytes.push_back(char(i));
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "<File Source=\"bin\\app" + std::to_string(i) + ".dll\"/>\n";
    struct Case {
        const char* name;
        std::string plain;
    };
    const Case cases[] = {
        {"one byte", "x"},
        {"every byte value", allBytes},
        {"text", text},
        {"random, compressed form well past 255 bytes", RandomBytes(5000, 1)},
        {"zeros, inflated far beyond the first output buffer", std::string(3 << 20, '\0')},
    };
    for (const auto& c : cases) {
        TMemoryStream s(c.plain);
        s.SetPosition(s.Size());  // the codec works from the start whatever the position
        TSetupfn::EncodeStream(s);
        EXPECT_EQ(s.Position(), 0) << c.name;
        const std::string encoded = s.ToString();
        EXPECT_NE(encoded.substr(0, 64), c.plain.substr(0, 64)) << c.name;

        TSetupfn::DecodeStream(s);
        EXPECT_EQ(s.Position(), 0) << c.name;
        EXPECT_TRUE(s.ToString() == c.plain) << c.name;
    }
}

TEST(CodecRoundTrip, EncodedFormIsScrambledZlibLevel9)
{
    const std::string plain = RandomBytes(3000, 2) + std::string(3000, 'a');
    const std::string encoded = Encoded(plain);
    ASSERT_GT(encoded.size(), 255u);
    const std::string z = Unscrambled(encoded);
    EXPECT_EQ(uint8_t(z[0]), 0x78);  // deflate, 32 KB window
    EXPECT_EQ(uint8_t(z[1]), 0xDA);  // best compression
    EXPECT_TRUE(ZlibInflate(z, plain.size()) == plain);
}

TEST(CodecRoundTrip, EmptyStaysEmpty)
{
    TMemoryStream s;
    TSetupfn::EncodeStream(s);
    EXPECT_EQ(s.Size(), 0);
    TSetupfn::DecodeStream(s);
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(CodecDecode, DamagedDataRaisesAndLeavesCompressedBytes)
{
    const std::string good = Encoded(RandomBytes(4000, 3));
    ASSERT_GT(good.size(), 600u);
    auto flip = [](std::string s, size_t pos) {
        s[pos] = char(s[pos] ^ 0x55);
        return s;
    };
    struct Case {
        const char* name;
        std::string data;
    };
    const Case cases[] = {
        {"truncated by one byte", good.substr(0, good.size() - 1)},
        {"truncated to the header", good.substr(0, 2)},
        {"truncated in the middle", good.substr(0, good.size() / 2)},
        {"damaged header", flip(good, 0)},
        {"damaged checksum", flip(good, good.size() - 1)},
        {"damaged body", flip(good, 300)},
        {"not scrambled", Unscrambled(good)},
        {"plain text", "This is not a package resource."},
        {"one byte", "\x78"},
    };
    for (const auto& c : cases) {
        TMemoryStream s(c.data);
        try {
            TSetupfn::DecodeStream(s);
            ADD_FAILURE() << c.name << ": no exception";
        } catch (const EDecompressionError& e) {
            EXPECT_EQ(e.Message(), u"Error") << c.name;
        }
        EXPECT_TRUE(s.ToString() == Unscrambled(c.data)) << c.name;
        EXPECT_EQ(s.Position(), 0) << c.name;
    }
}

TEST(CodecZlibStreams, WholeSourceIntoEmptiedDestination)
{
    const std::string plain = RandomBytes(1000, 4) + std::string(1000, 'z');
    TMemoryStream source(plain), packed, unpacked(std::string(50000, '#'));
    source.SetPosition(700);
    packed.WriteBytes(std::string(90000, '!'));  // longer than the result: must not survive
    TLuSysfn::CompressStream(&source, &packed);
    EXPECT_LT(packed.Size(), int64_t(plain.size()));
    EXPECT_TRUE(ZlibInflate(packed.ToString(), plain.size()) == plain);

    TLuSysfn::DecompressStream(&packed, &unpacked);
    EXPECT_TRUE(unpacked.ToString() == plain);

    TMemoryStream empty, out(std::string("old"));
    TLuSysfn::CompressStream(&empty, &out);
    EXPECT_EQ(out.Size(), 0);
}

TEST(CodecZlibStreams, WorksOnFileStreams)
{
    const auto path = std::filesystem::temp_directory_path() / "lusetup_codec_test.z";
    const std::string plain = RandomBytes(70000, 5) + std::string(70000, '\n');
    {
        TMemoryStream source(plain);
        TFileStream file(path.u16string(), fmCreate);
        file.WriteBytes(std::string(500000, 'x'));  // stale content that must go
        TLuSysfn::CompressStream(&source, &file);
    }
    EXPECT_LT(std::filesystem::file_size(path), plain.size());
    {
        TFileStream file(path.u16string(), fmOpenRead);
        TMemoryStream unpacked;
        TLuSysfn::DecompressStream(&file, &unpacked);
        EXPECT_TRUE(unpacked.ToString() == plain);
    }
    std::filesystem::remove(path);
}

TEST(CodecZlibStreams, MissingStreamIsAnAssertion)
{
    TMemoryStream s(std::string("abc"));
    const std::regex message(R"(Assertion failure \(Common\\LuSysUtils, line \d+\))");
    auto check = [&](auto call) {
        try {
            call();
            ADD_FAILURE() << "no exception";
        } catch (const EAssertionFailed& e) {
            EXPECT_TRUE(std::regex_match(e.what(), message)) << e.what();
        }
    };
    check([&] { TLuSysfn::CompressStream(nullptr, &s); });
    check([&] { TLuSysfn::CompressStream(&s, nullptr); });
    check([&] { TLuSysfn::DecompressStream(nullptr, &s); });
    check([&] { TLuSysfn::DecompressStream(&s, nullptr); });
    EXPECT_EQ(s.ToString(), "abc");
}
