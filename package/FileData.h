// The payload of a package and its file table.
//
// Payload layout (S bytes): the encoded file bodies, then the encoded file table (the XML form of
// a TFileDataList), then N, the length of the encoded table, as int32 little-endian in the last
// four bytes. Each body is an encoded stream of its own, located by its entry's Offset and Bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "LuStreams.h"
#include "LuXmlUtils.h"

class TFileData : public TXmlPersistent {
    LU_PERSISTENT(TFileData)
public:
    int32_t Bytes = 0;    // length of the encoded body
    std::u16string GUID;  // key of the body; a script file entry's ResID
    int32_t Offset = 0;   // position of the body in the payload

    // The encoded body after a load; not persisted.
    TMemoryStream Data;
};

class TFileDataList : public TXmlTypedList<TFileData> {
    LU_PERSISTENT(TFileDataList)
public:
    // Reads a payload from its bytes, which are not kept: the table replaces the entries and each
    // entry's Data receives its encoded body. Raises EReadError "Stream read error" when the table
    // length or an entry's range does not lie within the payload (checked before anything is
    // allocated for it), and the codec's and parser's errors for a damaged table.
    bool LoadFromBytes(const uint8_t* payload, size_t size);

    // First entry whose GUID equals the key exactly (case-sensitive), or -1 / null.
    int IndexOfGUID(std::u16string_view key) const;
    TFileData* FindByGUID(std::u16string_view key) const;

    // The decoded content of one body.
    static TMemoryStream DecodeContent(const TFileData& entry);
};
