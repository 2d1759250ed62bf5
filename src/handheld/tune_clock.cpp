#include "handheld/tune_clock.h"

#include <algorithm>
#include <limits>

namespace handheld {

namespace {
constexpr std::uint64_t kMicrosecondsPerHundredth = 10000;
constexpr std::uint64_t kHundredthsPerSecond = 100;
constexpr unsigned kDropFrameRate = 29;  // 30 frames a second slowed by 1000/1001
}  // namespace

std::optional<std::uint64_t> MultiplyAdd(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  if (b != 0 && a > kMax / b) return std::nullopt;
  if (a * b > kMax - c) return std::nullopt;
  return a * b + c;
}

TuneClock::TuneClock(const midi::SmfHeader& header, const std::vector<TempoChange>& changes) {
  if (header.Kind() == midi::DivisionKind::Smpte) {
    // Set Tempo means nothing under SMPTE time: every tick lasts one share of a frame.
    const unsigned frames = header.SmpteFrames();
    const std::uint64_t per_frame = header.TicksPerFrame();
    if (frames == kDropFrameRate) {
      denominator_ = 30000 * per_frame;
      segments_.push_back({0, 0, 0, kHundredthsPerSecond * 1001});
    } else {
      denominator_ = frames * per_frame;
      segments_.push_back({0, 0, 0, kHundredthsPerSecond});
    }
    return;
  }
  // Metrical: a tick lasts tempo / division microseconds, so numerator units are µs × division.
  denominator_ = header.TicksPerQuarter() * kMicrosecondsPerHundredth;
  segments_.push_back({0, 0, 0, kDefaultTempo});
  for (const TempoChange& change : changes) {
    const Segment& last = segments_.back();
    const std::uint64_t elapsed = change.tick - last.tick;
    std::optional<std::uint64_t> numerator;
    if (last.numerator) numerator = MultiplyAdd(elapsed, last.rate, *last.numerator);
    const double hundredths = last.hundredths + static_cast<double>(elapsed) * static_cast<double>(last.rate) /
                                                    static_cast<double>(denominator_);
    if (change.tick == last.tick) segments_.pop_back();  // the later of two changes at one tick wins
    segments_.push_back({change.tick, numerator, hundredths, change.tempo});
  }
}

const TuneClock::Segment& TuneClock::SegmentAt(std::uint64_t tick) const {
  auto after = std::upper_bound(segments_.begin(), segments_.end(), tick,
                                [](std::uint64_t t, const Segment& segment) { return t < segment.tick; });
  return *(after - 1);
}

std::optional<std::uint64_t> TuneClock::Numerator(std::uint64_t tick) const {
  const Segment& segment = SegmentAt(tick);
  if (!segment.numerator) return std::nullopt;
  return MultiplyAdd(tick - segment.tick, segment.rate, *segment.numerator);
}

std::optional<std::uint64_t> TuneClock::Hundredths(std::uint64_t tick) const {
  std::optional<std::uint64_t> numerator = Numerator(tick);
  if (!numerator) return std::nullopt;
  const std::uint64_t whole = *numerator / denominator_;
  return whole + (*numerator % denominator_ >= denominator_ - *numerator % denominator_ ? 1 : 0);
}

double TuneClock::Seconds(std::uint64_t tick) const {
  const Segment& segment = SegmentAt(tick);
  const double hundredths = segment.hundredths + static_cast<double>(tick - segment.tick) *
                                                     static_cast<double>(segment.rate) /
                                                     static_cast<double>(denominator_);
  return hundredths / static_cast<double>(kHundredthsPerSecond);
}

}  // namespace handheld
