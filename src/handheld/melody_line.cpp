#include "handheld/melody_line.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>

namespace handheld {

namespace {
constexpr std::size_t kKeys = 128;
constexpr std::size_t kChannels = 16;

// A note as a MIDI player sounds it; `strike` is its Note On's place in playing order.
struct PlayedNote {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  std::uint8_t key = 0;
  std::size_t strike = 0;
};

bool Chosen(unsigned channel, std::uint8_t event_channel) {
  return channel == kAllButDrums ? event_channel + 1u != kDrumChannel : event_channel + 1u == channel;
}

std::vector<PlayedNote> PairNotes(const TuneNotes& tune, unsigned channel) {
  std::vector<std::vector<std::size_t>> open(kChannels * kKeys);  // Note Ons waiting for their Off
  std::vector<PlayedNote> notes;
  for (std::size_t index = 0; index < tune.events.size(); ++index) {
    const NoteEvent& event = tune.events[index];
    if (!Chosen(channel, event.channel)) continue;
    std::vector<std::size_t>& waiting = open[event.channel * kKeys + event.key];
    if (event.on) {
      waiting.push_back(index);
    } else if (!waiting.empty()) {
      notes.push_back({tune.events[waiting.front()].tick, event.tick, event.key, waiting.front()});
      waiting.erase(waiting.begin());
    }
  }
  for (const std::vector<std::size_t>& waiting : open) {
    for (std::size_t index : waiting) {
      const NoteEvent& on = tune.events[index];
      notes.push_back({on.tick, tune.track_ends[on.track], on.key, index});
    }
  }
  std::erase_if(notes, [](const PlayedNote& note) { return note.end == note.start; });  // never sounds
  return notes;
}

// 128 keys as two words, for the highest one at once.
class KeySet {
 public:
  void Set(std::uint8_t key, bool on) {
    const std::uint64_t bit = std::uint64_t{1} << (key % 64);
    words_[key / 64] = on ? words_[key / 64] | bit : words_[key / 64] & ~bit;
  }
  // The highest key in this set and not in `hidden`.
  std::optional<std::uint8_t> HighestNotIn(const KeySet& hidden) const {
    for (int word = 1; word >= 0; --word) {
      const std::uint64_t left = words_[word] & ~hidden.words_[word];
      if (left != 0) return static_cast<std::uint8_t>(word * 64 + std::bit_width(left) - 1);
    }
    return std::nullopt;
  }

 private:
  std::array<std::uint64_t, 2> words_{};
};

struct Boundary {
  std::uint64_t tick = 0;
  bool on = false;
  std::uint8_t key = 0;
  std::size_t strike = 0;
};

// One key from one strike, between two instants (indices into the instants).
struct Stretch {
  std::uint8_t key = 0;
  std::size_t strike = 0;
  std::size_t from = 0;
  std::size_t to = 0;
};

class Skyline {
 public:
  explicit Skyline(const std::vector<PlayedNote>& notes) {
    for (const PlayedNote& note : notes) {
      boundaries_.push_back({note.start, true, note.key, note.strike});
      boundaries_.push_back({note.end, false, note.key, note.strike});
    }
    // Offs before Ons at one instant; Ons in playing order, so the last one's strike stays.
    std::sort(boundaries_.begin(), boundaries_.end(), [](const Boundary& a, const Boundary& b) {
      if (a.tick != b.tick) return a.tick < b.tick;
      if (a.on != b.on) return !a.on;
      return a.strike < b.strike;
    });
    for (const Boundary& boundary : boundaries_) {
      if (instants_.empty() || instants_.back() != boundary.tick) instants_.push_back(boundary.tick);
    }
  }

  const std::vector<std::uint64_t>& Instants() const { return instants_; }

  // The stretches of the skyline when each stretch in `dropped` gives its time to the keys below.
  std::vector<Stretch> Stretches(std::vector<Stretch> dropped) const {
    std::vector<Stretch> ending = dropped;
    auto by = [](std::size_t Stretch::*field) {
      return [field](const Stretch& a, const Stretch& b) { return a.*field < b.*field; };
    };
    std::sort(dropped.begin(), dropped.end(), by(&Stretch::from));
    std::sort(ending.begin(), ending.end(), by(&Stretch::to));
    std::array<unsigned, kKeys> count{};
    std::array<std::size_t, kKeys> strike{};
    KeySet sounding;
    KeySet hidden;
    std::vector<Stretch> stretches;
    std::optional<Stretch> current;
    std::size_t next = 0;
    std::size_t next_dropped = 0;
    std::size_t next_ending = 0;
    for (std::size_t instant = 0; instant < instants_.size(); ++instant) {
      for (; next < boundaries_.size() && boundaries_[next].tick == instants_[instant]; ++next) {
        const Boundary& boundary = boundaries_[next];
        if (boundary.on) {
          strike[boundary.key] = boundary.strike;
          if (count[boundary.key]++ == 0) sounding.Set(boundary.key, true);
        } else if (--count[boundary.key] == 0) {
          sounding.Set(boundary.key, false);
        }
      }
      for (; next_ending < ending.size() && ending[next_ending].to == instant; ++next_ending) {
        hidden.Set(ending[next_ending].key, false);
      }
      for (; next_dropped < dropped.size() && dropped[next_dropped].from == instant; ++next_dropped) {
        hidden.Set(dropped[next_dropped].key, true);
      }
      const std::optional<std::uint8_t> top = sounding.HighestNotIn(hidden);
      if (current && (!top || *top != current->key || strike[*top] != current->strike)) {
        current->to = instant;
        stretches.push_back(*current);
        current.reset();
      }
      if (top && !current) current = Stretch{*top, strike[*top], instant, 0};
    }
    return stretches;  // every note ends at an instant, so nothing sounds after the last
  }

 private:
  std::vector<Boundary> boundaries_;
  std::vector<std::uint64_t> instants_;
};

std::string NoNotes(const TuneNotes& tune, unsigned channel) {
  if (channel != kAllButDrums) return "channel " + std::to_string(channel) + " has no notes";
  if (!PairNotes(tune, kDrumChannel).empty()) return "the tune has only drums (channel 10)";
  return "the tune has no notes";
}
}  // namespace

Melody ReadMelody(const TuneNotes& tune, const TuneClock& clock, unsigned channel) {
  Melody melody;
  const std::vector<PlayedNote> notes = PairNotes(tune, channel);
  if (notes.empty()) {
    melody.refusal = NoNotes(tune, channel);
    return melody;
  }
  const Skyline skyline(notes);
  std::vector<std::uint64_t> times;  // of each instant, over the clock's denominator
  for (std::uint64_t tick : skyline.Instants()) {
    std::optional<std::uint64_t> time = clock.Numerator(tick);
    if (!time) {
      melody.refusal = "the tune is too long to time exactly";
      return melody;
    }
    times.push_back(*time);
  }
  const std::uint64_t ten_milliseconds = clock.Denominator();  // one hundredth of a second
  std::vector<Stretch> dropped;
  std::vector<Stretch> stretches;
  for (bool dropping = true; dropping;) {
    stretches = skyline.Stretches(dropped);
    dropping = false;
    for (const Stretch& stretch : stretches) {
      if (times[stretch.to] - times[stretch.from] < ten_milliseconds) {
        dropped.push_back(stretch);
        dropping = true;
      }
    }
  }
  for (const Stretch& stretch : stretches) {
    melody.notes.push_back({stretch.key, skyline.Instants()[stretch.from], skyline.Instants()[stretch.to]});
  }
  return melody;
}

}  // namespace handheld
