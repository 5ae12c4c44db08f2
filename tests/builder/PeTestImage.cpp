#include "PeTestImage.h"

#include <stdexcept>

std::string TestOutputPath(const std::string& name) { return std::string(LUSETUP_PE_OUTPUT) + "/" + name; }

uint16_t Le16(const std::string& s, size_t at) { return uint16_t(uint8_t(s.at(at)) | (uint8_t(s.at(at + 1)) << 8)); }

uint32_t Le32(const std::string& s, size_t at) { return uint32_t(Le16(s, at)) | (uint32_t(Le16(s, at + 2)) << 16); }

void SetLe16(std::string& s, size_t at, uint16_t v)
{
    s.at(at) = char(v & 0xFF);
    s.at(at + 1) = char(v >> 8);
}

void SetLe32(std::string& s, size_t at, uint32_t v)
{
    SetLe16(s, at, uint16_t(v));
    SetLe16(s, at + 2, uint16_t(v >> 16));
}

uint32_t TestOptionalOffset() { return kTestPeOffset + 24; }

uint32_t TestSectionTableOffset(bool is64) { return TestOptionalOffset() + (is64 ? 240 : 224); }

uint32_t TestRawOffset(const TTestImage& image, size_t section)
{
    uint32_t raw = 0x400;
    for (size_t i = 0; i < section; ++i) raw += uint32_t((image.Sections[i].Data.size() + 0x1FF) / 0x200 * 0x200);
    return raw;
}

std::string MakeTestImage(const TTestImage& image)
{
    std::string f(0x400, '\0');
    f[0] = 'M';
    f[1] = 'Z';
    SetLe32(f, 0x3C, kTestPeOffset);
    f.replace(kTestPeOffset, 4, std::string("PE\0\0", 4));
    const size_t coff = kTestPeOffset + 4;
    SetLe16(f, coff, image.Is64 ? 0x8664 : 0x14C);
    SetLe16(f, coff + 2, uint16_t(image.Sections.size()));
    SetLe16(f, coff + 16, image.Is64 ? 240 : 224);
    SetLe16(f, coff + 18, image.Is64 ? 0x22 : 0x102);
    const size_t opt = TestOptionalOffset();
    SetLe16(f, opt, image.Is64 ? 0x20B : 0x10B);
    SetLe32(f, opt + 16, 0x1000);  // entry point
    SetLe32(f, opt + 32, 0x1000);
    SetLe32(f, opt + 36, 0x200);
    SetLe16(f, opt + 40, 6);  // OS version
    SetLe16(f, opt + 48, 6);  // subsystem version
    SetLe32(f, opt + 56, uint32_t(0x1000 * (image.Sections.size() + 1)));
    SetLe32(f, opt + 60, 0x400);
    SetLe16(f, opt + 68, 3);  // console
    const size_t dirs = opt + (image.Is64 ? 112 : 96);
    SetLe32(f, dirs - 4, 16);
    if (image.ResourceSection >= 0) {
        SetLe32(f, dirs + 2 * 8, uint32_t(0x1000 * (image.ResourceSection + 1)));
        SetLe32(f, dirs + 2 * 8 + 4, uint32_t(image.Sections[size_t(image.ResourceSection)].Data.size()));
    }
    if (image.RelocSection >= 0) {
        SetLe32(f, dirs + 5 * 8, uint32_t(0x1000 * (image.RelocSection + 1)));
        SetLe32(f, dirs + 5 * 8 + 4, uint32_t(image.Sections[size_t(image.RelocSection)].Data.size()));
    }
    for (size_t i = 0; i < image.Sections.size(); ++i) {
        const auto& s = image.Sections[i];
        if (s.Data.size() > 0x1000) throw std::logic_error("test section too large");
        const size_t h = TestSectionTableOffset(image.Is64) + i * 40;
        f.replace(h, std::min<size_t>(s.Name.size(), 8), s.Name.substr(0, 8));
        SetLe32(f, h + 8, uint32_t(s.Data.size()));
        SetLe32(f, h + 12, uint32_t(0x1000 * (i + 1)));
        const uint32_t rawSize = uint32_t((s.Data.size() + 0x1FF) / 0x200 * 0x200);
        SetLe32(f, h + 16, rawSize);
        SetLe32(f, h + 20, rawSize ? TestRawOffset(image, i) : 0);
        SetLe32(f, h + 36, s.Characteristics);
        std::string raw = s.Data;
        raw.resize(rawSize, '\0');
        f += raw;
    }
    if (image.OverlayIsCertificate) {
        SetLe32(f, dirs + 4 * 8, uint32_t(f.size()));
        SetLe32(f, dirs + 4 * 8 + 4, uint32_t(image.Overlay.size()));
    }
    f += image.Overlay;
    return f;
}

std::string MakeOneResourceTree(uint32_t rva, uint16_t type, uint16_t id, const std::string& data)
{
    std::string t(0x58, '\0');
    SetLe16(t, 0x0E, 1);  // root: one ID entry
    SetLe32(t, 0x10, type);
    SetLe32(t, 0x14, 0x80000018);
    SetLe16(t, 0x18 + 0x0E, 1);
    SetLe32(t, 0x18 + 0x10, id);
    SetLe32(t, 0x18 + 0x14, 0x80000030);
    SetLe16(t, 0x30 + 0x0E, 1);
    SetLe32(t, 0x30 + 0x10, 0);  // language neutral
    SetLe32(t, 0x30 + 0x14, 0x48);
    SetLe32(t, 0x48, rva + 0x58);
    SetLe32(t, 0x4C, uint32_t(data.size()));
    return t + data;
}

TTestImage StubLikeImage(bool is64)
{
    TTestImage image;
    image.Is64 = is64;
    image.Sections.push_back({".text", std::string(0x300, '\xC3'), 0x60000020});
    image.Sections.push_back({".rsrc", MakeOneResourceTree(0x2000, 10, 7, "own resource")});
    std::string reloc;
    for (int i = 0; i < 40; ++i) reloc += char(i * 7 + 1);
    image.Sections.push_back({".reloc", reloc, 0x42000040});
    image.ResourceSection = 1;
    image.RelocSection = 2;
    return image;
}

uint32_t TestPeChecksum(const std::string& file, uint32_t checksumOffset)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        if (i == checksumOffset || i == checksumOffset + 2) continue;
        uint32_t word = uint8_t(file[i]);
        if (i + 1 < file.size()) word |= uint32_t(uint8_t(file[i + 1])) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return sum + uint32_t(file.size());
}

TTestHeaders ReadTestHeaders(const std::string& file)
{
    TTestHeaders h;
    const uint32_t pe = Le32(file, 0x3C);
    const uint16_t count = Le16(file, pe + 6);
    h.PointerToSymbolTable = Le32(file, pe + 12);
    h.NumberOfSymbols = Le32(file, pe + 16);
    const uint16_t optSize = Le16(file, pe + 20);
    h.OptionalOffset = pe + 24;
    h.Is64 = Le16(file, h.OptionalOffset) == 0x20B;
    h.SizeOfInitializedData = Le32(file, h.OptionalOffset + 8);
    h.SizeOfImage = Le32(file, h.OptionalOffset + 56);
    h.SizeOfHeaders = Le32(file, h.OptionalOffset + 60);
    h.CheckSum = Le32(file, h.OptionalOffset + 64);
    const size_t dirs = h.OptionalOffset + (h.Is64 ? 112 : 96);
    for (uint32_t i = 0; i < Le32(file, dirs - 4) && i < 16; ++i)
        h.Directories.emplace_back(Le32(file, dirs + i * 8), Le32(file, dirs + i * 8 + 4));
    for (uint16_t i = 0; i < count; ++i) {
        const size_t s = h.OptionalOffset + optSize + i * 40u;
        TTestSectionHeader sh;
        sh.Name = file.substr(s, 8);
        sh.Name.resize(sh.Name.find('\0') == std::string::npos ? 8 : sh.Name.find('\0'));
        sh.VirtualSize = Le32(file, s + 8);
        sh.VirtualAddress = Le32(file, s + 12);
        sh.SizeOfRawData = Le32(file, s + 16);
        sh.PointerToRawData = Le32(file, s + 20);
        sh.Characteristics = Le32(file, s + 36);
        h.Sections.push_back(sh);
    }
    return h;
}

std::vector<std::pair<uint32_t, uint32_t>> TestResourceDataEntries(const std::string& file)
{
    const TTestHeaders h = ReadTestHeaders(file);
    const uint32_t rva = h.Directories.at(2).first;
    size_t base = 0;
    for (const auto& s : h.Sections)
        if (s.VirtualAddress == rva) base = s.PointerToRawData;
    if (!base) throw std::logic_error("no resource section");
    std::vector<std::pair<uint32_t, uint32_t>> out;
    auto entries = [&](uint32_t dir) {
        std::vector<uint32_t> e;
        const uint32_t n = uint32_t(Le16(file, base + dir + 12)) + Le16(file, base + dir + 14);
        for (uint32_t i = 0; i < n; ++i) e.push_back(Le32(file, base + dir + 16 + i * 8 + 4));
        return e;
    };
    for (uint32_t t : entries(0))
        for (uint32_t n : entries(t & 0x7FFFFFFF))
            for (uint32_t l : entries(n & 0x7FFFFFFF)) out.emplace_back(Le32(file, base + l), Le32(file, base + l + 4));
    return out;
}
