// Palm dates: the date-time encoding, extended-precision rounding half to even, and the wrap.
#include "format/palm_date.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "support/bytes.h"

namespace {

// DateTimeToPalmDate's result is stored as it lies in memory; these are the bytes in the file.
Bytes StoredBytes(DateTime moment) { return HostBytes(DateTimeToPalmDate(moment)); }

// The Palm date as the file holds it, read as a number for readable comparisons.
std::uint32_t Seconds(DateTime moment) { return Big32At(StoredBytes(moment), 0); }

TEST(EncodeDateTime, CountsDaysFrom1899_12_30WithTheTimeAsFraction) {
  EXPECT_EQ(EncodeDateTime(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDateTime(1904, 1, 1), 1462.0);
  EXPECT_EQ(EncodeDateTime(2004, 1, 1), 37987.0);
  EXPECT_EQ(EncodeDateTime(2000, 2, 29), 36585.0);  // a leap day of a century divisible by 400
  EXPECT_EQ(EncodeDateTime(2000, 3, 1), 36586.0);
  EXPECT_EQ(EncodeDateTime(1900, 3, 1) - EncodeDateTime(1900, 2, 28), 1.0);  // 1900 has no leap day
  EXPECT_EQ(EncodeDateTime(2004, 1, 1, 12), 37987.5);
  EXPECT_EQ(EncodeDateTime(2004, 1, 1, 6), 37987.25);
}

TEST(DateTimeToPalmDate, TheFirstMomentOf2004IsStoredAsBC191380) {
  DateTime moment = EncodeDateTime(2004, 1, 1, 0, 0, 0, 0);
  EXPECT_EQ(Seconds(moment), 3155760000u);
  EXPECT_EQ(StoredBytes(moment), (Bytes{0xBC, 0x19, 0x13, 0x80}));
}

TEST(DateTimeToPalmDate, TheEpochIsZeroAndTheLastMomentIsAllOnes) {
  EXPECT_EQ(StoredBytes(EncodeDateTime(1904, 1, 1)), (Bytes{0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(StoredBytes(EncodeDateTime(1904, 1, 1, 0, 0, 1)), (Bytes{0x00, 0x00, 0x00, 0x01}));
  EXPECT_EQ(StoredBytes(EncodeDateTime(2040, 2, 6, 6, 28, 15)), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(DateTimeToPalmDate, MomentsAfter2040_02_06_06_28_15WrapRound) {
  EXPECT_EQ(Seconds(EncodeDateTime(2040, 2, 6, 6, 28, 16)), 0u);
  EXPECT_EQ(Seconds(EncodeDateTime(2040, 2, 6, 6, 28, 17)), 1u);
  EXPECT_EQ(Seconds(EncodeDateTime(2040, 2, 7, 6, 28, 16)), 86400u);
  // Before the epoch the low 32 bits of the negative count remain.
  EXPECT_EQ(Seconds(EncodeDateTime(1903, 12, 31, 23, 59, 59)), 0xFFFFFFFFu);
}

TEST(DateTimeToPalmDate, FractionsOfASecondRoundToTheNearestSecond) {
  struct Case {
    int millisecond;
    std::uint32_t seconds;
  };
  for (Case c : {Case{0, 3155760000u}, Case{1, 3155760000u}, Case{400, 3155760000u}, Case{499, 3155760000u},
                 Case{501, 3155760001u}, Case{600, 3155760001u}, Case{999, 3155760001u}}) {
    EXPECT_EQ(Seconds(EncodeDateTime(2004, 1, 1, 0, 0, 0, c.millisecond)), c.seconds) << c.millisecond << " ms";
  }
  EXPECT_EQ(Seconds(EncodeDateTime(2004, 1, 1, 23, 59, 59, 600)), 3155760000u + 86400u);
}

TEST(DateTimeToPalmDate, AnExactHalfSecondGoesToTheEvenNeighbour) {
  // 1/256 of a day is exactly 337.5 s and 3/256 exactly 1012.5 s: both exact in binary.
  EXPECT_EQ(Seconds(EncodeDateTime(1904, 1, 1) + 1.0 / 256), 338u);
  EXPECT_EQ(Seconds(EncodeDateTime(1904, 1, 1) + 3.0 / 256), 1012u);
  EXPECT_EQ(Seconds(EncodeDateTime(2004, 1, 1) + 1.0 / 256), 3155760338u);
  EXPECT_EQ(Seconds(EncodeDateTime(2004, 1, 1) + 3.0 / 256), 3155761012u);
}

TEST(DateTimeToPalmDate, ComputesInExtendedPrecision) {
  // (moment - 1462) * 86400 is 3155760138.5000000009...: double arithmetic rounds the product to
  // exactly .5 and then to the even 3155760138; the 64-bit mantissa keeps it above the half.
  DateTime moment = 0x1.28c600d21c10bp+15;
  EXPECT_EQ(Seconds(moment), 3155760139u);
}

}  // namespace
