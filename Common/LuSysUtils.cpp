#include "LuSysUtils.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "LuExceptions.h"
#include "LuStreams.h"

namespace {

const char* const Unit = "Common\\LuSysUtils";

// Output grows in steps of this size at least; inflate never learns the final size in advance.
constexpr size_t OutputChunk = 256 * 1024;

// The whole source, read from its start.
std::vector<uint8_t> ReadWholeSource(TStream* source)
{
    source->SetPosition(0);
    const int64_t n = source->Size();
    std::vector<uint8_t> bytes(size_t(std::max<int64_t>(n, 0)));
    if (!bytes.empty()) source->ReadBuffer(bytes.data(), int64_t(bytes.size()));
    return bytes;
}

// zlib counts in uInt; larger buffers are fed in pieces.
uInt ChunkOf(size_t remaining) { return uInt(std::min<size_t>(remaining, UINT_MAX)); }

// Owns a deflate or inflate state, so that every way out releases it.
struct ZStream {
    z_stream z{};
    bool deflating = false;
    bool open = false;
    ~ZStream()
    {
        if (open) deflating ? deflateEnd(&z) : inflateEnd(&z);
    }
};

}  // namespace

void TLuSysfn::CompressStream(TStream* source, TStream* destination)
{
    LU_ASSERT(source != nullptr, Unit);
    LU_ASSERT(destination != nullptr, Unit);
    // The source is read before the destination is emptied, so both may be the same stream.
    std::vector<uint8_t> input = ReadWholeSource(source);
    destination->SetPosition(0);
    destination->SetSize(0);
    if (input.empty()) return;  // no header for empty input

    ZStream s;
    s.deflating = true;
    if (deflateInit2(&s.z, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw ECompressionError(u"Error");
    s.open = true;

    std::vector<uint8_t> output;
    const uLong bound = input.size() <= ULONG_MAX ? deflateBound(&s.z, uLong(input.size())) : 0;
    output.resize(std::max<size_t>(size_t(bound), OutputChunk));
    size_t inPos = 0, outPos = 0;
    for (;;) {
        if (outPos == output.size()) output.resize(output.size() + std::max(OutputChunk, output.size() / 2));
        s.z.next_in = input.data() + inPos;
        s.z.avail_in = ChunkOf(input.size() - inPos);
        s.z.next_out = output.data() + outPos;
        s.z.avail_out = ChunkOf(output.size() - outPos);
        const uInt inBefore = s.z.avail_in, outBefore = s.z.avail_out;
        const bool lastInput = inPos + inBefore == input.size();
        const int rc = deflate(&s.z, lastInput ? Z_FINISH : Z_NO_FLUSH);
        inPos += inBefore - s.z.avail_in;
        outPos += outBefore - s.z.avail_out;
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) throw ECompressionError(u"Error");
    }
    destination->WriteBuffer(output.data(), int64_t(outPos));
}

void TLuSysfn::DecompressStream(TStream* source, TStream* destination)
{
    LU_ASSERT(source != nullptr, Unit);
    LU_ASSERT(destination != nullptr, Unit);
    std::vector<uint8_t> input = ReadWholeSource(source);
    destination->SetPosition(0);
    destination->SetSize(0);
    if (input.empty()) return;

    ZStream s;
    if (inflateInit(&s.z) != Z_OK) throw EDecompressionError(u"Error");
    s.open = true;

    // Nothing in the data is trusted about the inflated size: the output grows while inflate
    // asks for room, and only a stream that reaches its end (trailer checked) is accepted.
    std::vector<uint8_t> output(std::min<size_t>(std::max<size_t>(input.size() * 4, 4096), 64 * OutputChunk));
    size_t inPos = 0, outPos = 0;
    for (;;) {
        if (outPos == output.size()) output.resize(output.size() + std::max(OutputChunk, output.size() / 2));
        s.z.next_in = input.data() + inPos;
        s.z.avail_in = ChunkOf(input.size() - inPos);
        s.z.next_out = output.data() + outPos;
        s.z.avail_out = ChunkOf(output.size() - outPos);
        const uInt inBefore = s.z.avail_in, outBefore = s.z.avail_out;
        const int rc = inflate(&s.z, Z_NO_FLUSH);
        inPos += inBefore - s.z.avail_in;
        outPos += outBefore - s.z.avail_out;
        if (rc == Z_STREAM_END) break;
        if (rc == Z_OK) continue;
        // Z_BUF_ERROR with room left in the output means the input ran out before the end:
        // a truncated stream. Everything else (bad header, bad data, bad check) is damage.
        if (rc == Z_BUF_ERROR && s.z.avail_out == 0) continue;
        throw EDecompressionError(u"Error");
    }
    destination->WriteBuffer(output.data(), int64_t(outPos));
}
