#include "midi/smf_format0.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace midi {

namespace {
constexpr std::size_t kTrackLengthOffset = 18;  // in the merged file: after "MThd", 6, the header, "MTrk"
constexpr std::size_t kMergedHeadSize = 22;

// Writes through a pointer into room made beforehand, and makes more only if it runs out.
class ByteSink {
 public:
  ByteSink(std::vector<std::uint8_t>& bytes, std::size_t expected) : bytes_(bytes) {
    bytes_.resize(expected);
    at_ = bytes_.data();
    end_ = at_ + bytes_.size();
  }
  void Put(std::uint8_t byte) {
    if (at_ == end_) Grow(1);
    *at_++ = byte;
  }
  void Put(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > static_cast<std::size_t>(end_ - at_)) Grow(bytes.size());
    if (bytes.size() <= 2) {  // a channel event's data: cheaper than a call
      for (std::uint8_t byte : bytes) *at_++ = byte;
      return;
    }
    std::memcpy(at_, bytes.data(), bytes.size());
    at_ += bytes.size();
  }
  std::size_t Size() const { return static_cast<std::size_t>(at_ - bytes_.data()); }
  void PutLength(std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
  }
  void Finish() { bytes_.resize(Size()); }

 private:
  void Grow(std::size_t more) {
    const std::size_t used = Size();
    bytes_.resize(std::max(used + more, 2 * bytes_.size()));
    at_ = bytes_.data() + used;
    end_ = bytes_.data() + bytes_.size();
  }

  std::vector<std::uint8_t>& bytes_;
  std::uint8_t* at_;
  std::uint8_t* end_;
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

constexpr std::uint64_t kNoMoreEvents = UINT64_MAX;  // beyond any tick: 2^28 - 1 per event at most

// The tracks waiting with their next event, the earliest tick on top, then the earliest track.
struct Pending {
  std::uint64_t tick;
  std::size_t track;
};

class MergeQueue {
 public:
  explicit MergeQueue(std::size_t capacity) { heap_.reserve(capacity); }
  bool Empty() const { return heap_.empty(); }
  const Pending& Top() const { return heap_.front(); }
  void Push(Pending pending) {
    std::size_t at = heap_.size();
    heap_.push_back(pending);
    while (at > 0 && Before(heap_[at], heap_[(at - 1) / 2])) {
      std::swap(heap_[at], heap_[(at - 1) / 2]);
      at = (at - 1) / 2;
    }
  }
  void ReplaceTop(Pending pending) {
    heap_.front() = pending;
    SiftDown();
  }
  void Pop() {
    heap_.front() = heap_.back();
    heap_.pop_back();
    if (!heap_.empty()) SiftDown();
  }

 private:
  static bool Before(const Pending& a, const Pending& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.track < b.track;
  }
  void SiftDown() {
    const std::size_t size = heap_.size();
    std::size_t at = 0;
    for (;;) {
      std::size_t first = at;
      const std::size_t left = 2 * at + 1;
      if (left < size && Before(heap_[left], heap_[first])) first = left;
      if (left + 1 < size && Before(heap_[left + 1], heap_[first])) first = left + 1;
      if (first == at) return;
      std::swap(heap_[at], heap_[first]);
      at = first;
    }
  }

  std::vector<Pending> heap_;
};

// Merges the tracks into the one track of a format-0 file, reading each event once. A problem in
// any track ends the merge; the caller then asks ReadSmf for the first problem in file order.
//
// Tick by tick, every track with events at that tick writes them in turn, in track order. With
// few tracks one pass over all of them per tick finds both those tracks and the next tick; with
// many, that pass would cost too much per tick, and a heap finds the tracks instead.
//
// Each merged delta is at most the delta its event had in its own track (the track's previous
// event was merged before the previous merged event, or is the start), so it always fits four
// bytes; so does End of Track's, measured from the latest ending track's own last event.
template <typename Sink>
class TrackMerger {
 public:
  static constexpr std::size_t kMostTracksToScan = 64;

  TrackMerger(const ReadResult& layout, Sink& out) : layout_(layout), out_(out) {}

  std::optional<Problem> Write() {
    const std::uint8_t head[kMergedHeadSize] = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1,
        static_cast<std::uint8_t>(layout_.header.division >> 8), static_cast<std::uint8_t>(layout_.header.division),
        'M', 'T', 'r', 'k', 0, 0, 0, 0};
    out_.Put(head);

    const std::size_t count = layout_.tracks.size();
    cursors_.reserve(count);
    next_.resize(count);
    std::vector<std::uint64_t> ticks(count, kNoMoreEvents);  // of each track's next event
    for (std::size_t track = 0; track < count; ++track) {
      cursors_.emplace_back(layout_.tracks[track], track + 1);
      ticks[track] = Advance(track);
    }
    if (problem_) return problem_;
    if (count <= kMostTracksToScan) {
      ScanTracks(ticks);
    } else {
      QueueTracks(ticks);
    }
    if (problem_) return problem_;

    PutNumber(out_, end_ - last_);
    const std::uint8_t end_of_track[3] = {0xFF, kEndOfTrackType, 0x00};
    out_.Put(end_of_track);
    const std::uint64_t length = out_.Size() - kMergedHeadSize;
    if (length > UINT32_MAX) return Problem{0, "the merged track would be longer than a track chunk can declare"};
    out_.PutLength(kTrackLengthOffset, static_cast<std::uint32_t>(length));
    return std::nullopt;
  }

 private:
  void ScanTracks(std::vector<std::uint64_t>& ticks) {
    std::uint64_t now = *std::min_element(ticks.begin(), ticks.end());
    while (now != kNoMoreEvents && !problem_) {
      std::uint64_t after = kNoMoreEvents;
      for (std::size_t track = 0; track < ticks.size(); ++track) {
        if (ticks[track] == now) ticks[track] = WriteAt(track, now);
        after = std::min(after, ticks[track]);
      }
      now = after;
    }
  }

  void QueueTracks(const std::vector<std::uint64_t>& ticks) {
    MergeQueue queue(ticks.size());
    for (std::size_t track = 0; track < ticks.size(); ++track) {
      if (ticks[track] != kNoMoreEvents) queue.Push({ticks[track], track});
    }
    while (!queue.Empty() && !problem_) {
      const Pending top = queue.Top();
      const std::uint64_t tick = WriteAt(top.track, top.tick);
      if (tick == kNoMoreEvents) {
        queue.Pop();
      } else {
        queue.ReplaceTop({tick, top.track});
      }
    }
  }

  // Writes the track's events at tick `now`; gives the tick of its next one.
  std::uint64_t WriteAt(std::size_t track, std::uint64_t now) {
    end_ = now;
    std::uint64_t tick;
    do {
      WriteEvent(next_[track]);
      tick = Advance(track);
    } while (tick == now);
    return tick;
  }

  std::uint64_t Advance(std::size_t track) {
    if (cursors_[track].Next(next_[track])) return next_[track].tick;
    if (cursors_[track].problem()) problem_ = cursors_[track].problem();
    return kNoMoreEvents;
  }

  void WriteEvent(const Event& event) {
    if (event.IsEndOfTrack()) return;  // one for all comes last
    PutNumber(out_, event.tick - last_);
    last_ = event.tick;
    if (event.kind != EventKind::Channel) {
      out_.Put(event.status);
      running_ = 0;
    } else if (event.status != running_) {
      out_.Put(event.status);
      running_ = event.status;
    }
    out_.Put(event.data);
  }

  const ReadResult& layout_;
  Sink& out_;
  std::vector<EventCursor> cursors_;
  std::vector<Event> next_;
  std::uint64_t last_ = 0;  // tick of the last event written
  std::uint64_t end_ = 0;   // tick of the last event merged, End of Track included
  std::uint8_t running_ = 0;
  std::optional<Problem> problem_;
};

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
  ReadResult layout = ReadSmfLayout(file);
  std::optional<Problem> problem = layout.problem ? layout.problem : TrackMerger<Sink>(layout, out).Write();
  if (problem) {
    std::optional<Problem> first = ReadSmf(file).problem;
    if (first) return first;
  }
  return problem;
}
}  // namespace

ConvertResult ConvertToFormat0(std::span<const std::uint8_t> file) {
  ConvertResult result;
  // A merged file is seldom much larger than the original: statuses that running status saved
  // come back where tracks interleave, while their End of Track events go.
  ByteSink sink(result.bytes, file.size() + file.size() / 8 + kMergedHeadSize + 8);
  result.problem = Convert(file, sink);
  if (result.problem) {
    result.bytes = std::vector<std::uint8_t>();
  } else {
    sink.Finish();
  }
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
