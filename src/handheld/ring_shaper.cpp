#include "handheld/ring_shaper.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "format/byte_order.h"
#include "handheld/handheld_player.h"
#include "handheld/melody_line.h"
#include "handheld/tune_clock.h"
#include "handheld/tune_notes.h"
#include "midi/smf_format0.h"

namespace handheld {

namespace {
constexpr std::uint16_t kDivision = 50;  // with tempo 500000: one MIDI tick is 10 ms
constexpr std::uint8_t kEndOfTrack[] = {0x00, 0xFF, 0x2F, 0x00};
constexpr std::size_t kTrackLengthOffset = 18;  // after the 14-byte header and "MTrk"
constexpr std::uint64_t kLongestDelta = 4294;   // ticks; 4295 × 10000 × 100 passes 32 bits
constexpr std::uint8_t kNoteOnChannel1 = 0x90;
constexpr std::uint8_t kStrike = 127;
constexpr std::uint8_t kRelease = 0;
constexpr int kOctave = 12;
constexpr int kLowestRingingMedian = 72;
constexpr int kHighestKey = 127;
constexpr unsigned kChannels = 16;

struct TickNote {
  int key = 0;
  std::uint64_t start = 0;  // handheld ticks
  std::uint64_t end = 0;
};

class TuneWriter {
 public:
  TuneWriter() {
    // A header of 6 bytes (format 0, one track, the division), then a track whose length Finish sets,
    // opening with a Set Tempo of 500000 µs a quarter.
    const std::uint8_t head[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, kDivision,  //
                                 'M', 'T', 'r', 'k', 0, 0, 0, 0,                            //
                                 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    bytes_.assign(std::begin(head), std::end(head));
  }

  void Note(const TickNote& note) {
    Rest(note.start - now_, std::nullopt);
    Event(note.key, kStrike);
    Rest(note.end - note.start, note.key);
    Event(note.key, kRelease);
    now_ = note.end;
  }

  std::vector<std::uint8_t> Finish() {
    bytes_.insert(bytes_.end(), std::begin(kEndOfTrack), std::end(kEndOfTrack));
    const auto length = static_cast<std::uint32_t>(bytes_.size() - kTrackLengthOffset - 4);
    StoreBig32(At<4>(bytes_, kTrackLengthOffset), length);
    return std::move(bytes_);
  }

  void Put(std::uint8_t byte) { bytes_.push_back(byte); }  // for midi::PutNumber

 private:
  // A delta of `ticks`, split by silent events of a key other than the one sounding.
  void Rest(std::uint64_t ticks, std::optional<int> sounding) {
    for (; ticks > kLongestDelta; ticks -= kLongestDelta) {
      Delta(kLongestDelta);
      Event(sounding == 0 ? 1 : 0, kRelease);
    }
    Delta(ticks);
  }

  void Delta(std::uint64_t ticks) { midi::PutNumber(*this, ticks); }

  void Event(int key, std::uint8_t velocity) {
    if (!running_) bytes_.push_back(kNoteOnChannel1);  // after Set Tempo, the one status byte
    running_ = true;
    bytes_.push_back(static_cast<std::uint8_t>(key));
    bytes_.push_back(velocity);
  }

  std::vector<std::uint8_t> bytes_;
  std::uint64_t now_ = 0;
  bool running_ = false;
};

std::string SecondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", seconds);
  return text;
}

std::string CheckOptions(const RingOptions& options) {
  if (options.channel > kChannels) return "channel " + std::to_string(options.channel) + " is not 1 to 16";
  if (options.octave && std::abs(*options.octave) > kLargestOctaveShift) {
    return "an octave shift of " + std::to_string(*options.octave) + " is not -3 to +3";
  }
  if (options.seconds && !(*options.seconds > 0 && std::isfinite(*options.seconds))) {
    return "cannot cut at " + SecondsText(*options.seconds) + " seconds";
  }
  return {};
}

// The fewest octaves up that bring the median key to the ringing range, fewer while a key would
// pass 127.
int ChooseOctaveShift(const std::vector<TickNote>& notes) {
  std::vector<int> keys;
  for (const TickNote& note : notes) keys.push_back(note.key);
  std::sort(keys.begin(), keys.end());
  const int median = keys[(keys.size() - 1) / 2];
  int shift = 0;
  while (median + shift * kOctave < kLowestRingingMedian) ++shift;
  while (shift > 0 && keys.back() + shift * kOctave > kHighestKey) --shift;
  return shift;
}

std::uint64_t CutTick(double seconds) {
  const double hundredths = std::round(seconds * kTicksPerSecond);
  return hundredths >= 1e19 ? std::numeric_limits<std::uint64_t>::max() : static_cast<std::uint64_t>(hundredths);
}
}  // namespace

ShapedTune ShapeToRing(std::span<const std::uint8_t> tune, const RingOptions& options) {
  ShapedTune shaped;
  shaped.refusal = CheckOptions(options);
  if (shaped.Refused()) return shaped;
  const TuneNotes notes = ReadTuneNotes(tune);
  if (notes.problem) {
    shaped.refusal = notes.problem->text;
    shaped.offset = notes.problem->offset;
    return shaped;
  }
  const TuneClock clock(notes.header, notes.tempo_changes);
  const Melody melody = ReadMelody(notes, clock, options.channel);
  if (!melody.refusal.empty()) {
    shaped.refusal = melody.refusal;
    return shaped;
  }

  const std::uint64_t cut = options.seconds ? CutTick(*options.seconds) : std::numeric_limits<std::uint64_t>::max();
  std::vector<TickNote> ticked;
  for (const MelodyNote& note : melody.notes) {
    const std::optional<std::uint64_t> start = clock.Hundredths(note.start_tick);
    const std::optional<std::uint64_t> end = clock.Hundredths(note.end_tick);
    if (!start || !end) {
      shaped.refusal = "the tune is too long to time exactly";
      return shaped;
    }
    if (*start >= cut) break;
    ticked.push_back({note.key, *start, std::min(*end, cut)});
  }
  if (ticked.empty()) {  // only a cut leaves no note of 10 ms or more
    shaped.refusal = "nothing sounds in its first " + SecondsText(options.seconds.value_or(0)) + " seconds";
    return shaped;
  }

  const int shift = options.octave ? *options.octave : ChooseOctaveShift(ticked);
  TuneWriter writer;
  for (TickNote& note : ticked) {
    note.key += shift * kOctave;
    if (note.key < 0 || note.key > kHighestKey) {
      const int from = note.key - shift * kOctave;
      shaped.refusal = "an octave shift of " + std::to_string(shift) + " takes key " + std::to_string(from) +
                       (note.key < 0 ? " below 0" : " above 127");
      return shaped;
    }
    writer.Note(note);
  }
  shaped.bytes = writer.Finish();
  if (shaped.bytes.size() > palm::kLargestTune) {
    shaped.refusal = "the shaped tune is " + std::to_string(shaped.bytes.size()) + " bytes, more than the " +
                     std::to_string(palm::kLargestTune) + " a record holds";
    shaped.bytes.clear();
  }
  return shaped;
}

}  // namespace handheld
