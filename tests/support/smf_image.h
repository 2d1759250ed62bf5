// Builds Standard MIDI Files byte by byte for the tests of the MIDI reader and converter.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

namespace smf_image {

using Bytes = std::vector<std::uint8_t>;

inline void PutBig(Bytes& out, std::uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A chunk: four-character tag, big-endian length (the body's own unless `declared`), body.
inline Bytes Chunk(std::string_view tag, const Bytes& body, std::optional<std::uint32_t> declared = std::nullopt) {
  Bytes out(tag.begin(), tag.end());
  PutBig(out, declared ? *declared : static_cast<std::uint32_t>(body.size()), 4);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// "MThd", length 6 plus `extra`, format, track count, division, then the extra bytes.
inline Bytes Header(std::uint16_t format, std::uint16_t track_count, std::uint16_t division = 96,
                    const Bytes& extra = {}) {
  Bytes body;
  PutBig(body, format, 2);
  PutBig(body, track_count, 2);
  PutBig(body, division, 2);
  body.insert(body.end(), extra.begin(), extra.end());
  return Chunk("MThd", body);
}

inline Bytes TrackChunk(const Bytes& events) { return Chunk("MTrk", events); }

inline Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// A header declaring as many tracks as given, then one track chunk per body.
inline Bytes File(std::uint16_t format, const std::vector<Bytes>& track_bodies, std::uint16_t division = 96) {
  Bytes out = Header(format, static_cast<std::uint16_t>(track_bodies.size()), division);
  for (const Bytes& body : track_bodies) {
    Bytes chunk = TrackChunk(body);
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  return out;
}

}  // namespace smf_image
