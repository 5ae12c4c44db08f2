// The progress bar during the download of a full setup: it counts bytes, in the 32-bit range of the
// bar. A download longer than that range is counted in larger units (bytes shifted right by the
// same amount at the start and throughout), so the bar still runs from 0 to 100 percent instead of
// wrapping round to a negative maximum.
#pragma once

#include <cstdint>

class TDownloadProgressScale {
public:
    TDownloadProgressScale() = default;
    // The scale for a download of `expected` bytes (0 or less: unknown).
    static TDownloadProgressScale ForLength(int64_t expected);

    // The bar's value for a byte count, within 0 .. INT32_MAX.
    int Units(int64_t bytes) const;
    int Shift() const { return FShift; }

private:
    int FShift = 0;
};
