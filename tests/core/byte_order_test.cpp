// SwapWord and SwapLong, checked by the bytes in memory, as the file sees them; the big-endian
// loads and stores, checked by the bytes they read and write.
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

TEST(BigEndian, LoadsAndStoresTheMostSignificantByteFirst) {
  struct Case16 {
    std::uint16_t value;
    std::array<std::uint8_t, 2> bytes;
  };
  for (const Case16& c : {Case16{0x0008, {0x00, 0x08}}, Case16{0x1234, {0x12, 0x34}}, Case16{0xFF00, {0xFF, 0x00}},
                          Case16{0x8001, {0x80, 0x01}}, Case16{0xFFFF, {0xFF, 0xFF}}}) {
    EXPECT_EQ(LoadBig16(c.bytes), c.value) << std::hex << c.value;
    std::array<std::uint8_t, 2> stored{0xAA, 0xAA};
    StoreBig16(stored, c.value);
    EXPECT_EQ(stored, c.bytes) << std::hex << c.value;
  }
  struct Case32 {
    std::uint32_t value;
    std::array<std::uint8_t, 4> bytes;
  };
  for (const Case32& c : {Case32{86, {0x00, 0x00, 0x00, 0x56}}, Case32{3155760000u, {0xBC, 0x19, 0x13, 0x80}},
                          Case32{0x80000001, {0x80, 0x00, 0x00, 0x01}}, Case32{0x00FF00FF, {0x00, 0xFF, 0x00, 0xFF}},
                          Case32{0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF}}}) {
    EXPECT_EQ(LoadBig32(c.bytes), c.value) << std::hex << c.value;
    std::array<std::uint8_t, 4> stored{0xAA, 0xAA, 0xAA, 0xAA};
    StoreBig32(stored, c.value);
    EXPECT_EQ(stored, c.bytes) << std::hex << c.value;
  }
}

}  // namespace
