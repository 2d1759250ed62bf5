#include "support/midi_files.h"

#include <algorithm>

Bytes Chunk(std::string_view tag, const Bytes& body, std::optional<std::uint32_t> declared) {
  // Laid out in place: GCC 12 sees phantom overflows in a vector that grows here when optimising.
  Bytes out(tag.size() + 4 + body.size());
  std::copy(tag.begin(), tag.end(), out.begin());
  PutBig32(out, tag.size(), declared ? *declared : static_cast<std::uint32_t>(body.size()));
  std::copy(body.begin(), body.end(), out.begin() + static_cast<std::ptrdiff_t>(tag.size() + 4));
  return out;
}

Bytes HeaderChunk(std::uint16_t format, std::uint16_t track_count, std::uint16_t division, const Bytes& extra) {
  Bytes body;
  AppendBig16(body, format);
  AppendBig16(body, track_count);
  AppendBig16(body, division);
  Append(body, extra);
  return Chunk("MThd", body);
}

Bytes TrackChunk(const Bytes& events) { return Chunk("MTrk", events); }

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) Append(out, part);
  return out;
}

Bytes Smf(std::uint16_t format, const std::vector<Bytes>& tracks, std::uint16_t division) {
  Bytes out = HeaderChunk(format, static_cast<std::uint16_t>(tracks.size()), division);
  for (const Bytes& track : tracks) Append(out, TrackChunk(track));
  return out;
}

Bytes MidiBytes(std::size_t size, std::uint16_t format, unsigned seed) {
  Bytes bytes = HeaderChunk(format, 1);
  bytes.resize(size < bytes.size() ? bytes.size() : size);
  unsigned state = seed * 2654435761u + 12345u;
  for (std::size_t i = 14; i < bytes.size(); ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<std::uint8_t>(state >> 16);
  }
  bytes.resize(size);
  return bytes;
}

Bytes LabelledTune(std::string_view label, std::size_t filler) {
  Bytes track;
  Append(track, label);
  for (std::size_t i = 0; i < filler; ++i) track.push_back(static_cast<std::uint8_t>(i * 37 + label.size()));
  return Smf(0, {track});
}

Bytes OneNoteTune(std::uint16_t format, std::uint8_t note, std::size_t padding) {
  Bytes track = {0, 0x90, note, 64, 0x60, 0x80, note, 0};
  track.insert(track.end(), padding, 0);
  track.insert(track.end(), {0, 0xFF, 0x2F, 0});
  return Smf(format, {track});
}

void AppendVariableLength(Bytes& out, std::uint32_t value) {
  Bytes groups = {static_cast<std::uint8_t>(value & 0x7F)};
  while (value >>= 7) groups.insert(groups.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
  Append(out, groups);
}

Bytes MetaText(std::uint8_t type, std::string_view text) {
  Bytes event(text.begin(), text.end());
  event.insert(event.begin(), {0x00, 0xFF, type, static_cast<std::uint8_t>(text.size())});
  return event;
}

Bytes MelodyTrack(std::string_view name, std::uint8_t channel, std::uint8_t program, int notes, int seed) {
  Bytes track = MetaText(0x03, name);
  track.insert(track.end(), {0x00, static_cast<std::uint8_t>(0xC0 | channel), program});
  track.insert(track.end(), {0x00, static_cast<std::uint8_t>(0x90 | channel)});
  for (int i = 0; i < notes; ++i) {
    auto key = static_cast<std::uint8_t>(60 + (i * 7 + seed) % 24);
    if (i > 0) AppendVariableLength(track, 0);
    track.insert(track.end(), {key, static_cast<std::uint8_t>(64 + i % 32)});
    AppendVariableLength(track, 120 + 240 * static_cast<std::uint32_t>((i + seed) % 3));
    track.insert(track.end(), {key, 0x00});  // note off as note on with velocity 0
  }
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  return track;
}

Bytes TempoTrack() {
  Bytes track = MetaText(0x03, "Tempo");
  track.insert(track.end(), {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});        // 120 beats a minute
  track.insert(track.end(), {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08});  // 4/4
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  return track;
}
