// The read cursor against one byte array: what each read gives, and that a read that would leave
// the array fails without moving.
#include "format/byte_cursor.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

const std::array<std::uint8_t, 7> kImage = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE};

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(std::span<const std::uint8_t> span) { return Bytes(span.begin(), span.end()); }

TEST(ByteCursor, ReadsBigEndianFieldsAndAdvances) {
  ByteCursor cursor(kImage);
  EXPECT_EQ(cursor.Big16(), 0x1234);
  EXPECT_EQ(cursor.Position(), 2u);
  EXPECT_EQ(cursor.Big32(), 0x56789ABCu);
  EXPECT_EQ(cursor.Byte(), 0xDE);
  EXPECT_EQ(cursor.Remaining(), 0u);

  ByteCursor from_three(kImage, 3);
  EXPECT_EQ(ToBytes(from_three.Bytes(2)), (Bytes{0x78, 0x9A}));
  EXPECT_EQ(ToBytes(from_three.Rest()), (Bytes{0xBC, 0xDE}));
  EXPECT_TRUE(from_three.Rest().empty());
}

TEST(ByteCursor, AReadThatWouldLeaveTheImageFailsWithoutMoving) {
  struct Case {
    std::size_t position;
    std::size_t count;  // bytes asked for
    bool fits;
  };
  for (Case c : {Case{0, 7, true}, Case{0, 8, false}, Case{5, 2, true}, Case{5, 4, false}, Case{6, 1, true},
                 Case{6, 2, false}, Case{7, 0, true}, Case{7, 1, false}, Case{8, 0, true}, Case{8, 1, false},
                 Case{SIZE_MAX, 1, false}, Case{1, SIZE_MAX, false}}) {
    ByteCursor cursor(kImage, c.position);
    if (c.fits) {
      EXPECT_EQ(cursor.Bytes(c.count).size(), c.count) << c.position << "+" << c.count;
    } else {
      EXPECT_THROW(cursor.Bytes(c.count), OutsideImage) << c.position << "+" << c.count;
      EXPECT_EQ(cursor.Position(), c.position);
    }
  }
  for (std::size_t position : {6u, 7u, 100u}) {
    ByteCursor cursor(kImage, position);
    EXPECT_THROW(cursor.Big16(), OutsideImage) << position;
    EXPECT_EQ(cursor.Remaining(), position < kImage.size() ? kImage.size() - position : 0u);
  }
  ByteCursor cursor(kImage, 4);
  EXPECT_THROW(cursor.Big32(), OutsideImage);
  EXPECT_EQ(cursor.Big16(), 0x9ABC);  // still at 4
}

}  // namespace
