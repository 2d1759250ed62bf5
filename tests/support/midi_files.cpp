#include "support/midi_files.h"

Bytes MidiBytes(std::size_t size, std::uint16_t format, unsigned seed) {
  Bytes bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  AppendBig16(bytes, format);
  bytes.insert(bytes.end(), {0, 1, 0, 96});
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
  Bytes tune;
  AppendChunk(tune, "MThd", {0, 0, 0, 1, 0, 0x60});
  AppendChunk(tune, "MTrk", track);
  return tune;
}

void AppendVariableLength(Bytes& out, std::uint32_t value) {
  Bytes groups = {static_cast<std::uint8_t>(value & 0x7F)};
  while (value >>= 7) groups.insert(groups.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
  Append(out, groups);
}

void AppendChunk(Bytes& out, const char (&tag)[5], const Bytes& body) {
  out.insert(out.end(), tag, tag + 4);
  AppendBig32(out, static_cast<std::uint32_t>(body.size()));
  Append(out, body);
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

Bytes Smf(std::uint16_t format, const std::vector<Bytes>& tracks) {
  Bytes header;
  AppendBig16(header, format);
  AppendBig16(header, static_cast<std::uint16_t>(tracks.size()));
  AppendBig16(header, 480);
  Bytes out;
  AppendChunk(out, "MThd", header);
  for (const Bytes& track : tracks) AppendChunk(out, "MTrk", track);
  return out;
}
