// Resources of Windows executables, read and written on any platform: parses a PE32 or PE32+ image,
// lists and reads its resource tree, and writes a copy whose resource section holds a new tree (the
// stub's own resources plus the package). Large resources stream from their source to the output.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LuExceptions.h"

class TStream;

// Malformed or hostile executables, and images that cannot take the requested change.
LU_DECLARE_EXCEPTION(EPeFormatError, Exception);

// Resource types used here (the numbers of the Windows resource compiler).
enum : uint16_t {
    RT_ICON_ID = 3,
    RT_RCDATA_ID = 10,
    RT_GROUP_ICON_ID = 14,
    RT_VERSION_ID = 16,
    RT_MANIFEST_ID = 24,
};

// A resource type or name: a 16-bit ID or a string. Strings are kept upper-case, as the resource
// compiler stores them, because FindResource upper-cases the name it is given before the lookup.
class TResourceId {
public:
    TResourceId() = default;
    TResourceId(uint16_t id) : FId(id) {}  // NOLINT: implicit on purpose, IDs read like numbers
    TResourceId(std::u16string name);      // upper-cased; raises EPeFormatError for "" or > 65535 chars
    TResourceId(const char16_t* name) : TResourceId(std::u16string(name)) {}

    bool IsName() const { return FIsName; }
    uint16_t Id() const { return FId; }
    const std::u16string& Name() const { return FName; }
    // "#10" for IDs, the name otherwise.
    std::u16string ToString() const;

    // Tree order: names first, compared by UTF-16 code unit, then IDs ascending.
    bool operator<(const TResourceId& other) const;
    bool operator==(const TResourceId& other) const;
    bool operator!=(const TResourceId& other) const { return !(*this == other); }

    // A name exactly as found in a file (not upper-cased again).
    static TResourceId RawName(std::u16string name);

private:
    bool FIsName = false;
    uint16_t FId = 0;
    std::u16string FName;
};

// Where a resource's bytes come from: held in memory, or a size plus a writer that puts exactly that
// many bytes into the output stream (a payload copied from a temporary file, never held whole).
class TResourceData {
public:
    using TWriter = std::function<void(TStream& output)>;

    TResourceData() = default;
    TResourceData(std::string bytes);  // NOLINT: bytes are the common case
    TResourceData(int64_t size, TWriter writer);
    // Streams count bytes from the source's current position when the image is written; the
    // source must outlive the write.
    static TResourceData FromStream(TStream& source, int64_t count);

    int64_t Size() const { return FSize; }
    bool IsStreamed() const { return bool(FWriter); }
    const std::string& Bytes() const { return FBytes; }  // empty for streamed data
    // Writes the data; raises EPeFormatError when a writer delivers another number of bytes.
    void WriteTo(TStream& output) const;

private:
    std::string FBytes;
    int64_t FSize = 0;
    TWriter FWriter;
};

struct TResourceKey {
    TResourceId Type;
    TResourceId Name;
    uint16_t Language = 0;

    bool operator<(const TResourceKey& other) const;
    bool operator==(const TResourceKey& other) const;
};

struct TResourceInfo {
    TResourceKey Key;
    int64_t Size = 0;
    uint32_t CodePage = 0;
};

struct TPeSection {
    std::string Name;  // up to 8 bytes as stored (a "/4" long-name reference stays as it is)
    uint32_t VirtualSize = 0;
    uint32_t VirtualAddress = 0;
    uint32_t SizeOfRawData = 0;
    uint32_t PointerToRawData = 0;
    uint32_t Characteristics = 0;
};

// A parsed executable. Reads lazily from its source stream, so listing and extracting the resources of
// a 200 MB installer does not load it; only the headers and the resource tree are held.
class TPeImage {
public:
    // Parses bytes (held by the image).
    explicit TPeImage(std::string bytes);
    // Parses a stream, which must stay alive and unchanged as long as the image is used.
    explicit TPeImage(TStream& source);
    ~TPeImage();
    TPeImage(const TPeImage&) = delete;
    TPeImage& operator=(const TPeImage&) = delete;

    bool Is64() const { return FIs64; }
    uint16_t Machine() const { return FMachine; }
    const std::vector<TPeSection>& Sections() const { return FSections; }
    uint32_t FileAlignment() const { return FFileAlignment; }
    uint32_t SectionAlignment() const { return FSectionAlignment; }
    uint32_t CheckSum() const { return FCheckSum; }

    // The resources in tree order: the file's own, changed by SetResource and RemoveResource.
    std::vector<TResourceInfo> Resources() const;
    bool HasResource(const TResourceKey& key) const;
    // A resource's bytes; EResNotFound "Resource %s not found" when absent.
    std::string ReadResource(const TResourceKey& key) const;
    // The same into a stream, in chunks.
    void ReadResourceTo(const TResourceKey& key, TStream& output) const;

    // Adds or replaces a resource.
    void SetResource(const TResourceKey& key, TResourceData data);
    bool RemoveResource(const TResourceKey& key);

    // Makes png the executable's own icon: replaces the first icon group of the tree (keeping its name,
    // so the stub's LoadIcon finds the new icon) and the icons only it used, or adds group 1.
    void SetMainIcon(const std::string& png);

    // Writes the executable with the current resources to a seekable stream from its position 0:
    // a rebuilt resource section placed last, headers fixed, certificate table and overlay dropped,
    // checksum recomputed.
    void Write(TStream& output) const;

private:
    struct TEntry {
        TResourceData Data;       // set for new resources
        uint32_t FileOffset = 0;  // the file's own resources: where the bytes are
        int64_t Size = 0;
        uint32_t CodePage = 0;
        bool FromFile = false;
    };
    void Parse();
    void ParseResources();
    void WriteEntryData(const TEntry& entry, TStream& output) const;
    const TEntry& Find(const TResourceKey& key) const;

    std::unique_ptr<TStream> FOwned;
    TStream* FSource = nullptr;
    int64_t FFileSize = 0;
    bool FIs64 = false;
    uint16_t FMachine = 0;
    uint32_t FPeOffset = 0;
    uint32_t FOptionalOffset = 0;
    uint32_t FSectionTableOffset = 0;
    uint32_t FSizeOfHeaders = 0;
    uint32_t FFileAlignment = 0;
    uint32_t FSectionAlignment = 0;
    uint32_t FCheckSum = 0;
    uint32_t FPointerToSymbolTable = 0;
    uint32_t FNumberOfSymbols = 0;
    std::vector<std::pair<uint32_t, uint32_t>> FDirectories;  // RVA (file offset for security), size
    std::vector<TPeSection> FSections;
    int FResourceSection = -1;
    std::map<TResourceKey, TEntry> FResources;

    friend class TPeWriter;
};

// RT_ICON and RT_GROUP_ICON data that make one PNG an icon (Windows Vista and later read PNG icons).
struct TIconResources {
    std::string Icon;       // the PNG as it is
    std::string GroupIcon;  // GRPICONDIR with one entry pointing to the icon's ID
    uint32_t Width = 0;     // from IHDR, 1..256
    uint32_t Height = 0;
};
// Raises EPeFormatError when png is no PNG or larger than 256 x 256.
TIconResources BuildIconResources(const std::string& png, uint16_t iconId = 1);

struct TVersionFields {
    uint16_t FileVersion[4] = {0, 0, 0, 0};
    uint16_t ProductVersion[4] = {0, 0, 0, 0};
    std::u16string CompanyName;
    std::u16string FileDescription;
    std::u16string FileVersionText;     // "" gives "a.b.c.d" from FileVersion
    std::u16string ProductVersionText;  // "" gives "a.b.c.d" from ProductVersion
    std::u16string LegalCopyright;
    std::u16string ProductName;
    std::u16string OriginalFilename;  // left out when empty
};
// A VS_VERSIONINFO block for RT_VERSION ID 1: fixed info of an application and the strings of
// language 0409 (US English), code page 1200 (UTF-16), with the matching Translation.
std::string BuildVersionInfo(const TVersionFields& fields);
// Parses "1.2.3.4" (missing parts 0); raises EPeFormatError for text that is no such version.
void ParseVersion(const std::u16string& text, uint16_t (&parts)[4]);
