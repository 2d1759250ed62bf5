// The handheld module against crafted tunes: how its player times, waits, stops and refuses; the
// tune's own facts; the sound of a play and its WAV file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <utility>

#include "handheld/handheld_player.h"
#include "handheld/tune_facts.h"
#include "handheld/wave_render.h"
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

TEST(RenderWave, SoundsEachNoteAtItsFrequencyAndLevelAndNothingElse) {
  EXPECT_EQ((std::vector{KeyFrequency(60), KeyFrequency(69), KeyFrequency(127)}), (std::vector{262u, 440u, 12544u}));
  // Key 124 is the highest whose frequency lies below half the sample rate.
  HandheldPlay play{PlayOutcome::Plays, 0, "", 250, {{3, 103, 69, 64}, {103, 104, 124, 1}, {150, 233, 40, 7}}};
  const Wave wave = RenderWave(play);
  ASSERT_EQ(wave.samples.size(), 55125u);  // 250 × 220.5
  std::size_t i = 0;
  for (const HandheldNote& note : play.notes) {
    SCOPED_TRACE(note.key);
    for (; i < note.start_tick * 441 / 2; ++i) ASSERT_EQ(wave.samples[i], 0);
    const int level = static_cast<int>(note.amplitude) * 511;
    EXPECT_EQ(wave.samples[i], level);
    int changes = 0;
    for (++i; i < note.end_tick * 441 / 2; ++i) {
      ASSERT_EQ(std::abs(wave.samples[i]), level);
      changes += wave.samples[i] != wave.samples[i - 1];
    }
    EXPECT_NEAR(changes, 2.0 * KeyFrequency(note.key) * static_cast<double>(note.end_tick - note.start_tick) / 100, 2);
  }
  for (; i < wave.samples.size(); ++i) ASSERT_EQ(wave.samples[i], 0);
  play.ticks = kLongestRenderTicks + 1;
  const Wave too_long = RenderWave(play);
  EXPECT_EQ(std::tie(too_long.outcome, too_long.seconds, too_long.samples),
            std::make_tuple(RenderOutcome::TooLong, 1800.01, std::vector<std::int16_t>{}));
  const std::int16_t samples[] = {0x7F01, -2};
  const Bytes wav = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                     1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0,  // PCM, mono, 22050 Hz, 16 bits
                     'd', 'a', 't', 'a', 4, 0, 0, 0, 0x01, 0x7F, 0xFE, 0xFF};
  EXPECT_EQ(WavFile(samples), wav);
}

}  // namespace
}  // namespace handheld
