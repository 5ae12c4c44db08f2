// Internal to the PE resource library: offsets of the PE/COFF headers we touch and little-endian
// access to byte buffers. Layout from the PE/COFF format documentation.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace pe {

constexpr uint32_t kDosHeaderSize = 64;
constexpr uint32_t kLfanewOffset = 0x3C;
constexpr uint32_t kCoffHeaderSize = 20;  // after the 4-byte signature
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kMaxSections = 96;  // the loader's limit

// COFF header fields, relative to the signature.
constexpr uint32_t kCoffNumberOfSections = 4 + 2;
constexpr uint32_t kCoffPointerToSymbolTable = 4 + 8;
constexpr uint32_t kCoffNumberOfSymbols = 4 + 12;
constexpr uint32_t kCoffSizeOfOptionalHeader = 4 + 16;

// Optional header fields, relative to its start; the same in PE32 and PE32+ up to CheckSum.
constexpr uint32_t kOptSizeOfInitializedData = 8;
constexpr uint32_t kOptSectionAlignment = 32;
constexpr uint32_t kOptFileAlignment = 36;
constexpr uint32_t kOptSizeOfImage = 56;
constexpr uint32_t kOptSizeOfHeaders = 60;
constexpr uint32_t kOptCheckSum = 64;
constexpr uint32_t kOptNumberOfRvaAndSizes32 = 92;
constexpr uint32_t kOptNumberOfRvaAndSizes64 = 108;

constexpr unsigned kDirSecurity = 4;  // holds a file offset, not an RVA
constexpr unsigned kDirResource = 2;
constexpr unsigned kDirBaseReloc = 5;
constexpr unsigned kMaxDirectories = 16;

constexpr uint32_t kScnInitializedData = 0x00000040;
constexpr uint32_t kScnDiscardable = 0x02000000;
constexpr uint32_t kScnMemRead = 0x40000000;

constexpr uint32_t kResDirHeaderSize = 16;
constexpr uint32_t kResDirEntrySize = 8;
constexpr uint32_t kResDataEntrySize = 16;
constexpr uint32_t kResHighBit = 0x80000000u;

inline uint16_t Get16(const void* p)
{
    const auto* b = static_cast<const uint8_t*>(p);
    return uint16_t(b[0] | (b[1] << 8));
}
inline uint32_t Get32(const void* p)
{
    const auto* b = static_cast<const uint8_t*>(p);
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}
inline void Put16(void* p, uint16_t v)
{
    auto* b = static_cast<uint8_t*>(p);
    b[0] = uint8_t(v);
    b[1] = uint8_t(v >> 8);
}
inline void Put32(void* p, uint32_t v)
{
    auto* b = static_cast<uint8_t*>(p);
    for (int i = 0; i < 4; ++i) b[i] = uint8_t(v >> (8 * i));
}
inline void Append16(std::string& s, uint16_t v)
{
    char b[2];
    Put16(b, v);
    s.append(b, 2);
}
inline void Append32(std::string& s, uint32_t v)
{
    char b[4];
    Put32(b, v);
    s.append(b, 4);
}
inline uint64_t AlignUp(uint64_t value, uint64_t alignment) { return (value + alignment - 1) / alignment * alignment; }

}  // namespace pe
