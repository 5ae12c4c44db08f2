// Writing an executable with a rebuilt resource section.
//
// Layout: the sections before the old resource section stay where they are, byte for byte. The new
// resource section takes the old one's place when only relocations or discardable sections (debug
// information) follow it, which move behind it; their content does not depend on where they lie, and
// only the base relocation directory points at them. Otherwise the new section is appended and the
// old one stays, unreferenced, because code may point into any section that follows it.
#include <algorithm>
#include <cstring>
#include <map>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "PeFormat.h"
#include "PeResources.h"

using namespace pe;

namespace {

[[noreturn]] void Fail(const std::u16string& what) { throw EPeFormatError(u"Cannot write the executable: " + what); }

// Passes writes on to the output and sums them for the PE checksum: 16-bit little-endian words
// added with end-around carry, the file length added at the end.
class TChecksumStream : public TStream {
public:
    explicit TChecksumStream(TStream& output) : FOutput(output) {}

    int64_t Read(void*, int64_t) override { throw EPeFormatError(u"The executable is written front to back"); }
    int64_t Write(const void* buffer, int64_t count) override
    {
        if (count <= 0) return 0;
        FOutput.WriteBuffer(buffer, count);
        const auto* p = static_cast<const uint8_t*>(buffer);
        for (int64_t i = 0; i < count; ++i, ++FPosition) FSum += (FPosition & 1) ? uint64_t(p[i]) << 8 : p[i];
        return count;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        if (!(offset == 0 && origin == TSeekOrigin::soCurrent) &&
            !(origin == TSeekOrigin::soBeginning && offset == FPosition))
            throw EPeFormatError(u"A resource writer may only append to the executable");
        return FPosition;
    }
    int64_t Size() override { return FPosition; }
    void SetSize(int64_t) override { throw EPeFormatError(u"A resource writer may only append to the executable"); }

    void Zeros(uint64_t count)
    {
        static const char zeros[4096] = {};
        while (count) {
            const uint64_t n = std::min<uint64_t>(count, sizeof zeros);
            WriteBuffer(zeros, int64_t(n));
            count -= n;
        }
    }
    void PadTo(uint64_t position)
    {
        if (uint64_t(FPosition) > position) throw EAssertionFailed(u"PE writer: layout overlap");
        Zeros(position - uint64_t(FPosition));
    }
    uint32_t CheckSum() const
    {
        uint64_t sum = FSum;
        while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
        return uint32_t(sum + uint64_t(FPosition));
    }

private:
    TStream& FOutput;
    int64_t FPosition = 0;
    uint64_t FSum = 0;
};

}  // namespace

// The writing of one image: plans the layout, then streams it.
class TPeWriter {
public:
    explicit TPeWriter(const TPeImage& image) : FImage(image) {}
    void Write(TStream& output);

private:
    struct TPlacedSection {
        TPeSection Header;
        int Original = -1;  // index of the section whose raw data it carries; -1 for the new one
    };
    bool TailMovable(int rsrc) const;
    uint32_t DirectoryOf(uint32_t rva) const;
    std::string BuildTree(uint32_t rva, std::vector<uint32_t>& dataOffsets, uint32_t& dataStart, uint64_t& total) const;
    void CopySource(TChecksumStream& out, uint64_t offset, uint64_t count) const;

    const TPeImage& FImage;
};

namespace {

bool Inside(uint32_t rva, const TPeSection& s)
{
    return rva >= s.VirtualAddress && rva - s.VirtualAddress < std::max(s.VirtualSize, s.SizeOfRawData);
}

}  // namespace

// True when every section after the resource section may move: it is the relocation section or
// discardable, and no directory but the relocations points into it.
bool TPeWriter::TailMovable(int rsrc) const
{
    const auto& dirs = FImage.FDirectories;
    const auto& sections = FImage.FSections;
    // The old resource section is reused only when it holds nothing else a directory points to.
    for (unsigned d = 0; d < dirs.size(); ++d) {
        if (d == kDirSecurity || d == kDirResource || dirs[d].first == 0) continue;
        for (size_t i = size_t(rsrc); i < sections.size(); ++i) {
            if (!Inside(dirs[d].first, sections[i])) continue;
            if (d != kDirBaseReloc || int(i) == rsrc) return false;
            const auto& s = sections[i];
            if (uint64_t(dirs[d].first) + dirs[d].second >
                uint64_t(s.VirtualAddress) + std::max(s.VirtualSize, s.SizeOfRawData))
                return false;
        }
    }
    if (dirs[kDirResource].first != sections[size_t(rsrc)].VirtualAddress) return false;
    for (size_t i = size_t(rsrc) + 1; i < sections.size(); ++i) {
        const bool reloc =
            dirs.size() > kDirBaseReloc && dirs[kDirBaseReloc].first && Inside(dirs[kDirBaseReloc].first, sections[i]);
        if (!reloc && !(sections[i].Characteristics & kScnDiscardable)) return false;
    }
    return true;
}

// Resource section content: directories breadth first (root, types, names), data entries, names,
// then the data, each item 8-byte aligned. dataOffsets receive each resource's offset in the section.
std::string TPeWriter::BuildTree(uint32_t rva, std::vector<uint32_t>& dataOffsets, uint32_t& dataStart,
                                 uint64_t& total) const
{
    struct TDir {
        std::vector<std::pair<TResourceId, size_t>> Entries;  // child directory or data entry index
    };
    // Group the sorted resources into directories.
    std::vector<TResourceId> types;
    std::vector<std::vector<TResourceId>> names;                // per type
    std::vector<std::vector<std::vector<uint16_t>>> languages;  // per type and name
    std::vector<int64_t> sizes;
    for (const auto& [key, entry] : FImage.FResources) {
        if (types.empty() || types.back() != key.Type) {
            types.push_back(key.Type);
            names.emplace_back();
            languages.emplace_back();
        }
        if (names.back().empty() || names.back().back() != key.Name) {
            names.back().push_back(key.Name);
            languages.back().emplace_back();
        }
        languages.back().back().push_back(key.Language);
        sizes.push_back(entry.Size);
    }
    auto dirSize = [](size_t entries) { return uint64_t(kResDirHeaderSize) + entries * kResDirEntrySize; };
    uint64_t offset = dirSize(types.size());
    std::vector<uint64_t> typeDirs, nameDirs;
    for (size_t t = 0; t < types.size(); ++t) {
        typeDirs.push_back(offset);
        offset += dirSize(names[t].size());
    }
    for (size_t t = 0; t < types.size(); ++t)
        for (size_t n = 0; n < names[t].size(); ++n) {
            nameDirs.push_back(offset);
            offset += dirSize(languages[t][n].size());
        }
    const uint64_t dataEntries = offset;
    offset += uint64_t(sizes.size()) * kResDataEntrySize;
    // Each distinct name once.
    std::map<std::u16string, uint64_t> strings;
    std::vector<std::u16string> stringOrder;
    auto addString = [&](const TResourceId& id) {
        if (!id.IsName() || !strings.emplace(id.Name(), offset).second) return;
        stringOrder.push_back(id.Name());
        offset += 2 + 2 * uint64_t(id.Name().size());
    };
    for (size_t t = 0; t < types.size(); ++t) {
        addString(types[t]);
        for (const auto& n : names[t]) addString(n);
    }
    offset = AlignUp(offset, 8);
    dataStart = uint32_t(std::min<uint64_t>(offset, 0xFFFFFFFF));
    dataOffsets.clear();
    for (int64_t size : sizes) {
        dataOffsets.push_back(uint32_t(std::min<uint64_t>(offset, 0xFFFFFFFF)));
        offset = AlignUp(offset + uint64_t(size), 8);
    }
    total = offset;
    // The loader maps the whole image: keep it well inside what a 32-bit process can address.
    if (uint64_t(rva) + total > 0x7FFF0000u) Fail(u"the resources exceed 2 GB");

    std::string tree;
    auto writeDir = [&](size_t named, size_t count) {
        Append32(tree, 0);  // characteristics
        Append32(tree, 0);  // time stamp: none, so that builds are reproducible
        Append32(tree, 0);  // version
        Append16(tree, uint16_t(named));
        Append16(tree, uint16_t(count - named));
    };
    auto idField = [&](const TResourceId& id) {
        return id.IsName() ? uint32_t(strings[id.Name()]) | kResHighBit : id.Id();
    };
    auto countNamed = [](const std::vector<TResourceId>& ids) {
        return size_t(std::count_if(ids.begin(), ids.end(), [](const TResourceId& i) { return i.IsName(); }));
    };
    if (types.size() > 0xFFFF) Fail(u"too many resource types");
    writeDir(countNamed(types), types.size());
    for (size_t t = 0; t < types.size(); ++t) {
        Append32(tree, idField(types[t]));
        Append32(tree, uint32_t(typeDirs[t]) | kResHighBit);
    }
    size_t nameIndex = 0;
    for (size_t t = 0; t < types.size(); ++t) {
        if (names[t].size() > 0xFFFF) Fail(u"too many resources of one type");
        writeDir(countNamed(names[t]), names[t].size());
        for (const auto& n : names[t]) {
            Append32(tree, idField(n));
            Append32(tree, uint32_t(nameDirs[nameIndex++]) | kResHighBit);
        }
    }
    size_t dataIndex = 0;
    for (size_t t = 0; t < types.size(); ++t)
        for (size_t n = 0; n < names[t].size(); ++n) {
            writeDir(0, languages[t][n].size());
            for (uint16_t lang : languages[t][n]) {
                Append32(tree, lang);
                Append32(tree, uint32_t(dataEntries + uint64_t(dataIndex++) * kResDataEntrySize));
            }
        }
    size_t i = 0;
    for (const auto& [key, entry] : FImage.FResources) {
        Append32(tree, rva + dataOffsets[i++]);
        Append32(tree, uint32_t(entry.Size));
        Append32(tree, entry.CodePage);
        Append32(tree, 0);
    }
    for (const auto& name : stringOrder) {
        Append16(tree, uint16_t(name.size()));
        for (char16_t c : name) Append16(tree, uint16_t(c));
    }
    tree.resize(dataStart, '\0');
    return tree;
}

void TPeWriter::CopySource(TChecksumStream& out, uint64_t offset, uint64_t count) const
{
    std::string buffer(size_t(std::min<uint64_t>(count, 1 << 20)), '\0');
    for (uint64_t done = 0; done < count;) {
        const uint64_t n = std::min<uint64_t>(count - done, buffer.size());
        FImage.FSource->SetPosition(int64_t(offset + done));
        FImage.FSource->ReadBuffer(&buffer[0], int64_t(n));
        out.WriteBuffer(buffer.data(), int64_t(n));
        done += n;
    }
}

void TPeWriter::Write(TStream& output)
{
    const auto& img = FImage;
    const auto& old = img.FSections;
    const uint32_t fa = img.FFileAlignment, sa = img.FSectionAlignment;
    if (img.FDirectories.size() <= kDirResource) Fail(u"the optional header has no resource directory entry");
    auto extent = [](const TPeSection& s) { return uint64_t(std::max(s.VirtualSize, s.SizeOfRawData)); };

    // Which sections stay, where the new one goes, and which move behind it.
    const int rsrc = img.FResourceSection;
    const bool replace = rsrc >= 0 && TailMovable(rsrc);
    const size_t keptCount = replace ? size_t(rsrc) : old.size();
    std::vector<TPlacedSection> placed;
    uint64_t rawEnd = img.FSizeOfHeaders;
    uint64_t virtualEnd = AlignUp(img.FSizeOfHeaders, sa);
    for (size_t i = 0; i < keptCount; ++i) {
        placed.push_back({old[i], int(i)});
        if (old[i].SizeOfRawData)
            rawEnd = std::max<uint64_t>(rawEnd, uint64_t(old[i].PointerToRawData) + old[i].SizeOfRawData);
        virtualEnd = std::max(virtualEnd, AlignUp(old[i].VirtualAddress + extent(old[i]), sa));
    }
    if (replace)  // the kept sections' data must all lie before the new section's
        for (size_t i = size_t(rsrc); i < old.size(); ++i)
            if (old[i].SizeOfRawData && old[i].PointerToRawData < rawEnd) Fail(u"section data out of order");
    const uint32_t rsrcRva = replace ? old[size_t(rsrc)].VirtualAddress : uint32_t(virtualEnd);
    const uint64_t rsrcRaw = AlignUp(rawEnd, fa);
    const uint64_t prefixEnd = rawEnd;  // original bytes copied as they are

    std::vector<uint32_t> dataOffsets;
    uint32_t dataStart = 0;
    uint64_t rsrcSize = 0;
    const std::string tree = BuildTree(rsrcRva, dataOffsets, dataStart, rsrcSize);
    TPeSection res;
    res.Name = ".rsrc";
    res.VirtualAddress = rsrcRva;
    res.VirtualSize = uint32_t(rsrcSize);
    res.SizeOfRawData = uint32_t(AlignUp(rsrcSize, fa));
    res.PointerToRawData = uint32_t(rsrcRaw);
    res.Characteristics = kScnInitializedData | kScnMemRead;
    if (rsrcSize == 0) res.SizeOfRawData = res.PointerToRawData = 0;
    placed.push_back({res, -1});

    uint64_t nextRaw = rsrcRaw + res.SizeOfRawData;
    uint64_t nextVirtual = AlignUp(uint64_t(rsrcRva) + std::max<uint64_t>(rsrcSize, 1), sa);
    uint32_t relocRva = img.FDirectories.size() > kDirBaseReloc ? img.FDirectories[kDirBaseReloc].first : 0;
    if (replace)
        for (size_t i = size_t(rsrc) + 1; i < old.size(); ++i) {
            TPeSection s = old[i];
            if (relocRva && Inside(relocRva, old[i])) relocRva = uint32_t(relocRva - s.VirtualAddress + nextVirtual);
            s.VirtualAddress = uint32_t(nextVirtual);
            s.PointerToRawData = s.SizeOfRawData ? uint32_t(nextRaw) : 0;
            nextRaw += AlignUp(s.SizeOfRawData, fa);
            nextVirtual = AlignUp(nextVirtual + extent(s), sa);
            placed.push_back({s, int(i)});
        }
    if (nextVirtual > 0x7FFF0000u || nextRaw > 0xFFFFFFFFu) Fail(u"the image exceeds 2 GB");

    // The COFF symbol table (debuggers only) follows the sections when the linker kept one; it moves
    // along, as the names of long-named sections live in its string table. Any other overlay, such
    // as a signature, is dropped.
    uint64_t symbolsOffset = 0, symbolsSize = 0;
    if (img.FPointerToSymbolTable && img.FNumberOfSymbols < 0x10000000u) {
        uint64_t oldRawEnd = img.FSizeOfHeaders;
        for (const auto& s : old)
            if (s.SizeOfRawData)
                oldRawEnd = std::max<uint64_t>(oldRawEnd, uint64_t(s.PointerToRawData) + s.SizeOfRawData);
        const uint64_t symbols = uint64_t(img.FPointerToSymbolTable);
        const uint64_t stringsAt = symbols + uint64_t(img.FNumberOfSymbols) * 18;
        if (symbols >= oldRawEnd && stringsAt + 4 <= uint64_t(img.FFileSize)) {
            char b[4];
            img.FSource->SetPosition(int64_t(stringsAt));
            img.FSource->ReadBuffer(b, 4);
            const uint64_t stringsSize = std::max<uint32_t>(Get32(b), 4);
            if (stringsAt + stringsSize <= uint64_t(img.FFileSize)) {
                symbolsOffset = symbols;
                symbolsSize = stringsAt + stringsSize - symbols;
            }
        }
    }

    // Headers.
    if (placed.size() > kMaxSections) Fail(u"too many sections");
    const uint64_t tableEnd = uint64_t(img.FSectionTableOffset) + placed.size() * kSectionHeaderSize;
    if (tableEnd > img.FSizeOfHeaders) Fail(u"no room for another section header");
    std::string headers(img.FSizeOfHeaders, '\0');
    img.FSource->SetPosition(0);
    img.FSource->ReadBuffer(&headers[0], int64_t(headers.size()));
    char* coff = &headers[img.FPeOffset];
    char* opt = &headers[img.FOptionalOffset];
    Put16(coff + kCoffNumberOfSections, uint16_t(placed.size()));
    Put32(coff + kCoffPointerToSymbolTable, symbolsSize ? uint32_t(nextRaw) : 0);
    Put32(coff + kCoffNumberOfSymbols, symbolsSize ? img.FNumberOfSymbols : 0);
    uint64_t initialized = 0;
    for (const auto& p : placed)
        if (p.Header.Characteristics & kScnInitializedData) initialized += p.Header.SizeOfRawData;
    Put32(opt + kOptSizeOfInitializedData, uint32_t(std::min<uint64_t>(initialized, 0xFFFFFFFF)));
    Put32(opt + kOptSizeOfImage, uint32_t(nextVirtual));
    Put32(opt + kOptCheckSum, 0);
    char* dirs = opt + (img.FIs64 ? kOptNumberOfRvaAndSizes64 : kOptNumberOfRvaAndSizes32) + 4;
    Put32(dirs + kDirResource * 8, rsrcSize ? rsrcRva : 0);
    Put32(dirs + kDirResource * 8 + 4, uint32_t(rsrcSize));
    if (img.FDirectories.size() > kDirSecurity) {  // a signature would no longer match
        Put32(dirs + kDirSecurity * 8, 0);
        Put32(dirs + kDirSecurity * 8 + 4, 0);
    }
    if (img.FDirectories.size() > kDirBaseReloc) Put32(dirs + kDirBaseReloc * 8, relocRva);
    for (size_t i = 0; i < placed.size(); ++i) {
        char* h = &headers[img.FSectionTableOffset + i * kSectionHeaderSize];
        const TPeSection& s = placed[i].Header;
        if (placed[i].Original < 0 || size_t(placed[i].Original) != i || i >= old.size()) {
            std::memset(h, 0, kSectionHeaderSize);
            if (placed[i].Original >= 0) {  // a moved section keeps its header's other fields
                img.FSource->SetPosition(int64_t(img.FSectionTableOffset) +
                                         placed[i].Original * int64_t(kSectionHeaderSize));
                img.FSource->ReadBuffer(h, kSectionHeaderSize);
            } else {
                std::memcpy(h, s.Name.data(), std::min<size_t>(s.Name.size(), 8));
            }
        }
        Put32(h + 8, s.VirtualSize);
        Put32(h + 12, s.VirtualAddress);
        Put32(h + 16, s.SizeOfRawData);
        Put32(h + 20, s.PointerToRawData);
        Put32(h + 36, s.Characteristics);
    }

    // Contents.
    const int64_t base = output.Position();
    TChecksumStream out(output);
    out.WriteBuffer(headers.data(), int64_t(headers.size()));
    CopySource(out, headers.size(), prefixEnd - headers.size());
    out.PadTo(rsrcRaw);
    out.WriteBuffer(tree.data(), int64_t(tree.size()));
    size_t i = 0;
    for (const auto& [key, entry] : img.FResources) {
        out.PadTo(rsrcRaw + dataOffsets[i++]);
        img.WriteEntryData(entry, out);
    }
    out.PadTo(rsrcRaw + AlignUp(rsrcSize, fa));
    for (const auto& p : placed) {
        if (p.Original < 0 || size_t(p.Original) < keptCount || !p.Header.SizeOfRawData) continue;
        out.PadTo(p.Header.PointerToRawData);
        CopySource(out, old[size_t(p.Original)].PointerToRawData, p.Header.SizeOfRawData);
    }
    out.PadTo(nextRaw);
    if (symbolsSize) CopySource(out, symbolsOffset, symbolsSize);
    // The symbol table may end on an odd byte. Checksum tools disagree on how to count a last odd
    // byte (osslsigncode drops it, the linker and the system's own routine pad it), and a signature
    // is appended 8-byte aligned anyway: pad so that every tool computes the same sum.
    out.PadTo(AlignUp(uint64_t(out.Size()), 8));

    char sum[4];
    Put32(sum, out.CheckSum());
    output.SetPosition(base + img.FOptionalOffset + kOptCheckSum);
    output.WriteBuffer(sum, 4);
    output.Seek(0, TSeekOrigin::soEnd);
}

void TPeImage::Write(TStream& output) const { TPeWriter(*this).Write(output); }
