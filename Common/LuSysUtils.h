// TLuSysfn, portable part: the zlib stream functions. The process and runtime helpers of TLuSysfn
// live in the Windows layer (Common/Win).
#pragma once

class TStream;

class TLuSysfn {
public:
    TLuSysfn() = delete;
    // The destination (emptied first) receives the zlib stream (RFC 1950, deflate level 9, 15-bit
    // window, memory level 8, default strategy) of the whole source. An empty source gives an empty
    // destination. Raises ECompressionError "Error" when deflate fails.
    static void CompressStream(TStream* source, TStream* destination);
    // The destination (emptied first) receives the inflated content of the whole source; an empty
    // source gives an empty destination. Raises EDecompressionError "Error" on data that is not a
    // complete zlib stream. A missing stream is an assertion error.
    static void DecompressStream(TStream* source, TStream* destination);
};
