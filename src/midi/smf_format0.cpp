#include "midi/smf_format0.h"

#include <algorithm>
#include <cstdint>
#include <queue>

namespace midi {

namespace {
constexpr std::size_t kTrackLengthOffset = 18;  // in the merged file: after "MThd", 6, the header, "MTrk"
constexpr std::size_t kMergedHeadSize = 22;

class ByteSink {
 public:
  explicit ByteSink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  void Put(std::uint8_t byte) { bytes_.push_back(byte); }
  void Put(std::span<const std::uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
  std::size_t Size() const { return bytes_.size(); }
  void PutLength(std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
  }

 private:
  std::vector<std::uint8_t>& bytes_;
};

class CountingSink {
 public:
  void Put(std::uint8_t) { ++size_; }
  void Put(std::span<const std::uint8_t> bytes) { size_ += bytes.size(); }
  std::size_t Size() const { return size_; }
  void PutLength(std::size_t, std::uint32_t) {}

 private:
  std::size_t size_ = 0;
};

template <typename Sink>
void PutNumber(Sink& out, std::uint64_t value) {
  std::uint8_t reversed[10];
  std::size_t count = 0;
  reversed[count++] = static_cast<std::uint8_t>(value & 0x7F);
  while ((value >>= 7) != 0) reversed[count++] = static_cast<std::uint8_t>(0x80 | (value & 0x7F));
  while (count > 0) out.Put(reversed[--count]);
}

// The next event of each track waits here, earliest tick first, then the earliest track.
struct Pending {
  std::uint64_t tick;
  std::size_t track;
};
struct Later {
  bool operator()(const Pending& a, const Pending& b) const {
    return a.tick != b.tick ? a.tick > b.tick : a.track > b.track;
  }
};

// Each merged delta is at most the delta its event had in its own track (the track's previous
// event was merged before the previous merged event, or is the start), so it always fits four
// bytes; so does End of Track's, measured from the latest ending track's own last event.
template <typename Sink>
std::optional<Problem> WriteMerged(const ReadResult& smf, Sink& out) {
  const std::uint8_t head[kMergedHeadSize] = {
      'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1,
      static_cast<std::uint8_t>(smf.header.division >> 8), static_cast<std::uint8_t>(smf.header.division),
      'M', 'T', 'r', 'k', 0, 0, 0, 0};
  out.Put(head);

  const std::size_t count = smf.tracks.size();
  std::vector<EventCursor> cursors;
  cursors.reserve(count);
  std::vector<Event> next(count);
  std::vector<Pending> storage;
  storage.reserve(count);
  std::priority_queue<Pending, std::vector<Pending>, Later> queue(Later{}, std::move(storage));
  std::uint64_t end = 0;
  for (std::size_t i = 0; i < count; ++i) {
    cursors.emplace_back(smf.tracks[i], i + 1);
    end = std::max(end, smf.tracks[i].end_tick);
    if (cursors[i].Next(next[i])) queue.push({next[i].tick, i});
  }

  std::uint64_t last = 0;
  std::uint8_t running = 0;
  while (!queue.empty()) {
    const std::size_t track = queue.top().track;
    queue.pop();
    const Event& event = next[track];
    if (!event.IsEndOfTrack()) {
      PutNumber(out, event.tick - last);
      last = event.tick;
      if (event.kind != EventKind::Channel) {
        out.Put(event.status);
        running = 0;
      } else if (event.status != running) {
        out.Put(event.status);
        running = event.status;
      }
      out.Put(event.data);
    }
    if (cursors[track].Next(next[track])) queue.push({next[track].tick, track});
  }
  PutNumber(out, end - last);
  const std::uint8_t end_of_track[3] = {0xFF, kEndOfTrackType, 0x00};
  out.Put(end_of_track);

  const std::uint64_t length = out.Size() - kMergedHeadSize;
  if (length > UINT32_MAX) return Problem{0, "the merged track would be longer than a track chunk can declare"};
  out.PutLength(kTrackLengthOffset, static_cast<std::uint32_t>(length));
  return std::nullopt;
}

template <typename Sink>
std::optional<Problem> Convert(std::span<const std::uint8_t> file, Sink& out) {
  HeaderResult head = ReadSmfHeader(file);
  if (head.problem) return head.problem;
  if (head.header.format == 2) {
    return Problem{kFormatOffset, "format 2 cannot become format 0: its tracks are independent sequences, "
                                  "not parts of one tune"};
  }
  ReadResult smf = ReadSmf(file);
  if (smf.problem) return smf.problem;
  if (smf.header.format == 0) {
    out.Put(file);
    return std::nullopt;
  }
  return WriteMerged(smf, out);
}
}  // namespace

ConvertResult ConvertToFormat0(std::span<const std::uint8_t> file) {
  ConvertResult result;
  result.bytes.reserve(file.size() + kMergedHeadSize);
  ByteSink sink(result.bytes);
  result.problem = Convert(file, sink);
  if (result.problem) result.bytes = std::vector<std::uint8_t>();
  return result;
}

SizeResult ConvertedSize(std::span<const std::uint8_t> file) {
  SizeResult result;
  CountingSink sink;
  result.problem = Convert(file, sink);
  if (!result.problem) result.size = sink.Size();
  return result;
}

}  // namespace midi
