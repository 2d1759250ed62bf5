// The handheld module against crafted tunes: how its player times, waits, stops and refuses, and
// the tune's own facts.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "handheld/handheld_player.h"
#include "handheld/tune_facts.h"
#include "support/midi_files.h"

namespace handheld {
namespace {

// "OUTCOME TICKS[ at OFFSET, REASON]:" and " start-end:key@amplitude" a note.
std::string Described(const HandheldPlay& play) {
  std::string text = OutcomeName(play.outcome) + (" " + std::to_string(play.ticks));
  text += (play.outcome == PlayOutcome::Plays ? "" : " at " + std::to_string(play.offset) + ", " + play.reason) + ":";
  for (const HandheldNote& n : play.notes) {
    text += " " + std::to_string(n.start_tick) + "-" + std::to_string(n.end_tick) + ":" + std::to_string(n.key) + "@" +
            std::to_string(n.amplitude);
  }
  return text;
}

TEST(PlayOnHandheld, PlaysStopsOrRefusesAsTheHandheldDoes) {
  const Bytes on = {0x00, 0x90, 60, 64};     // at 0: key 60, amplitude 64 × 64 / 127 = 32
  const Bytes off = {0x60, 0x80, 60, 0x00};  // 96 ticks later: ⌊500000 / 96⌋ × 96 × 100 / 10⁶ = 49
  const Bytes end = {0x00, 0xFF, 0x2F, 0x00};
  const Bytes note = Join({on, off, end});
  auto tune = [](std::initializer_list<Bytes> events, std::uint16_t division = 96) {
    return Smf(0, {Join(events)}, division);
  };
  const std::pair<Bytes, std::string> cases[] = {  // the track's first byte is at 22
      {tune({on, {0x60, 62, 127, 0x60, 62, 0}, end}), "plays 98: 0-49:60@32 49-98:62@64"},  // running status, replacing
      {tune({on, {0x60, 0x80, 61, 0, 0x60, 0x81, 60, 0}, off, end}), "plays 147: 0-147:60@32"},  // others' Offs
      {tune({on, {0x60, 0xFF, 0x51, 3, 0x0F, 0x42, 0x40}, off, end}), "plays 148: 0-148:60@32"},  // 49 + 99
      {tune({on, {0xBD, 0x84, 0x40, 0x80, 60, 0}, end}), "plays 1108: 0-1108:60@32"},  // 10⁶ wraps the product
      {tune({note}, 0xE30A), "plays 32: 0-32:60@32"},  // SMPTE -29 taken as 30 frames of 10 ticks: 9600 / 300
      {tune({on, off, {0x60, 0xF7, 0x01, 0x00}}), "stops 49 at 31, an F7 event: 0-49:60@32"},
      {tune({on, {0x00, 0xF4}}), "stops 0 at 27, an F4 status byte:"},
      {tune({on, off, {0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1}}), "stops 49 at 31, a Set Tempo of 2 bytes: 0-49:60@32"},
      {tune({on, {0x00, 0xFF, 0x01, 0x00, 0x60, 60, 0}}), "stops 0 at 31, a data byte right after a meta event:"},
      {tune({on, off, {0x83, 0x60, 0xFF, 0x01, 0x00}}), "stops 49 at 35, no End of Track: 0-49:60@32"},
      {tune({note}, 0), "divides_by_zero 0 at 26, division 0:"},
      {tune({note}, 0xE700), "divides_by_zero 0 at 26, 0 ticks per frame:"},
      {Smf(1, {note}), "silent 0 at 8, format 1:"},
      {Join({HeaderChunk(0, 1), Chunk("XFIH", {}), TrackChunk(note)}), "silent 0 at 14, a first chunk that is not "
                                                                        "\"MTrk\":"},
  };
  for (const auto& [bytes, described] : cases) EXPECT_EQ(Described(PlayOnHandheld(bytes, 64)), described);
  EXPECT_EQ(Described(PlayOnHandheld(cases[0].first, 200)), cases[0].second);  // the volume stops at 64
}

TEST(ReadTuneFacts, MeasuresTheTuneAsASynthesizerPlaysIt) {
  // Tempo halves at tick 96 of the first track; the second strikes key 60 twice on channel 1, once on 2.
  const Bytes tempo = {0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x81, 0x40, 0xFF, 0x2F, 0x00};
  const Bytes chord = {0, 0x90, 60, 64, 0, 64, 64, 0, 60, 64, 0, 0x91, 60, 64, 0x60, 0x80, 60, 0, 0, 0xFF, 0x2F, 0};
  const TuneFacts facts = ReadTuneFacts(Smf(1, {tempo, chord}));
  EXPECT_EQ(std::tie(facts.tune_seconds, facts.most_notes_at_once), std::make_tuple(0.5 + 2.0, 3u));  // 96 + 192 ticks
  EXPECT_EQ(ReadTuneFacts(Smf(2, {chord})).problem->offset, 8u);
}

}  // namespace
}  // namespace handheld
