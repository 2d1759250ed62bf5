#include "midi/smf_reader.h"

#include <algorithm>
#include <cstdio>

namespace midi {

namespace {
constexpr std::uint8_t kHeaderTag[4] = {'M', 'T', 'h', 'd'};
constexpr std::uint8_t kTrackTag[4] = {'M', 'T', 'r', 'k'};

std::uint16_t Big16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

std::uint32_t Big32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) | (std::uint32_t{bytes[at + 2]} << 8) |
         bytes[at + 3];
}

bool HasTag(std::span<const std::uint8_t> bytes, std::size_t at, const std::uint8_t (&tag)[4]) {
  return std::equal(tag, tag + 4, bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

std::string Hex(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(byte));
  return text;
}

// Data bytes that follow a channel status.
std::size_t DataBytes(std::uint8_t status) {
  std::uint8_t kind = status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

std::optional<Problem> CheckDivision(const SmfHeader& header) {
  if (header.Kind() == DivisionKind::Metrical) {
    if (header.TicksPerQuarter() == 0) return Problem{kDivisionOffset, "the time division is 0 ticks per quarter note"};
    return std::nullopt;
  }
  unsigned frames = header.SmpteFrames();
  if (frames != 24 && frames != 25 && frames != 29 && frames != 30) {
    return Problem{kDivisionOffset, "the SMPTE time division names " + std::to_string(frames) +
                                        " frames per second, not 24, 25, 29 or 30"};
  }
  if (header.TicksPerFrame() == 0) return Problem{kDivisionOffset + 1, "the SMPTE time division has 0 ticks per frame"};
  return std::nullopt;
}
}  // namespace

HeaderResult ReadSmfHeader(std::span<const std::uint8_t> file) {
  HeaderResult result;
  if (file.size() < 4 || !HasTag(file, 0, kHeaderTag)) {
    result.problem = Problem{0, "not a Standard MIDI File: it does not begin with \"MThd\""};
    return result;
  }
  if (file.size() < kChunkHeadSize) {
    result.problem = Problem{4, "the file ends inside the header chunk"};
    return result;
  }
  SmfHeader& header = result.header;
  header.length = Big32(file, 4);
  if (header.length < kMinHeaderLength) {
    result.problem = Problem{4, "the header chunk is " + std::to_string(header.length) + " bytes long, at least 6 are needed"};
    return result;
  }
  std::size_t remaining = file.size() - kChunkHeadSize;
  if (header.length > remaining) {
    result.problem = Problem{4, "the header chunk runs past the end of the file: it declares " +
                                    std::to_string(header.length) + " bytes, " + std::to_string(remaining) + " remain"};
    return result;
  }
  header.format = Big16(file, kFormatOffset);
  header.track_count = Big16(file, kTrackCountOffset);
  header.division = Big16(file, kDivisionOffset);
  if (header.format > 2) {
    result.problem = Problem{kFormatOffset, "format " + std::to_string(header.format) + " is not 0, 1 or 2"};
  } else if (header.track_count == 0) {
    result.problem = Problem{kTrackCountOffset, "the header declares no tracks"};
  } else if (header.format == 0 && header.track_count != 1) {
    result.problem = Problem{kTrackCountOffset, "a format-0 file holds one track, this header declares " +
                                                    std::to_string(header.track_count)};
  } else {
    result.problem = CheckDivision(header);
  }
  return result;
}

namespace {
ReadResult ReadChunks(std::span<const std::uint8_t> file, bool check_events) {
  ReadResult result;
  HeaderResult head = ReadSmfHeader(file);
  result.header = head.header;
  if (head.problem) {
    result.problem = std::move(head.problem);
    return result;
  }
  const std::size_t declared = result.header.track_count;
  std::size_t pos = kChunkHeadSize + result.header.length;
  while (result.tracks.size() < declared) {
    if (file.size() - pos < kChunkHeadSize) {
      result.problem = Problem{pos, "the file ends after " + std::to_string(result.tracks.size()) + " of the " +
                                        std::to_string(declared) + " tracks its header declares"};
      return result;
    }
    std::uint32_t length = Big32(file, pos + 4);
    bool is_track = HasTag(file, pos, kTrackTag);
    std::size_t remaining = file.size() - pos - kChunkHeadSize;
    if (length > remaining) {
      std::string what = is_track ? "track " + std::to_string(result.tracks.size() + 1) : "a chunk other than a track";
      result.problem = Problem{pos + 4, what + " runs past the end of the file: it declares " + std::to_string(length) +
                                            " bytes, " + std::to_string(remaining) + " remain"};
      return result;
    }
    if (is_track) {
      Track track;
      track.offset = pos + kChunkHeadSize;
      track.body = file.subspan(track.offset, length);
      if (!check_events) {
        result.tracks.push_back(track);
        pos += kChunkHeadSize + length;
        continue;
      }
      EventCursor cursor(track, result.tracks.size() + 1);
      Event event;
      while (cursor.Next(event)) {
        ++track.event_count;
        track.end_tick = event.tick;
        if (event.IsEndOfTrack()) track.has_end_of_track = true;
      }
      if (cursor.problem()) {
        result.problem = cursor.problem();
        return result;
      }
      result.tracks.push_back(track);
    }
    pos += kChunkHeadSize + length;
  }
  result.trailing_bytes = file.size() - pos;
  return result;
}
}  // namespace

ReadResult ReadSmf(std::span<const std::uint8_t> file) { return ReadChunks(file, true); }

ReadResult ReadSmfLayout(std::span<const std::uint8_t> file) { return ReadChunks(file, false); }

EventCursor::EventCursor(const Track& track, std::size_t number)
    : body_(track.body), base_(track.offset), number_(number) {}

bool EventCursor::Fail(std::size_t at, const std::string& what) {
  problem_ = Problem{base_ + at, "track " + std::to_string(number_) + ": " + what};
  done_ = true;
  return false;
}

EventCursor::NumberRead EventCursor::ReadNumber(std::uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    if (pos_ >= body_.size()) return NumberRead::CutOff;
    std::uint8_t byte = body_[pos_++];
    value = (value << 7) | (byte & 0x7Fu);
    if ((byte & 0x80) == 0) return NumberRead::Ok;
  }
  return NumberRead::TooLong;
}

bool EventCursor::Next(Event& event) {
  if (done_) return false;
  if (pos_ == body_.size()) {  // the chunk ends without End of Track
    done_ = true;
    return false;
  }
  const std::size_t start = pos_;
  const char* cut_off = "the event at this offset is cut off by the end of the track";
  std::uint32_t delta = 0;
  switch (ReadNumber(delta)) {
    case NumberRead::Ok: break;
    case NumberRead::TooLong: return Fail(start, "a delta time longer than four bytes");
    case NumberRead::CutOff: return Fail(start, cut_off);
  }
  tick_ += delta;
  if (pos_ >= body_.size()) return Fail(start, cut_off);

  event = Event{};
  event.tick = tick_;
  event.offset = base_ + start;
  std::uint8_t first = body_[pos_];
  if (first < 0x80) {
    if (running_ == 0) return Fail(pos_, "data byte " + Hex(first) + " with no status before it");
    event.status = running_;
    event.running = true;
  } else if (first < 0xF0) {
    event.status = running_ = first;
    ++pos_;
  } else if (first == kSysExStatus || first == kEscapeStatus || first == kMetaStatus) {
    event.status = first;
    event.kind = first == kMetaStatus ? EventKind::Meta : EventKind::SysEx;
    const std::size_t data_begin = ++pos_;
    if (event.kind == EventKind::Meta) {
      if (pos_ >= body_.size()) return Fail(start, cut_off);
      event.meta_type = body_[pos_++];
    }
    std::uint32_t length = 0;
    switch (ReadNumber(length)) {
      case NumberRead::Ok: break;
      case NumberRead::TooLong: return Fail(start, "a length longer than four bytes");
      case NumberRead::CutOff: return Fail(start, cut_off);
    }
    if (length > body_.size() - pos_) return Fail(start, cut_off);
    event.contents = body_.subspan(pos_, length);
    pos_ += length;
    event.data = body_.subspan(data_begin, pos_ - data_begin);
    if (event.IsEndOfTrack()) done_ = true;
    return true;
  } else {
    return Fail(pos_, "status byte " + Hex(first) + " cannot stand in a MIDI file");
  }

  const std::size_t count = DataBytes(event.status);
  if (count > body_.size() - pos_) return Fail(start, cut_off);
  for (std::size_t i = 0; i < count; ++i) {
    if (body_[pos_ + i] >= 0x80) {
      return Fail(pos_ + i, "status byte " + Hex(body_[pos_ + i]) + " where the " + Hex(event.status) +
                                " event before it still needs a data byte");
    }
  }
  const std::span<const std::uint8_t> data = body_.subspan(pos_, count);
  event.data = data;
  event.contents = data;
  pos_ += count;
  return true;
}

}  // namespace midi
