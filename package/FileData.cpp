#include "FileData.h"

#include "LuExceptions.h"
#include "Setupfn.h"

LU_PROPERTIES(TFileData)
{
    return TPropTable(&TXmlPersistent::StaticProps())
        .Integer(u"Bytes", &TFileData::Bytes)
        .WideString(u"GUID", &TFileData::GUID)
        .Integer(u"Offset", &TFileData::Offset);
}

LU_PROPERTIES(TFileDataList) { return TPropTable(&TXmlObjectList::StaticProps()); }

namespace {
[[noreturn]] void ReadError() { throw EReadError(u"Stream read error"); }
}  // namespace

bool TFileDataList::LoadFromBytes(const uint8_t* payload, size_t size)
{
    if (size < 4) ReadError();
    const uint8_t* tail = payload + size - 4;
    const int32_t n =
        int32_t(uint32_t(tail[0]) | uint32_t(tail[1]) << 8 | uint32_t(tail[2]) << 16 | uint32_t(tail[3]) << 24);
    if (n < 0 || uint64_t(n) > size - 4) ReadError();

    // A table without a root element (N = 0) loads nothing, so earlier entries must go first;
    // otherwise they would take bodies from this payload at their old offsets.
    Clear();
    TMemoryStream table(tail - n, size_t(n));
    TSetupfn::DecodeStream(table);
    LoadFromStream(table);

    for (int i = 0; i < Count(); ++i) {
        TFileData* entry = Items(i);
        if (entry->Offset < 0 || entry->Bytes < 0 || uint64_t(entry->Offset) + uint64_t(entry->Bytes) > size)
            ReadError();
        entry->Data.Assign(payload + entry->Offset, size_t(entry->Bytes));
    }
    return true;
}

int TFileDataList::IndexOfGUID(std::u16string_view key) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->GUID == key) return i;
    return -1;
}

TFileData* TFileDataList::FindByGUID(std::u16string_view key) const
{
    const int i = IndexOfGUID(key);
    return i < 0 ? nullptr : Items(i);
}

TMemoryStream TFileDataList::DecodeContent(const TFileData& entry)
{
    TMemoryStream content(entry.Data.Memory(), entry.Data.Bytes().size());
    TSetupfn::DecodeStream(content);
    return content;
}
