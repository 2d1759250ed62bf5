// A bounds-checked read position in an image in memory, shared by the readers of every format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

#include "format/byte_order.h"

// A read that would leave the image. Readers whose input may be short turn it into their own
// error; for the others it means a broken precondition.
class OutsideImage : public std::out_of_range {
 public:
  OutsideImage() : std::out_of_range("read outside the image") {}
};

// Every byte it hands out lies inside the image; a read that would leave it raises OutsideImage
// and moves nothing. The position may lie beyond the end: only reading there fails.
class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::uint8_t> image, std::size_t position = 0)
      : image_(image), position_(position) {}

  void Seek(std::size_t position) { position_ = position; }
  std::size_t Position() const { return position_; }
  std::size_t Size() const { return image_.size(); }
  std::size_t Remaining() const { return position_ < image_.size() ? image_.size() - position_ : 0; }

  std::uint8_t Byte() { return Bytes(1)[0]; }

  std::span<const std::uint8_t> Bytes(std::size_t count) {
    if (Remaining() < count) throw OutsideImage();
    if (count == 0) return {};  // the position may lie beyond the end, where subspan may not start
    std::span<const std::uint8_t> bytes = image_.subspan(position_, count);
    position_ += count;
    return bytes;
  }

  // Everything from the position to the end; empty at or beyond the end.
  std::span<const std::uint8_t> Rest() { return Bytes(Remaining()); }

  std::uint16_t Big16() { return LoadBig16(Bytes(2).first<2>()); }
  std::uint32_t Big32() { return LoadBig32(Bytes(4).first<4>()); }

 private:
  std::span<const std::uint8_t> image_;
  std::size_t position_;
};
