// Standard MIDI Files for fixtures: one of an exact size, a small labelled one, or one built from
// chunks and events the way sequencers write them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "support/bytes.h"

// "MThd", length 6, `format`, one track, 96 ticks, then filler that `seed` varies, cut or padded
// to exactly `size` bytes (a size below 14 cuts the header itself).
Bytes MidiBytes(std::size_t size, std::uint16_t format = 0, unsigned seed = 1);

// A format-0 file with one track whose bytes hold `label` and `filler` more bytes, so that tunes
// of different labels differ.
Bytes LabelledTune(std::string_view label, std::size_t filler = 16);

// ---- chunks and events ----
void AppendVariableLength(Bytes& out, std::uint32_t value);
void AppendChunk(Bytes& out, const char (&tag)[5], const Bytes& body);
// A meta event at delta time 0.
Bytes MetaText(std::uint8_t type, std::string_view text);
// A track: its name, a program, then `notes` notes of a pattern on `channel` with running status.
Bytes MelodyTrack(std::string_view name, std::uint8_t channel, std::uint8_t program, int notes, int seed);
// A track of tempo (120 beats a minute) and time signature (4/4).
Bytes TempoTrack();
// A header chunk of `format` with 480 ticks, then one track chunk each.
Bytes Smf(std::uint16_t format, const std::vector<Bytes>& tracks);
