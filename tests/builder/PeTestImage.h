// Small hand-made PE images for the resource library tests: headers, sections at known places and,
// when asked, a one-resource tree written byte by byte (independent of the library's writer).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TTestSection {
    std::string Name;
    std::string Data;                       // at most 0x1000 bytes: section i lies at RVA 0x1000 * (i + 1)
    uint32_t Characteristics = 0x40000040;  // initialised data, readable
};

struct TTestImage {
    bool Is64 = false;
    std::vector<TTestSection> Sections;
    int ResourceSection = -1;  // its Data becomes the resource directory
    int RelocSection = -1;
    std::string Overlay;  // after the last section
    bool OverlayIsCertificate = false;
};

// Fixed layout: e_lfanew 0x40, file alignment 0x200, section alignment 0x1000, headers 0x400 bytes.
constexpr uint32_t kTestPeOffset = 0x40;
uint32_t TestOptionalOffset();
uint32_t TestSectionTableOffset(bool is64);
uint32_t TestRawOffset(const TTestImage& image, size_t section);
std::string MakeTestImage(const TTestImage& image);

// A tree with one resource, type/ID/language 0, its data behind the tree, for a section at rva.
// Layout: root 0x00, type directory 0x18, name directory 0x30, data entry 0x48, data 0x58.
std::string MakeOneResourceTree(uint32_t rva, uint16_t type, uint16_t id, const std::string& data);

// A stub-like image: .text, .rsrc holding MakeOneResourceTree(RCDATA 7 "own resource"), .reloc.
TTestImage StubLikeImage(bool is64);

// The PE checksum of a whole file, computed here from the format documentation.
uint32_t TestPeChecksum(const std::string& file, uint32_t checksumOffset);

// A path in the tests' output folder.
std::string TestOutputPath(const std::string& name);

uint16_t Le16(const std::string& s, size_t at);
uint32_t Le32(const std::string& s, size_t at);
void SetLe16(std::string& s, size_t at, uint16_t v);
void SetLe32(std::string& s, size_t at, uint32_t v);

struct TTestSectionHeader {
    std::string Name;
    uint32_t VirtualSize, VirtualAddress, SizeOfRawData, PointerToRawData, Characteristics;
};
// Headers of a file as the format describes them (the test's own reading).
struct TTestHeaders {
    bool Is64 = false;
    uint32_t OptionalOffset = 0;
    uint32_t SizeOfImage = 0, SizeOfHeaders = 0, CheckSum = 0, SizeOfInitializedData = 0;
    uint32_t PointerToSymbolTable = 0, NumberOfSymbols = 0;
    std::vector<std::pair<uint32_t, uint32_t>> Directories;
    std::vector<TTestSectionHeader> Sections;
};
TTestHeaders ReadTestHeaders(const std::string& file);
// RVAs of all data entries of the resource tree, walked here.
std::vector<std::pair<uint32_t, uint32_t>> TestResourceDataEntries(const std::string& file);
