// Standard MIDI Files for fixtures, all from one builder: chunks with their true length or a false
// one, headers and whole files from track bodies, a file of an exact size, small labelled and
// one-note tunes, and tracks the way sequencers write them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "support/bytes.h"

// ---- chunks and whole files ----
// A chunk: four-character tag, big-endian length (the body's own unless `declared`), body.
Bytes Chunk(std::string_view tag, const Bytes& body, std::optional<std::uint32_t> declared = std::nullopt);
// "MThd", length 6 plus `extra`, format, track count, division, then the extra bytes.
Bytes HeaderChunk(std::uint16_t format, std::uint16_t track_count, std::uint16_t division = 96,
                  const Bytes& extra = {});
Bytes TrackChunk(const Bytes& events);
// The parts one behind the other.
Bytes Join(std::initializer_list<Bytes> parts);
// A header declaring as many tracks as given, then one track chunk per body.
Bytes Smf(std::uint16_t format, const std::vector<Bytes>& tracks, std::uint16_t division = 96);

// ---- tunes ----
// "MThd", length 6, `format`, one track, 96 ticks, then filler that `seed` varies, cut or padded
// to exactly `size` bytes (a size below 14 cuts the header itself).
Bytes MidiBytes(std::size_t size, std::uint16_t format = 0, unsigned seed = 1);
// A format-0 file with one track whose bytes hold `label` and `filler` more bytes, so that tunes
// of different labels differ.
Bytes LabelledTune(std::string_view label, std::size_t filler = 16);
// One track of one note on channel 0, `padding` zero bytes (zero-length running events), End of
// Track.
Bytes OneNoteTune(std::uint16_t format, std::uint8_t note = 60, std::size_t padding = 0);

// ---- events and tracks ----
void AppendVariableLength(Bytes& out, std::uint32_t value);
// A meta event at delta time 0.
Bytes MetaText(std::uint8_t type, std::string_view text);
// A track: its name, a program, then `notes` notes of a pattern on `channel` with running status.
Bytes MelodyTrack(std::string_view name, std::uint8_t channel, std::uint8_t program, int notes, int seed);
// A track of tempo (120 beats a minute) and time signature (4/4).
Bytes TempoTrack();
