// Byte strings for fixtures: appending, slicing, and big-endian fields written out by hand, apart
// from the code under test, so that a fault there cannot hide in a fixture that shares it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline void Append(Bytes& bytes, std::span<const std::uint8_t> more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
}
inline void Append(Bytes& bytes, std::string_view text) { bytes.insert(bytes.end(), text.begin(), text.end()); }

inline void AppendBig16(Bytes& bytes, std::uint16_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  bytes.push_back(static_cast<std::uint8_t>(value));
}

inline void AppendBig32(Bytes& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

inline void PutBig16(Bytes& bytes, std::size_t at, std::uint16_t value) {
  bytes.at(at) = static_cast<std::uint8_t>(value >> 8);
  bytes.at(at + 1) = static_cast<std::uint8_t>(value);
}

inline void PutBig32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

inline std::uint16_t Big16At(const Bytes& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes.at(at) << 8 | bytes.at(at + 1));
}

inline std::uint32_t Big32At(const Bytes& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | bytes.at(at + i);
  return value;
}

// `count` bytes from `from`, or what there is of them.
inline Bytes Slice(std::span<const std::uint8_t> bytes, std::size_t from, std::size_t count) {
  if (from >= bytes.size()) return {};
  bytes = bytes.subspan(from);
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(count, bytes.size())));
}

inline Bytes ToBytes(std::span<const std::uint8_t> bytes) { return Bytes(bytes.begin(), bytes.end()); }

// The value's bytes as they lie in this host's memory: what storing it unswapped puts in a file.
inline Bytes HostBytes(std::uint32_t value) {
  Bytes bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}
