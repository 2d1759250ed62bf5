// The real time of a tune's ticks under its tempo map, exactly: as a fraction of hundredths of a
// second over one denominator, so that times compare and round without drift.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "midi/smf_reader.h"

namespace handheld {

inline constexpr std::uint32_t kDefaultTempo = 500000;  // microseconds per quarter note

struct TempoChange {
  std::uint64_t tick = 0;
  std::uint32_t tempo = kDefaultTempo;
};

class TuneClock {
 public:
  // `changes` in playing order; a metrical division must not be 0, an SMPTE one names 24, 25, 29
  // (drop-frame, 29.97) or 30 frames a second and more than 0 ticks per frame.
  TuneClock(const midi::SmfHeader& header, const std::vector<TempoChange>& changes);

  // Hundredths of a second = Numerator(tick) / Denominator(); none where it would pass 64 bits.
  std::optional<std::uint64_t> Numerator(std::uint64_t tick) const;
  std::uint64_t Denominator() const { return denominator_; }
  // The tick's time rounded to the nearest hundredth, halves up.
  std::optional<std::uint64_t> Hundredths(std::uint64_t tick) const;
  double Seconds(std::uint64_t tick) const;

 private:
  struct Segment {
    std::uint64_t tick;
    std::optional<std::uint64_t> numerator;  // at `tick`
    double hundredths;                       // the same, for Seconds
    std::uint64_t rate;                      // numerator units per tick
  };
  const Segment& SegmentAt(std::uint64_t tick) const;

  std::uint64_t denominator_ = 1;
  std::vector<Segment> segments_;  // by tick, the first at tick 0
};

// a × b + c, or none where it would pass 64 bits.
std::optional<std::uint64_t> MultiplyAdd(std::uint64_t a, std::uint64_t b, std::uint64_t c);

}  // namespace handheld
