// The handheld module against crafted tunes: how its player times, waits, stops and refuses; the
// tune's own facts; the sound of a play and its WAV file; and tunes shaped to ring, as played.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <utility>

#include "handheld/handheld_player.h"
#include "handheld/ring_shaper.h"
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
  const HandheldPlay play{PlayOutcome::Plays, 0, "", 250, {{3, 103, 69, 64}, {103, 104, 124, 1}, {150, 233, 40, 7}}};
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
  const Wave too_long = RenderWave(HandheldPlay{PlayOutcome::Plays, 0, "", kLongestRenderTicks + 1, play.notes});
  EXPECT_EQ(std::tie(too_long.outcome, too_long.seconds, too_long.samples),
            std::make_tuple(RenderOutcome::TooLong, 1800.01, std::vector<std::int16_t>{}));
  const std::int16_t samples[] = {0x7F01, -2};
  const Bytes wav = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                     1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0,  // PCM, mono, 22050 Hz, 16 bits
                     'd', 'a', 't', 'a', 4, 0, 0, 0, 0x01, 0x7F, 0xFE, 0xFF};
  EXPECT_EQ(WavFile(samples), wav);
}

struct Hit {
  std::uint8_t channel, key;  // channel 1 to 16
  std::uint32_t on_ms, off_ms;
};

// A track at division 500 (one tick a millisecond), each Off before an On at one tick.
Bytes Track(const std::vector<Hit>& hits) {
  std::vector<std::tuple<std::uint32_t, int, std::uint8_t>> events;  // time, status, key
  for (const Hit& hit : hits) {
    events.insert(events.end(), {{hit.on_ms, 0x8F + hit.channel, hit.key}, {hit.off_ms, 0x7F + hit.channel, hit.key}});
  }
  std::sort(events.begin(), events.end());
  Bytes track;
  std::uint32_t now = 0;
  for (const auto& [ms, status, key] : events) {
    AppendVariableLength(track, ms - std::exchange(now, ms));
    const auto velocity = static_cast<std::uint8_t>(status & 0x10 ? 100 : 0);
    track.insert(track.end(), {static_cast<std::uint8_t>(status), key, velocity});
  }
  return Join({track, {0x00, 0xFF, 0x2F, 0x00}});
}
Bytes Tune(const std::vector<Hit>& hits) { return Smf(0, {Track(hits)}, 500); }

TEST(ShapeToRing, KeepsTheMelodyOneNoteAtATimeAtItsRealTimes) {
  const RingOptions pitch{0, 0, std::nullopt};
  std::vector<Hit> many;
  for (std::uint32_t i = 0; i < 11000; ++i) many.push_back({1, 72, i * 20, i * 20 + 20});
  const std::tuple<const char*, Bytes, RingOptions, std::string> cases[] = {  // what, tune, options, played or refused
      {"a higher note over a lower one, from another track",
       Smf(1, {Track({{1, 60, 0, 1000}}), Track({{2, 64, 200, 600}})}, 500), pitch,
       "plays 100: 0-20:60 20-60:64 60-100:60"},
      {"the top key struck again from another channel", Tune({{1, 60, 0, 1000}, {2, 60, 400, 600}}), pitch,
       "plays 100: 0-40:60 40-100:60"},
      {"stretches under 10 ms give their time to the key below; 10 ms stays",
       Tune({{1, 60, 0, 1000}, {1, 64, 300, 700}, {2, 72, 500, 509}, {2, 67, 800, 805}, {3, 76, 900, 910}}), pitch,
       "plays 100: 0-30:60 30-70:64 70-90:60 90-91:76 91-100:60"},
      {"real times rounded, halves up, without drift", Smf(0, {MelodyTrack("m", 0, 0, 3, 0)}), pitch,
       "plays 563: 0-63:60 63-250:67 250-563:74"},
      {"a long note and a long rest split", Tune({{1, 60, 0, 50000}, {1, 62, 100000, 100100}}), pitch,
       "plays 10010: 0-5000:60 10000-10010:62"},
      {"cut at 0.5 s", Tune({{1, 60, 0, 1000}, {1, 64, 600, 800}}), {0, 0, 0.5}, "plays 50: 0-50:60"},
      {"the lower middle key brought to 72 or above",
       Tune({{1, 62, 0, 100}, {1, 48, 100, 200}, {1, 60, 200, 300}, {1, 50, 300, 400}}), {},
       "plays 40: 0-10:86 10-20:72 20-30:84 30-40:74"},
      {"no octave up that passes 127", Tune({{1, 40, 0, 100}, {1, 41, 100, 200}, {1, 120, 200, 300}}), {},
       "plays 30: 0-10:40 10-20:41 20-30:120"},
      {"one channel", Tune({{1, 60, 0, 100}, {2, 50, 0, 200}, {10, 90, 0, 300}}), {2, 0, {}}, "plays 20: 0-20:50"},
      {"octave +1 passing 127", Tune({{1, 120, 0, 100}}), {0, 1, {}}, "an octave shift of 1 takes key 120 above 127"},
      {"drums only", Tune({{10, 36, 0, 100}}), {}, "the tune has only drums (channel 10)"},
      {"a channel without notes", Tune({{1, 60, 0, 100}}), {5, {}, {}}, "channel 5 has no notes"},
      {"format 2", Smf(2, {Track({})}), {}, "format 2 holds independent sequences, not parts of one tune"},
      {"too large", Tune(many), {}, "the shaped tune is 66034 bytes, more than the 65000 a record holds"},
  };
  for (const auto& [what, tune, options, heard] : cases) {
    const ShapedTune shaped = ShapeToRing(tune, options);
    std::string played = shaped.Refused() ? shaped.refusal : Described(PlayOnHandheld(shaped.bytes, kMaxVolume));
    for (std::size_t at; (at = played.find("@64")) != std::string::npos;)
      played.erase(at, 3);  // velocity 127 throughout
    EXPECT_EQ(played, heard) << what;
  }
  // Channel 1, one status byte under running status, velocity 127, Offs as velocity 0, deltas of
  // at most 4294 ticks split by a key not sounding, End of Track where the last note ends.
  EXPECT_EQ(
      ShapeToRing(std::get<1>(cases[4]), pitch).bytes,
      Join({HeaderChunk(0, 1, 50), TrackChunk({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 60,  127, 0xA1,
                                               0x46, 0,    0,    0x85, 0x42, 60,   0,    0xA1, 0x46, 0,   0,   0x85,
                                               0x42, 62,   127,  0x0A, 62,   0,    0x00, 0xFF, 0x2F, 0x00})}));
}

}  // namespace
}  // namespace handheld
