#include "Setupfn.h"

#include "LuStreams.h"
#include "LuSysUtils.h"

void TSetupfn::ScrambleBytes(unsigned char* bytes, size_t size)
{
    // The mask is the position modulo 255: 0, 1, ..., 254, then 0 again at position 255.
    unsigned char mask = 0;
    for (size_t i = 0; i < size; ++i) {
        bytes[i] ^= mask;
        mask = mask == 254 ? 0 : static_cast<unsigned char>(mask + 1);
    }
}

void TSetupfn::EncodeStream(TMemoryStream& stream)
{
    TMemoryStream compressed;
    TLuSysfn::CompressStream(&stream, &compressed);
    stream.Assign(compressed.Bytes());
    ScrambleBytes(stream.Memory(), size_t(stream.Size()));
}

void TSetupfn::DecodeStream(TMemoryStream& stream)
{
    // Unscrambled in place first: if inflate fails, the stream keeps the compressed bytes.
    ScrambleBytes(stream.Memory(), size_t(stream.Size()));
    stream.SetPosition(0);
    TMemoryStream plain;
    try {
        TLuSysfn::DecompressStream(&stream, &plain);
    } catch (...) {
        stream.SetPosition(0);
        throw;
    }
    stream.Assign(plain.Bytes());
}
