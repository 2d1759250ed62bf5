// SwapWord and SwapLong, checked by the bytes in memory, as the file sees them.
#include "format/byte_order.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace {

template <typename T>
T FromBytes(const std::array<std::uint8_t, sizeof(T)>& bytes) {
  T value;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

template <typename T>
std::array<std::uint8_t, sizeof(T)> ToBytes(T value) {
  std::array<std::uint8_t, sizeof(T)> bytes;
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

TEST(SwapWord, ReversesTheBytesInMemory) {
  using Bytes = std::array<std::uint8_t, 2>;
  EXPECT_EQ(ToBytes(SwapWord(FromBytes<std::uint16_t>({0x12, 0x34}))), (Bytes{0x34, 0x12}));
  EXPECT_EQ(ToBytes(SwapWord(FromBytes<std::uint16_t>({0x00, 0x08}))), (Bytes{0x08, 0x00}));
}

TEST(SwapLong, ReversesTheBytesInMemory) {
  using Bytes = std::array<std::uint8_t, 4>;
  EXPECT_EQ(ToBytes(SwapLong(FromBytes<std::uint32_t>({0x01, 0x02, 0x03, 0x04}))), (Bytes{0x04, 0x03, 0x02, 0x01}));
  EXPECT_EQ(ToBytes(SwapLong(FromBytes<std::uint32_t>({0xBC, 0x19, 0x13, 0x80}))), (Bytes{0x80, 0x13, 0x19, 0xBC}));
}

TEST(SwapWord, ValuesWithTheHighBitSetAreNotSignExtended) {
  struct Case {
    std::uint16_t value, swapped;
  };
  for (Case c : {Case{0x0000, 0x0000}, Case{0xFFFF, 0xFFFF}, Case{0x00FF, 0xFF00}, Case{0x80FF, 0xFF80},
                 Case{0x0180, 0x8001}, Case{0x8000, 0x0080}}) {
    EXPECT_EQ(SwapWord(c.value), c.swapped) << std::hex << c.value;
    EXPECT_EQ(SwapWord(SwapWord(c.value)), c.value) << std::hex << c.value;
  }
}

TEST(SwapLong, EveryByteMovesToItsMirrorPlace) {
  struct Case {
    std::uint32_t value, swapped;
  };
  for (Case c : {Case{0x00000000, 0x00000000}, Case{0xFFFFFFFF, 0xFFFFFFFF}, Case{0x80000001, 0x01000080},
                 Case{0x000000FF, 0xFF000000}, Case{0x0000FF00, 0x00FF0000}, Case{0x00FF0000, 0x0000FF00},
                 Case{0xFF000000, 0x000000FF}, Case{0x00000056, 0x56000000}, Case{0xDEADBEEF, 0xEFBEADDE}}) {
    EXPECT_EQ(SwapLong(c.value), c.swapped) << std::hex << c.value;
    EXPECT_EQ(SwapLong(SwapLong(c.value)), c.value) << std::hex << c.value;
  }
}

}  // namespace
