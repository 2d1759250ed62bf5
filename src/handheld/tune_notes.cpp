#include "handheld/tune_notes.h"

#include <algorithm>

namespace handheld {

using midi::kNoteOff, midi::kNoteOn, midi::kSetTempoType, midi::kSetTempoLength;

std::uint64_t TuneNotes::EndTick() const {
  return track_ends.empty() ? 0 : *std::max_element(track_ends.begin(), track_ends.end());
}

TuneNotes ReadTuneNotes(std::span<const std::uint8_t> tune) {
  TuneNotes notes;
  midi::ReadResult smf = midi::ReadSmf(tune);
  notes.header = smf.header;
  if (smf.problem) {
    notes.problem = smf.problem;
    return notes;
  }
  if (smf.header.format == 2) {
    notes.problem = midi::Problem{midi::kFormatOffset, "format 2 holds independent sequences, not parts of one tune"};
    return notes;
  }
  for (std::size_t index = 0; index < smf.tracks.size(); ++index) {
    midi::EventCursor cursor(smf.tracks[index], index + 1);
    midi::Event event;
    while (cursor.Next(event)) {
      const std::uint8_t kind = event.status & 0xF0;
      if (event.kind == midi::EventKind::Channel && (kind == kNoteOn || kind == kNoteOff)) {
        notes.events.push_back({event.tick, static_cast<std::uint32_t>(index),
                                static_cast<std::uint8_t>(event.status & 0x0F), event.data[0],
                                kind == kNoteOn && event.data[1] > 0});
      } else if (event.kind == midi::EventKind::Meta && event.meta_type == kSetTempoType &&
                 event.contents.size() >= kSetTempoLength) {
        const auto& c = event.contents;
        notes.tempo_changes.push_back({event.tick, std::uint32_t{c[0]} << 16 | std::uint32_t{c[1]} << 8 | c[2]});
      }
    }
    notes.track_ends.push_back(smf.tracks[index].end_tick);
  }
  // Tracks were read one after the other: a stable sort by tick leaves track order at one tick.
  auto by_tick = [](const auto& a, const auto& b) { return a.tick < b.tick; };
  std::stable_sort(notes.events.begin(), notes.events.end(), by_tick);
  std::stable_sort(notes.tempo_changes.begin(), notes.tempo_changes.end(), by_tick);
  return notes;
}

}  // namespace handheld
