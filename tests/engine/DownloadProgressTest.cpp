// The download's byte counts on the 32-bit progress bar.
#include "DownloadProgress.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(DownloadProgressScale, BytesAreUnitsUntilTheLengthLeavesThe32BitRange)
{
    constexpr int64_t max32 = INT32_MAX;
    struct Case {
        int64_t expected;
        int shift;
        int unitsAtEnd;   // the bar's maximum
        int64_t halfWay;  // bytes
        int unitsHalfWay;
    } cases[] = {
        {0, 0, 0, 0, 0},  // unknown length: an empty bar
        {-1, 0, 0, 0, 0},
        {1000, 0, 1000, 500, 500},
        {max32, 0, int(max32), max32 / 2, int(max32 / 2)},
        // 2 GiB and beyond would wrap to a negative maximum as a plain 32-bit value.
        {max32 + 1, 1, int((max32 + 1) / 2), (max32 + 1) / 2, int((max32 + 1) / 4)},
        {int64_t(6) << 30, 2, int((int64_t(6) << 30) >> 2), int64_t(3) << 30, int((int64_t(3) << 30) >> 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const TDownloadProgressScale scale = TDownloadProgressScale::ForLength(c.expected);
        EXPECT_EQ(scale.Shift(), c.shift);
        EXPECT_EQ(scale.Units(c.expected), c.unitsAtEnd);
        EXPECT_EQ(scale.Units(c.halfWay), c.unitsHalfWay);
        EXPECT_EQ(scale.Units(0), 0);
    }
}

TEST(DownloadProgressScale, CountsBeyondTheExpectedLengthStayInRange)
{
    // A server may send more than it announced; the bar then stays full rather than wrapping.
    const TDownloadProgressScale scale = TDownloadProgressScale::ForLength(1000);
    EXPECT_EQ(scale.Units(int64_t(1) << 40), INT32_MAX);
    EXPECT_EQ(scale.Units(-5), 0);
}

}  // namespace
