#include "DownloadProgress.h"

#include <algorithm>
#include <limits>

TDownloadProgressScale TDownloadProgressScale::ForLength(int64_t expected)
{
    TDownloadProgressScale scale;
    while ((expected >> scale.FShift) > std::numeric_limits<int32_t>::max()) ++scale.FShift;
    return scale;
}

int TDownloadProgressScale::Units(int64_t bytes) const
{
    if (bytes <= 0) return 0;
    return int(std::min<int64_t>(bytes >> FShift, std::numeric_limits<int32_t>::max()));
}
