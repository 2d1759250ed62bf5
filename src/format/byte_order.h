// Byte order: the byte reversal of the Palm fields' values, and big-endian loads and stores on
// bytes, which give the file's order on any host.
#pragma once

#include <cstdint>
#include <span>

// Reverse the bytes of a value; on this little-endian host that turns a number into the form a
// big-endian field holds in memory, and back.
std::uint16_t SwapWord(std::uint16_t value);
std::uint32_t SwapLong(std::uint32_t value);

constexpr std::uint16_t LoadBig16(std::span<const std::uint8_t, 2> bytes) {
  return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

constexpr std::uint32_t LoadBig32(std::span<const std::uint8_t, 4> bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
         std::uint32_t{bytes[3]};
}

// The `Size` bytes at `offset` of bytes the caller has sized to hold them.
template <std::size_t Size>
std::span<std::uint8_t, Size> At(std::span<std::uint8_t> bytes, std::size_t offset) {
  return std::span<std::uint8_t, Size>(bytes.data() + offset, Size);
}

constexpr void StoreBig16(std::span<std::uint8_t, 2> bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value >> 8);
  bytes[1] = static_cast<std::uint8_t>(value);
}

constexpr void StoreBig32(std::span<std::uint8_t, 4> bytes, std::uint32_t value) {
  bytes[0] = static_cast<std::uint8_t>(value >> 24);
  bytes[1] = static_cast<std::uint8_t>(value >> 16);
  bytes[2] = static_cast<std::uint8_t>(value >> 8);
  bytes[3] = static_cast<std::uint8_t>(value);
}
