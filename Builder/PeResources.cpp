// Parsing of PE images and their resource trees; the resource list and its changes.
#include "PeResources.h"

#include <algorithm>
#include <set>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "PeFormat.h"

using namespace pe;

namespace {

[[noreturn]] void Fail(const std::u16string& what) { throw EPeFormatError(u"Invalid executable: " + what); }

std::u16string Hex(uint64_t v)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string s;
    do {
        s.insert(s.begin(), digits[v & 15]);
        v >>= 4;
    } while (v);
    return u"0x" + s;
}

}  // namespace

// ---- TResourceId ----------------------------------------------------------------------------

TResourceId::TResourceId(std::u16string name) : FIsName(true), FName(UpperCase(name))
{
    if (FName.empty() || FName.size() > 0xFFFF)
        throw EPeFormatError(u"A resource name must have 1 to 65535 characters");
}

TResourceId TResourceId::RawName(std::u16string name)
{
    TResourceId id;
    id.FIsName = true;
    id.FName = std::move(name);
    return id;
}

std::u16string TResourceId::ToString() const { return FIsName ? FName : u"#" + IntToStr(FId); }

bool TResourceId::operator<(const TResourceId& other) const
{
    if (FIsName != other.FIsName) return FIsName;  // names come first
    if (FIsName) return FName < other.FName;       // code unit order, as the loader's binary search
    return FId < other.FId;
}

bool TResourceId::operator==(const TResourceId& other) const
{
    return FIsName == other.FIsName && (FIsName ? FName == other.FName : FId == other.FId);
}

bool TResourceKey::operator<(const TResourceKey& other) const
{
    if (Type != other.Type) return Type < other.Type;
    if (Name != other.Name) return Name < other.Name;
    return Language < other.Language;
}

bool TResourceKey::operator==(const TResourceKey& other) const
{
    return Type == other.Type && Name == other.Name && Language == other.Language;
}

// ---- TResourceData --------------------------------------------------------------------------

TResourceData::TResourceData(std::string bytes) : FBytes(std::move(bytes)), FSize(int64_t(FBytes.size())) {}

TResourceData::TResourceData(int64_t size, TWriter writer) : FSize(size), FWriter(std::move(writer))
{
    if (size < 0 || size > 0x7FFFFFFF) throw EPeFormatError(u"A resource must be smaller than 2 GB");
    if (!FWriter) throw EPeFormatError(u"A streamed resource needs a writer");
}

TResourceData TResourceData::FromStream(TStream& source, int64_t count)
{
    TStream* src = &source;
    const int64_t start = source.Position();
    return TResourceData(count, [src, start, count](TStream& output) {
        src->SetPosition(start);
        std::string buffer(size_t(std::min<int64_t>(count, 1 << 20)), '\0');
        for (int64_t left = count; left > 0;) {
            const int64_t n = std::min<int64_t>(left, int64_t(buffer.size()));
            src->ReadBuffer(&buffer[0], n);
            output.WriteBuffer(buffer.data(), n);
            left -= n;
        }
    });
}

void TResourceData::WriteTo(TStream& output) const
{
    if (!FWriter) {
        output.WriteBuffer(FBytes.data(), int64_t(FBytes.size()));
        return;
    }
    const int64_t start = output.Position();
    FWriter(output);
    const int64_t written = output.Position() - start;
    if (written != FSize)
        throw EPeFormatError(
            Format(u"A resource writer wrote %d bytes instead of %d", {IntToStr(written), IntToStr(FSize)}));
}

// ---- TPeImage: parsing ----------------------------------------------------------------------

TPeImage::TPeImage(std::string bytes) : FOwned(std::make_unique<TMemoryStream>(std::move(bytes)))
{
    FSource = FOwned.get();
    Parse();
}

TPeImage::TPeImage(TStream& source) : FSource(&source) { Parse(); }

TPeImage::~TPeImage() = default;

namespace {

// Reads exactly count bytes at offset, or fails naming what was read.
std::string ReadAt(TStream& source, int64_t fileSize, uint64_t offset, uint64_t count, const char16_t* what)
{
    if (offset > uint64_t(fileSize) || count > uint64_t(fileSize) - offset)
        Fail(Format(u"%s lies outside the file (offset %s, %d bytes)", {what, Hex(offset), IntToStr(int64_t(count))}));
    std::string bytes(size_t(count), '\0');
    source.SetPosition(int64_t(offset));
    if (count) source.ReadBuffer(&bytes[0], int64_t(count));
    return bytes;
}

bool IsPowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

}  // namespace

void TPeImage::Parse()
{
    FFileSize = FSource->Size();
    if (FFileSize < int64_t(kDosHeaderSize)) Fail(u"too small for a DOS header");
    const std::string dos = ReadAt(*FSource, FFileSize, 0, kDosHeaderSize, u"DOS header");
    if (dos[0] != 'M' || dos[1] != 'Z') Fail(u"no MZ signature");
    FPeOffset = Get32(&dos[kLfanewOffset]);
    if (FPeOffset < 4 || uint64_t(FPeOffset) + 4 + kCoffHeaderSize > uint64_t(FFileSize))
        Fail(u"the PE header offset " + Hex(FPeOffset) + u" lies outside the file");

    const std::string coff = ReadAt(*FSource, FFileSize, FPeOffset, 4 + kCoffHeaderSize, u"COFF header");
    if (coff.compare(0, 4, std::string("PE\0\0", 4)) != 0) Fail(u"no PE signature");
    FMachine = Get16(&coff[4]);
    const uint16_t sectionCount = Get16(&coff[kCoffNumberOfSections]);
    FPointerToSymbolTable = Get32(&coff[kCoffPointerToSymbolTable]);
    FNumberOfSymbols = Get32(&coff[kCoffNumberOfSymbols]);
    const uint16_t optionalSize = Get16(&coff[kCoffSizeOfOptionalHeader]);
    if (sectionCount == 0 || sectionCount > kMaxSections)
        Fail(u"unusable number of sections " + IntToStr(sectionCount));

    FOptionalOffset = FPeOffset + 4 + kCoffHeaderSize;
    if (optionalSize < 2) Fail(u"no optional header");
    const std::string opt = ReadAt(*FSource, FFileSize, FOptionalOffset, optionalSize, u"optional header");
    const uint16_t magic = Get16(&opt[0]);
    if (magic != kMagicPe32 && magic != kMagicPe32Plus) Fail(u"unknown optional header magic " + Hex(magic));
    FIs64 = magic == kMagicPe32Plus;
    const uint32_t countOffset = FIs64 ? kOptNumberOfRvaAndSizes64 : kOptNumberOfRvaAndSizes32;
    if (optionalSize < countOffset + 4) Fail(u"optional header too small");
    FSectionAlignment = Get32(&opt[kOptSectionAlignment]);
    FFileAlignment = Get32(&opt[kOptFileAlignment]);
    FSizeOfHeaders = Get32(&opt[kOptSizeOfHeaders]);
    FCheckSum = Get32(&opt[kOptCheckSum]);
    if (!IsPowerOfTwo(FFileAlignment) || !IsPowerOfTwo(FSectionAlignment) || FSectionAlignment < FFileAlignment ||
        FFileAlignment > 0x10000)
        Fail(u"unusable file or section alignment");
    const uint32_t dirCount = std::min<uint32_t>(Get32(&opt[countOffset]), kMaxDirectories);
    if (countOffset + 4 + uint64_t(dirCount) * 8 > optionalSize) Fail(u"data directories exceed the optional header");
    FDirectories.clear();
    for (uint32_t i = 0; i < dirCount; ++i) {
        const char* d = &opt[countOffset + 4 + i * 8];
        FDirectories.emplace_back(Get32(d), Get32(d + 4));
    }

    FSectionTableOffset = FOptionalOffset + optionalSize;
    const uint64_t tableEnd = uint64_t(FSectionTableOffset) + uint64_t(sectionCount) * kSectionHeaderSize;
    if (tableEnd > uint64_t(FFileSize)) Fail(u"the section table runs past the end of the file");
    if (tableEnd > FSizeOfHeaders || FSizeOfHeaders > uint64_t(FFileSize))
        Fail(u"the headers size does not cover the section table or exceeds the file");
    const std::string table =
        ReadAt(*FSource, FFileSize, FSectionTableOffset, tableEnd - FSectionTableOffset, u"section table");
    FSections.clear();
    uint64_t previousEnd = 0;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const char* h = &table[size_t(i) * kSectionHeaderSize];
        TPeSection s;
        s.Name.assign(h, strnlen(h, 8));
        s.VirtualSize = Get32(h + 8);
        s.VirtualAddress = Get32(h + 12);
        s.SizeOfRawData = Get32(h + 16);
        s.PointerToRawData = Get32(h + 20);
        s.Characteristics = Get32(h + 36);
        if (s.SizeOfRawData && (uint64_t(s.PointerToRawData) + s.SizeOfRawData > uint64_t(FFileSize) ||
                                s.PointerToRawData < FSizeOfHeaders))
            Fail(u"the data of section " + IntToStr(i) + u" lies outside the file or in the headers");
        const uint64_t extent = std::max(s.VirtualSize, s.SizeOfRawData);
        if (s.VirtualAddress < previousEnd || s.VirtualAddress % FSectionAlignment)
            Fail(u"section " + IntToStr(i) + u" overlaps its predecessor or is not aligned");
        previousEnd = AlignUp(uint64_t(s.VirtualAddress) + extent, FSectionAlignment);
        if (previousEnd > 0xFFFFFFFFu) Fail(u"the image exceeds 4 GB");
        FSections.push_back(s);
    }
    ParseResources();
}

namespace {

// The resource tree as read: bounds of the section that holds it and a guard against shared or
// looping directories.
class TTreeReader {
public:
    TTreeReader(TStream& source, int64_t fileSize, const std::vector<TPeSection>& sections, uint32_t baseRva)
        : FSource(source), FFileSize(fileSize), FSections(sections), FBaseRva(baseRva)
    {}

    // File offset of [rva, rva + size) when it lies in one section's file data.
    uint64_t MapRva(uint32_t rva, uint64_t size, const char16_t* what) const
    {
        for (const auto& s : FSections) {
            const uint64_t mapped = s.VirtualSize ? std::min(s.VirtualSize, s.SizeOfRawData) : s.SizeOfRawData;
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < mapped) {
                if (size > mapped - (rva - s.VirtualAddress)) break;
                return uint64_t(s.PointerToRawData) + (rva - s.VirtualAddress);
            }
        }
        Fail(Format(u"%s at RVA %s (%d bytes) lies outside the sections' file data",
                    {what, Hex(rva), IntToStr(int64_t(size))}));
    }

    std::string ReadTree(uint32_t offset, uint32_t size, const char16_t* what) const
    {
        if (uint64_t(FBaseRva) + offset + size > 0xFFFFFFFFu) Fail(std::u16string(what) + u" outside the image");
        return ReadAt(FSource, FFileSize, MapRva(FBaseRva + offset, size, what), size, what);
    }

    TResourceId ReadId(uint32_t nameField) const
    {
        if (!(nameField & kResHighBit)) {
            if (nameField > 0xFFFF) Fail(u"resource ID above 65535");
            return TResourceId(uint16_t(nameField));
        }
        const uint32_t offset = nameField & ~kResHighBit;
        const uint16_t length = Get16(ReadTree(offset, 2, u"resource name").data());
        if (length == 0) Fail(u"empty resource name");
        const std::string raw = ReadTree(offset + 2, uint32_t(length) * 2, u"resource name");
        std::u16string name(length, u'\0');
        for (uint16_t i = 0; i < length; ++i) name[i] = char16_t(Get16(&raw[size_t(i) * 2]));
        return TResourceId::RawName(name);
    }

    // The entries of the directory at offset: (id, field with the subdirectory or data entry offset).
    std::vector<std::pair<TResourceId, uint32_t>> ReadDirectory(uint32_t offset)
    {
        if (!FVisited.insert(offset).second) Fail(u"resource directory loop or shared directory at " + Hex(offset));
        const std::string header = ReadTree(offset, kResDirHeaderSize, u"resource directory");
        const uint32_t count = uint32_t(Get16(&header[12])) + Get16(&header[14]);
        const std::string raw = ReadTree(offset + kResDirHeaderSize, count * kResDirEntrySize, u"resource directory");
        FTotalEntries += count;
        if (FTotalEntries > 1000000) Fail(u"too many resource entries");
        std::vector<std::pair<TResourceId, uint32_t>> entries;
        for (uint32_t i = 0; i < count; ++i) {
            const char* e = &raw[size_t(i) * kResDirEntrySize];
            entries.emplace_back(ReadId(Get32(e)), Get32(e + 4));
        }
        return entries;
    }

private:
    TStream& FSource;
    int64_t FFileSize;
    const std::vector<TPeSection>& FSections;
    uint32_t FBaseRva;
    std::set<uint32_t> FVisited;
    uint64_t FTotalEntries = 0;
};

}  // namespace

void TPeImage::ParseResources()
{
    FResources.clear();
    FResourceSection = -1;
    if (FDirectories.size() <= kDirResource || FDirectories[kDirResource].first == 0) return;
    const uint32_t base = FDirectories[kDirResource].first;
    for (size_t i = 0; i < FSections.size(); ++i) {
        const auto& s = FSections[i];
        if (base >= s.VirtualAddress && base - s.VirtualAddress < std::max(s.VirtualSize, s.SizeOfRawData))
            FResourceSection = int(i);
    }
    if (FResourceSection < 0) Fail(u"the resource directory lies in no section");

    TTreeReader tree(*FSource, FFileSize, FSections, base);
    // Exactly three levels, type, name and language, as the loader expects: a subdirectory below the
    // language level or a data entry above it is malformed, which also ends any loop.
    for (const auto& [type, typeField] : tree.ReadDirectory(0)) {
        if (!(typeField & kResHighBit)) Fail(u"resource type entry without a directory");
        for (const auto& [name, nameField] : tree.ReadDirectory(typeField & ~kResHighBit)) {
            if (!(nameField & kResHighBit)) Fail(u"resource name entry without a directory");
            for (const auto& [lang, langField] : tree.ReadDirectory(nameField & ~kResHighBit)) {
                if (lang.IsName()) Fail(u"resource language given as a name");
                if (langField & kResHighBit) Fail(u"resource directory nested deeper than three levels");
                const std::string dataEntry = tree.ReadTree(langField, kResDataEntrySize, u"resource data entry");
                TEntry entry;
                entry.FromFile = true;
                entry.Size = Get32(&dataEntry[4]);
                entry.CodePage = Get32(&dataEntry[8]);
                entry.FileOffset = uint32_t(tree.MapRva(Get32(&dataEntry[0]), uint64_t(entry.Size), u"resource data"));
                const TResourceKey key{type, name, lang.Id()};
                if (!FResources.emplace(key, std::move(entry)).second)
                    Fail(u"duplicate resource " + type.ToString() + u"/" + name.ToString());
            }
        }
    }
}

// ---- TPeImage: the resource list ------------------------------------------------------------

std::vector<TResourceInfo> TPeImage::Resources() const
{
    std::vector<TResourceInfo> list;
    for (const auto& [key, entry] : FResources) list.push_back({key, entry.Size, entry.CodePage});
    return list;
}

bool TPeImage::HasResource(const TResourceKey& key) const { return FResources.count(key) != 0; }

const TPeImage::TEntry& TPeImage::Find(const TResourceKey& key) const
{
    const auto it = FResources.find(key);
    if (it == FResources.end())
        throw EResNotFound(Format(u"Resource %s not found",
                                  {key.Type.ToString() + u"/" + key.Name.ToString() + u"/" + IntToStr(key.Language)}));
    return it->second;
}

void TPeImage::WriteEntryData(const TEntry& entry, TStream& output) const
{
    if (!entry.FromFile) {
        entry.Data.WriteTo(output);
        return;
    }
    std::string buffer(size_t(std::min<int64_t>(entry.Size, 1 << 20)), '\0');
    for (int64_t done = 0; done < entry.Size;) {
        const int64_t n = std::min<int64_t>(entry.Size - done, int64_t(buffer.size()));
        FSource->SetPosition(int64_t(entry.FileOffset) + done);
        FSource->ReadBuffer(&buffer[0], n);
        output.WriteBuffer(buffer.data(), n);
        done += n;
    }
}

std::string TPeImage::ReadResource(const TResourceKey& key) const
{
    TMemoryStream out;
    WriteEntryData(Find(key), out);
    return out.ToString();
}

void TPeImage::ReadResourceTo(const TResourceKey& key, TStream& output) const { WriteEntryData(Find(key), output); }

void TPeImage::SetResource(const TResourceKey& key, TResourceData data)
{
    TEntry entry;
    entry.Size = data.Size();
    entry.Data = std::move(data);
    FResources[key] = std::move(entry);
}

bool TPeImage::RemoveResource(const TResourceKey& key) { return FResources.erase(key) != 0; }

void TPeImage::SetMainIcon(const std::string& png)
{
    // Explorer shows the first icon group of the tree; take its place.
    TResourceKey group{TResourceId(RT_GROUP_ICON_ID), TResourceId(1), 0};
    std::set<uint16_t> oldIcons;
    for (const auto& [key, entry] : FResources) {
        if (key.Type != TResourceId(RT_GROUP_ICON_ID)) continue;
        group = key;
        const std::string dir = ReadResource(key);
        const size_t count = dir.size() >= 6 ? Get16(&dir[4]) : 0;
        for (size_t i = 0; i < count && 6 + (i + 1) * 14 <= dir.size(); ++i)
            oldIcons.insert(Get16(&dir[6 + i * 14 + 12]));
        break;
    }
    FResources.erase(group);
    // Icons that another group still shows stay.
    for (const auto& [key, entry] : FResources) {
        if (key.Type != TResourceId(RT_GROUP_ICON_ID)) continue;
        const std::string dir = ReadResource(key);
        const size_t count = dir.size() >= 6 ? Get16(&dir[4]) : 0;
        for (size_t i = 0; i < count && 6 + (i + 1) * 14 <= dir.size(); ++i)
            oldIcons.erase(Get16(&dir[6 + i * 14 + 12]));
    }
    for (auto it = FResources.begin(); it != FResources.end();) {
        const bool drop = it->first.Type == TResourceId(RT_ICON_ID) && !it->first.Name.IsName() &&
                          oldIcons.count(it->first.Name.Id());
        it = drop ? FResources.erase(it) : std::next(it);
    }
    std::set<uint16_t> used;
    for (const auto& [key, entry] : FResources)
        if (key.Type == TResourceId(RT_ICON_ID) && !key.Name.IsName()) used.insert(key.Name.Id());
    uint16_t iconId = 1;
    while (used.count(iconId)) ++iconId;
    TIconResources icon = BuildIconResources(png, iconId);
    SetResource({TResourceId(RT_ICON_ID), TResourceId(iconId), group.Language}, std::move(icon.Icon));
    SetResource(group, std::move(icon.GroupIcon));
}
