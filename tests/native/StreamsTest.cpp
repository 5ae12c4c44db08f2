// Memory and file streams.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "LuExceptions.h"
#include "LuStrUtils.h"
#include "LuStreams.h"

namespace {

// A private folder under the temporary folder, removed with everything in it.
class StreamsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FDir = std::filesystem::temp_directory_path() /
               ("lusetup_streams_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(FDir);
        std::filesystem::create_directories(FDir);
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }
    std::u16string File(const std::u16string& name) const { return (FDir / std::filesystem::path(name)).u16string(); }
    std::filesystem::path FDir;
};

}  // namespace

TEST(StreamsMemory, ReadWriteSeekAndSize)
{
    TMemoryStream s;
    s.WriteBytes("hello world");
    EXPECT_EQ(s.Size(), 11);
    EXPECT_EQ(s.Position(), 11);

    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 4), 0);  // at the end
    EXPECT_EQ(s.Seek(-5, TSeekOrigin::soEnd), 6);
    EXPECT_EQ(s.Read(buf, 8), 5);  // short read stops at the end
    EXPECT_EQ(std::string(buf, 5), "world");
    EXPECT_EQ(s.Seek(-3, TSeekOrigin::soCurrent), 8);

    s.SetPosition(6);
    s.WriteBytes("WORLD and more");  // overwrite and grow
    EXPECT_EQ(s.ToString(), "hello WORLD and more");

    s.SetPosition(25);  // beyond the end: the gap is filled with zeros
    s.WriteBytes("!");
    EXPECT_EQ(s.ToString(), std::string("hello WORLD and more\0\0\0\0\0!", 26));

    s.SetSize(5);  // truncation pulls the position back
    EXPECT_EQ(s.Position(), 5);
    EXPECT_EQ(s.ToString(), "hello");
    s.SetPosition(0);
    EXPECT_EQ(s.ReadRemaining(), "hello");

    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(StreamsMemory, ExactReadsAndWritesRaise)
{
    TMemoryStream s(std::string("abc"));
    char buf[4];
    try {
        s.ReadBuffer(buf, 4);
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), u"Stream read error");
    }
    s.SetPosition(0);
    EXPECT_THROW(s.ReadBuffer(buf, -1), EReadError);
    s.ReadBuffer(buf, 3);
    EXPECT_EQ(std::string(buf, 3), "abc");
    s.WriteBuffer("", 0);  // nothing to write is no error
    EXPECT_THROW(s.WriteBuffer("x", -1), EWriteError);
}

TEST(StreamsMemory, CopyFrom)
{
    TMemoryStream source(std::string("0123456789"));
    TMemoryStream dest;

    source.SetPosition(7);
    EXPECT_EQ(dest.CopyFrom(source, 0), 10);  // 0: the whole source from its start
    EXPECT_EQ(dest.ToString(), "0123456789");

    source.SetPosition(2);
    dest.Clear();
    EXPECT_EQ(dest.CopyFrom(source, 3), 3);  // a count: from the source's position
    EXPECT_EQ(dest.ToString(), "234");
    EXPECT_EQ(source.Position(), 5);

    EXPECT_THROW(dest.CopyFrom(source, 6), EReadError);  // more than the source holds

    std::string big(200000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7);
    TMemoryStream bigSource(big), bigDest;
    EXPECT_EQ(bigDest.CopyFrom(bigSource, 0), int64_t(big.size()));  // more than one buffer
    EXPECT_TRUE(bigDest.ToString() == big);

    TMemoryStream empty;
    EXPECT_EQ(bigDest.CopyFrom(empty, 0), 0);
}

TEST(StreamsMemory, CopyFromNegativeCountCopiesTheWholeSource)
{
    TMemoryStream source(std::string("abc")), dest;
    source.SetPosition(3);
    EXPECT_EQ(dest.CopyFrom(source, -1), 3);
    EXPECT_EQ(dest.ToString(), "abc");
}

TEST_F(StreamsFileTest, CreateWriteReopenAndRead)
{
    const std::u16string name = File(u"data.bin");
    std::string bytes;
    for (int i = 0; i < 70000; ++i) bytes.push_back(char(i % 251));
    {
        TFileStream f(name, fmCreate);
        f.WriteBytes(bytes);
        EXPECT_EQ(f.Size(), int64_t(bytes.size()));
        EXPECT_EQ(f.Position(), int64_t(bytes.size()));
    }
    TFileStream f(name, fmOpenRead);
    EXPECT_EQ(f.Size(), int64_t(bytes.size()));
    f.SetPosition(100);
    char buf[5];
    f.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), bytes.substr(100, 5));
    f.SetPosition(0);
    EXPECT_TRUE(f.ReadRemaining() == bytes);
    EXPECT_EQ(f.Read(buf, 5), 0);
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);  // opened for reading only
}

TEST_F(StreamsFileTest, CreateTruncatesAnExistingFile)
{
    const std::u16string name = File(u"old.txt");
    WriteFileBytes(name, "a long old content", 18);
    WriteFileBytes(name, "new", 3);
    EXPECT_EQ(ReadFileBytes(name), "new");
}

TEST_F(StreamsFileTest, ReadWriteModeMixesReadsAndWrites)
{
    const std::u16string name = File(u"mixed.bin");
    WriteFileBytes(name, "0123456789", 10);
    TFileStream f(name, fmOpenReadWrite);
    char buf[3];
    f.ReadBuffer(buf, 3);
    f.WriteBytes("ab");    // a write straight after a read
    f.ReadBuffer(buf, 3);  // a read straight after a write
    EXPECT_EQ(std::string(buf, 3), "567");
    f.SetPosition(0);
    EXPECT_EQ(f.ReadRemaining(), "012ab56789");
}

TEST_F(StreamsFileTest, SetSizeTruncatesAndExtends)
{
    const std::u16string name = File(u"size.bin");
    TFileStream f(name, fmCreate);
    f.WriteBytes("0123456789");
    f.SetSize(4);
    EXPECT_EQ(f.Size(), 4);
    f.WriteBytes("X");  // after a truncation below the position, writing continues at the end
    f.SetPosition(0);
    EXPECT_EQ(f.ReadRemaining(), "0123X");
    f.SetSize(8);
    EXPECT_EQ(f.Size(), 8);
    f.SetPosition(0);
    EXPECT_EQ(f.ReadRemaining(), std::string("0123X\0\0\0", 8));
}

TEST_F(StreamsFileTest, NonAsciiFileName)
{
    const std::u16string name = File(u"\u5B89\u88C5 \u00E9\u0416.xml");
    WriteFileBytes(name, "<a/>", 4);
    EXPECT_EQ(ReadFileBytes(name), "<a/>");
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(name)));
}

TEST_F(StreamsFileTest, OpenErrorsNameTheFile)
{
    const std::u16string missing = File(u"missing.txt");
    try {
        TFileStream f(missing, fmOpenRead);
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        const std::u16string prefix = u"Cannot open file \"" + missing + u"\". ";
        EXPECT_EQ(e.Message().substr(0, prefix.size()), prefix) << e.what();
        EXPECT_GT(e.Message().size(), prefix.size());  // with the system's reason
    }
    EXPECT_THROW(TFileStream(File(u"no\\such\\dir/x.txt"), fmCreate), EFCreateError);
    EXPECT_THROW(ReadFileBytes(missing), EFOpenError);
}

// A write that only fails when the buffer goes to the disk (a full disk: /dev/full) must not pass
// for a complete file.
TEST(StreamsFileFull, AFailedCloseIsAFailedWrite)
{
    const std::u16string full = u"/dev/full";
    if (!std::filesystem::exists(std::filesystem::path(full))) GTEST_SKIP() << "no /dev/full on this system";
    {
        TFileStream f(full, fmCreate);
        f.WriteBytes("a few bytes that fit in the buffer");  // buffered: no error yet
        try {
            f.Close();
            FAIL() << "no exception";
        } catch (const EWriteError& e) {
            const std::u16string prefix = u"Cannot write file \"/dev/full\". ";
            EXPECT_EQ(e.Message().substr(0, prefix.size()), prefix) << e.what();
            EXPECT_GT(e.Message().size(), prefix.size());  // with the system's reason
        }
    }  // the destructor after a failed Close is quiet
    {
        // A flush that fails inside a seek is remembered until the close.
        TFileStream f(full, fmOpenReadWrite);
        f.WriteBytes("first");
        f.Seek(0, TSeekOrigin::soBeginning);
        EXPECT_THROW(f.Close(), EWriteError);
    }
    {
        TFileStream quiet(full, fmCreate);
        quiet.WriteBytes("lost");
    }  // no Close: nothing raised
    EXPECT_THROW(WriteFileBytes(full, "abc", 3), EWriteError);
    TFileStream reader(full, fmOpenRead);
    reader.Close();  // nothing written, nothing to report
}
