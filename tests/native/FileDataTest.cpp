// The payload and its file table: reading payloads built here the way the builder lays them out,
// looking bodies up by key, and refusing payloads whose lengths or ranges do not fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "FileData.h"
#include "LuExceptions.h"
#include "LuStrUtils.h"
#include "LuXmlUtils.h"
#include "Setupfn.h"

namespace {

std::string Encode(const std::string& bytes)
{
    TMemoryStream stream(bytes);
    TSetupfn::EncodeStream(stream);
    return stream.ToString();
}

struct Entry {
    std::u16string GUID;
    int32_t Offset;
    int32_t Bytes;
};

std::string EncodedTable(const std::vector<Entry>& entries)
{
    TFileDataList list;
    for (const Entry& e : entries) {
        auto data = std::make_unique<TFileData>();
        data->GUID = e.GUID;
        data->Offset = e.Offset;
        data->Bytes = e.Bytes;
        list.Add(std::move(data));
    }
    TMemoryStream stream;
    list.SaveToStream(stream);
    TSetupfn::EncodeStream(stream);
    return stream.ToString();
}

std::string Int32LE(int32_t n)
{
    const uint32_t u = uint32_t(n);
    return {char(u & 0xFF), char((u >> 8) & 0xFF), char((u >> 16) & 0xFF), char((u >> 24) & 0xFF)};
}

// Bodies, then the encoded table, then the table's length.
std::string Payload(const std::string& bodies, const std::string& table)
{
    return bodies + table + Int32LE(int32_t(table.size()));
}

struct File {
    std::u16string GUID;
    std::string Content;
};

// A payload as the builder writes it: each file's content encoded on its own, in order.
std::string PayloadOf(const std::vector<File>& files, std::vector<Entry>* entries = nullptr)
{
    std::string bodies;
    std::vector<Entry> table;
    for (const File& f : files) {
        const std::string body = Encode(f.Content);
        table.push_back({f.GUID, int32_t(bodies.size()), int32_t(body.size())});
        bodies += body;
    }
    if (entries) *entries = table;
    return Payload(bodies, EncodedTable(table));
}

// A payload of a fixed size S whose table may refer to S: the bodies are padded with zero bytes
// up to the table.
std::string PayloadSized(const std::string& bodies, const std::function<std::vector<Entry>(int32_t)>& entries)
{
    const int32_t size = 4096;
    const std::string table = EncodedTable(entries(size));
    const size_t used = bodies.size() + table.size() + 4;
    EXPECT_LE(used, size_t(size));
    return Payload(bodies + std::string(size_t(size) - std::min(used, size_t(size)), '\0'), table);
}

bool Load(TFileDataList& list, const std::string& payload)
{
    return list.LoadFromBytes(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
}

std::string DataOf(const TFileData& entry) { return std::string(entry.Data.Bytes().begin(), entry.Data.Bytes().end()); }

// The message of the exception that loading the payload raises, or "" when it raises none.
template <class E>
std::string LoadError(const std::string& payload)
{
    TFileDataList list;
    try {
        Load(list, payload);
    } catch (const E& e) {
        return Utf16ToUtf8(e.Message());
    }
    return "";
}

// ---- Reading --------------------------------------------------------------------------------

TEST(FileDataLoad, SeveralFilesRoundTrip)
{
    std::mt19937 random(20240611);
    std::string noise(200000, '\0');
    for (char& c : noise) c = char(random());
    const std::vector<File> files = {
        {u"{AAAAAAAA-0000-0000-0000-000000000001}", "hello, world\r\n"},
        {u"{AAAAAAAA-0000-0000-0000-000000000002}", noise},
        {u"{AAAAAAAA-0000-0000-0000-000000000003}", std::string("\0\x01\xFF zero bytes\0", 16)},
        {u"{AAAAAAAA-0000-0000-0000-000000000004}", std::string(70000, 'z')},
    };
    std::vector<Entry> entries;
    const std::string payload = PayloadOf(files, &entries);

    TFileDataList list;
    EXPECT_TRUE(Load(list, payload));
    ASSERT_EQ(list.Count(), int(files.size()));
    for (size_t i = 0; i < files.size(); ++i) {
        const TFileData* entry = list.Items(int(i));
        EXPECT_EQ(entry->GUID, entries[i].GUID);
        EXPECT_EQ(entry->Offset, entries[i].Offset);
        EXPECT_EQ(entry->Bytes, entries[i].Bytes);
        // Data is the body as stored: still encoded.
        EXPECT_EQ(DataOf(*entry), payload.substr(size_t(entry->Offset), size_t(entry->Bytes))) << i;
        EXPECT_EQ(TFileDataList::DecodeContent(*entry).ToString(), files[i].Content) << i;
    }

    // The way the file stage takes one file out: by its key.
    const TFileData* found = list.FindByGUID(files[2].GUID);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(TFileDataList::DecodeContent(*found).ToString(), files[2].Content);
    // Decoding does not use up the entry's body.
    EXPECT_EQ(TFileDataList::DecodeContent(*found).ToString(), files[2].Content);
}

TEST(FileDataLoad, EmptyTable)
{
    TFileDataList list;
    EXPECT_TRUE(Load(list, Int32LE(0)));
    EXPECT_EQ(list.Count(), 0);

    // The same with an encoded table that lists nothing, after some unused bytes.
    EXPECT_TRUE(Load(list, Payload("unused", EncodedTable({}))));
    EXPECT_EQ(list.Count(), 0);
}

TEST(FileDataLoad, LoadReplacesEarlierEntries)
{
    TFileDataList list;
    ASSERT_TRUE(Load(list, PayloadOf({{u"a", "1"}, {u"b", "2"}})));
    ASSERT_EQ(list.Count(), 2);
    ASSERT_TRUE(Load(list, PayloadOf({{u"c", "3"}})));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0)->GUID, u"c");
    // A payload with no table at all (N = 0) also leaves no earlier entry behind.
    ASSERT_TRUE(Load(list, Int32LE(0)));
    EXPECT_EQ(list.Count(), 0);
}

TEST(FileDataLoad, TableElementNamesAreNotChecked)
{
    TMemoryStream table(
        std::string("<Whatever><Items><Entry Bytes=\"3\" GUID=\"g\" Offset=\"1\"/></Items></Whatever>"));
    TSetupfn::EncodeStream(table);
    TFileDataList list;
    ASSERT_TRUE(Load(list, Payload("xabcx", table.ToString())));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0)->GUID, u"g");
    EXPECT_EQ(DataOf(*list.Items(0)), "abc");
}

TEST(FileDataLoad, EmptyBodies)
{
    // Empty ranges anywhere inside the payload, its very end included.
    const std::string payload = PayloadSized("abcd", [](int32_t size) {
        return std::vector<Entry>{{u"start", 0, 0}, {u"middle", 2, 0}, {u"end", size, 0}};
    });
    TFileDataList list;
    ASSERT_TRUE(Load(list, payload));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(2)->Offset, int32_t(payload.size()));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(list.Items(i)->Data.Size(), 0) << i;
    EXPECT_EQ(TFileDataList::DecodeContent(*list.Items(0)).Size(), 0);
}

TEST(FileDataLoad, TableWrittenForm)
{
    TFileDataList list;
    auto data = std::make_unique<TFileData>();
    data->Bytes = 10;
    data->GUID = u"{G}";
    data->Offset = 20;
    list.Add(std::move(data));
    TMemoryStream stream;
    list.SaveToStream(stream);
    EXPECT_EQ(stream.ToString(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                                 "<TFileDataList>\r\n"
                                 "    <Items>\r\n"
                                 "        <TFileData Bytes=\"10\" GUID=\"{G}\" Offset=\"20\"/>\r\n"
                                 "    </Items>\r\n"
                                 "</TFileDataList>\r\n");
}

// ---- Lookup ---------------------------------------------------------------------------------

TEST(FileDataLookup, ByGuid)
{
    TFileDataList list;
    ASSERT_TRUE(Load(list, PayloadOf({{u"{abcdef01-0000-0000-0000-000000000000}", "lower"},
                                      {u"{DUP}", "first"},
                                      {u"{DUP}", "second"},
                                      {u"", "nameless"}})));
    struct Case {
        std::u16string key;
        int index;
    };
    const Case cases[] = {
        {u"{abcdef01-0000-0000-0000-000000000000}", 0},
        {u"{ABCDEF01-0000-0000-0000-000000000000}", -1},  // case-sensitive
        {u"{DUP}", 1},                                    // the first of two
        {u"{dup}", -1},
        {u"{DUP} ", -1},
        {u"", 3},
        {u"{missing}", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(list.IndexOfGUID(c.key), c.index) << Utf16ToUtf8(c.key);
        EXPECT_EQ(list.FindByGUID(c.key), c.index < 0 ? nullptr : list.Items(c.index)) << Utf16ToUtf8(c.key);
    }
    EXPECT_EQ(TFileDataList::DecodeContent(*list.FindByGUID(u"{DUP}")).ToString(), "first");
}

// ---- Payloads that do not fit -----------------------------------------------------------------

TEST(FileDataErrors, TableLengthOutsidePayload)
{
    const std::string table = EncodedTable({});
    struct Case {
        const char* what;
        std::string payload;
    };
    const Case cases[] = {
        {"empty payload", ""},
        {"one byte", std::string(1, '\0')},
        {"three bytes", std::string(3, '\0')},
        {"N one more than the bytes before it", "ab" + table + Int32LE(int32_t(table.size() + 3))},
        {"N = 1 in a four-byte payload", Int32LE(1)},
        // Would need 2 GiB if anything were allocated before the check.
        {"N = INT32_MAX", "ab" + Int32LE(INT32_MAX)},
        {"N = -1", "ab" + table + Int32LE(-1)},
        {"N = INT32_MIN", "ab" + table + Int32LE(INT32_MIN)},
    };
    for (const Case& c : cases) EXPECT_EQ(LoadError<EReadError>(c.payload), "Stream read error") << c.what;

    // The largest N that fits is accepted.
    TFileDataList list;
    EXPECT_TRUE(Load(list, Payload("", table)));
}

TEST(FileDataErrors, EntryRangeOutsidePayload)
{
    const std::string bodies = Encode("content");
    const int32_t good = int32_t(bodies.size());
    struct Case {
        const char* what;
        std::function<Entry(int32_t size)> bad;
    };
    const Case cases[] = {
        {"one byte past the end",
         [](int32_t size) {
             return Entry{u"bad", 0, size + 1};
         }},
        {"last byte past the end",
         [](int32_t size) {
             return Entry{u"bad", size - 2, 3};
         }},
        {"empty range after the end",
         [](int32_t size) {
             return Entry{u"bad", size + 1, 0};
         }},
        {"negative offset",
         [](int32_t) {
             return Entry{u"bad", -1, 2};
         }},
        {"very negative offset",
         [](int32_t) {
             return Entry{u"bad", INT32_MIN, 4};
         }},
        {"negative length",
         [](int32_t) {
             return Entry{u"bad", 0, -2};
         }},
        {"32-bit overflow of offset + length",
         [](int32_t) {
             return Entry{u"bad", INT32_MAX, INT32_MAX};
         }},
    };
    for (const Case& c : cases) {
        const std::string payload = PayloadSized(bodies, [&](int32_t size) {
            return std::vector<Entry>{{u"ok", 0, good}, c.bad(size)};
        });
        EXPECT_EQ(LoadError<EReadError>(payload), "Stream read error") << c.what;
    }

    // The whole payload as one range, and the last byte alone, are accepted.
    const std::string payload = PayloadSized(bodies, [](int32_t size) {
        return std::vector<Entry>{{u"all", 0, size}, {u"last", size - 1, 1}};
    });
    TFileDataList list;
    ASSERT_TRUE(Load(list, payload));
    EXPECT_EQ(DataOf(*list.Items(0)), payload);
    EXPECT_EQ(DataOf(*list.Items(1)), payload.substr(payload.size() - 1));
}

TEST(FileDataErrors, DamagedTable)
{
    std::vector<Entry> entries;
    const std::string good = PayloadOf({{u"a", "some content"}}, &entries);
    const size_t tableStart = size_t(entries[0].Bytes);

    // Not a zlib stream at all, and a valid one cut short.
    EXPECT_EQ(LoadError<EDecompressionError>(Payload("", "this is not an encoded table")), "Error");
    const std::string table = good.substr(tableStart, good.size() - 4 - tableStart);
    EXPECT_EQ(LoadError<EDecompressionError>(Payload("", table.substr(0, table.size() / 2))), "Error");
    // A flipped byte inside the table's compressed data.
    std::string flipped = good;
    flipped[tableStart + table.size() / 2] ^= 0x55;
    EXPECT_EQ(LoadError<EDecompressionError>(flipped), "Error");

    // A table that decodes but is not a document.
    TMemoryStream broken(std::string("<TFileDataList"));
    TSetupfn::EncodeStream(broken);
    EXPECT_THROW(Load(*std::make_unique<TFileDataList>(), Payload("", broken.ToString())), EXmlException);
}

}  // namespace
