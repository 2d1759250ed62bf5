#include "midi/smf_format0.h"

#include <algorithm>
#include <cstdint>

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

// The next event of each track, earliest tick first and at the same tick the earliest track: a
// binary heap whose top is replaced by its track's next event in one pass down. Each change gives
// the track now on top, so that the merge never reads back what was just stored (that stalls).
class TrackQueue {
 public:
  struct Entry {
    std::uint64_t tick;
    std::size_t track;
  };

  explicit TrackQueue(std::size_t tracks) { heap_.reserve(tracks); }
  bool Empty() const { return heap_.empty(); }
  std::size_t TopTrack() const { return heap_.front().track; }

  void Push(Entry entry) {
    std::size_t at = heap_.size();
    heap_.push_back(entry);
    while (at > 0 && Before(entry, heap_[(at - 1) / 2])) {
      heap_[at] = heap_[(at - 1) / 2];
      at = (at - 1) / 2;
    }
    heap_[at] = entry;
  }
  std::size_t ReplaceTop(Entry entry) { return SiftDown(entry); }
  // False when nothing is left.
  bool PopTop(std::size_t& top) {
    const Entry last = heap_.back();
    heap_.pop_back();
    if (heap_.empty()) return false;
    top = SiftDown(last);
    return true;
  }

 private:
  static bool Before(const Entry& a, const Entry& b) { return a.tick != b.tick ? a.tick < b.tick : a.track < b.track; }
  std::size_t SiftDown(Entry entry) {
    const std::size_t size = heap_.size();
    std::size_t at = 0;
    std::size_t top = entry.track;
    for (;;) {
      std::size_t child = 2 * at + 1;
      if (child >= size) break;
      if (child + 1 < size && Before(heap_[child + 1], heap_[child])) ++child;
      const Entry moved = heap_[child];
      if (!Before(moved, entry)) break;
      if (at == 0) top = moved.track;
      heap_[at] = moved;
      at = child;
    }
    heap_[at] = entry;
    return top;
  }

  std::vector<Entry> heap_;
};

enum class Merge { Done, Broken, TooLong };

// Reads the events as it merges them: a track whose events are broken stops it (ReadSmf then
// names the first problem in the file). Each merged delta is at most the delta its event had in
// its own track (the track's previous event was merged before the previous merged event, or is
// the start), so it always fits four bytes; so does End of Track's, measured from the latest
// ending track's own last event. The last event merged, End of Track or not, has the latest tick
// of all: the tune's end.
template <typename Sink>
Merge WriteMerged(const ReadResult& smf, Sink& out) {
  const std::uint8_t head[kMergedHeadSize] = {
      'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1,
      static_cast<std::uint8_t>(smf.header.division >> 8), static_cast<std::uint8_t>(smf.header.division),
      'M', 'T', 'r', 'k', 0, 0, 0, 0};
  out.Put(head);

  const std::size_t count = smf.tracks.size();
  std::vector<EventCursor> cursors;
  cursors.reserve(count);
  std::vector<Event> next(count);
  TrackQueue queue(count);
  for (std::size_t i = 0; i < count; ++i) {
    cursors.emplace_back(smf.tracks[i], i + 1);
    if (cursors[i].Next(next[i])) {
      queue.Push({next[i].tick, i});
    } else if (cursors[i].problem()) {
      return Merge::Broken;
    }
  }

  std::uint64_t last = 0;
  std::uint64_t end = 0;
  std::uint8_t running = 0;
  std::size_t track = queue.Empty() ? 0 : queue.TopTrack();
  while (!queue.Empty()) {
    const Event& event = next[track];
    end = event.tick;
    // Channel events first: most events are, and End of Track is told only among the others.
    if (event.kind == EventKind::Channel) {
      PutNumber(out, event.tick - last);
      last = event.tick;
      if (event.status != running) {
        out.Put(event.status);
        running = event.status;
      }
      out.Put(event.data);
    } else if (!event.IsEndOfTrack()) {
      PutNumber(out, event.tick - last);
      last = event.tick;
      out.Put(event.status);
      running = 0;
      out.Put(event.data);
    }
    if (cursors[track].Next(next[track])) {
      track = queue.ReplaceTop({next[track].tick, track});
    } else if (cursors[track].problem()) {
      return Merge::Broken;
    } else if (!queue.PopTop(track)) {
      break;
    }
  }
  PutNumber(out, end - last);
  const std::uint8_t end_of_track[3] = {0xFF, kEndOfTrackType, 0x00};
  out.Put(end_of_track);

  const std::uint64_t length = out.Size() - kMergedHeadSize;
  if (length > UINT32_MAX) return Merge::TooLong;
  out.PutLength(kTrackLengthOffset, static_cast<std::uint32_t>(length));
  return Merge::Done;
}

template <typename Sink>
std::optional<Problem> Convert(std::span<const std::uint8_t> file, Sink& out) {
  HeaderResult head = ReadSmfHeader(file);
  if (head.problem) return head.problem;
  if (head.header.format == 2) {
    return Problem{kFormatOffset, "format 2 cannot become format 0: its tracks are independent sequences, "
                                  "not parts of one tune"};
  }
  if (head.header.format == 0) {
    ReadResult smf = ReadSmf(file);
    if (smf.problem) return smf.problem;
    out.Put(file);
    return std::nullopt;
  }
  // The events are read once, as they are merged; only a broken file is read again, to find its
  // first problem.
  ReadResult tracks = LocateTracks(file);
  if (tracks.problem) return ReadSmf(file).problem;
  switch (WriteMerged(tracks, out)) {
    case Merge::Done: return std::nullopt;
    case Merge::Broken: return ReadSmf(file).problem;
    case Merge::TooLong: break;
  }
  return Problem{0, "the merged track would be longer than a track chunk can declare"};
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
