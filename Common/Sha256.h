// SHA-256: content keys of file bodies in the builder (identical content gives the same key), and
// the check that a downloaded package is still the bytes that were written.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class TSha256 {
public:
    TSha256();
    void Update(const void* data, size_t size);
    std::array<uint8_t, 32> Final();

    static std::array<uint8_t, 32> Of(const void* data, size_t size);

private:
    void Block(const uint8_t* p);

    uint32_t FState[8];
    uint8_t FBuffer[64];
    size_t FBuffered = 0;
    uint64_t FLength = 0;
};
