// Reading Standard MIDI Files in memory: the header, the track chunks and every event in them,
// checked for structure and reported as the first problem with its byte offset, in plain words.
//
// What is accepted, refused or passed over, and why:
// - The header chunk must be "MThd" with a length of at least 6; bytes beyond the sixth belong to
//   later versions of the format and are skipped. Format 0, 1 or 2; at least one track, exactly one
//   in format 0. A division of 0 ticks per quarter note, an SMPTE rate other than 24, 25, 29 or 30
//   frames per second, or 0 ticks per frame gives no timing at all and is refused.
// - Chunks other than "MTrk" are skipped wherever they stand among the tracks.
// - A chunk whose length runs past the end of the file is refused: the file was cut short, and
//   whatever stood after the cut is lost.
// - Reading stops after the tracks the header declares. Whatever follows (transfer padding, extra
//   chunks) is tolerated and not read; `trailing_bytes` tells how much there was. A file that ends
//   before its declared tracks is refused.
// - Numbers (delta times, lengths) take at most four bytes.
// - Running status: a data byte where a status is due repeats the last channel status of the track,
//   also after a meta or system-exclusive event, as players read it. A data byte with no channel
//   status before it in the track is refused.
// - F0 and F7 events carry a length and their bytes, taken as they are. Status bytes F1 to F6 and
//   F8 to FE cannot stand in a file (their lengths are unknown) and are refused, and so is a
//   status byte where a channel event still needs a data byte.
// - Meta events carry a type and a length; their contents are not judged (a key signature with an
//   odd mode stays as it is). FF 2F (End of Track), whatever its length, ends the track; bytes
//   after it inside the chunk are passed over.
// - A track without End of Track ends with its last event, as players end it. An event cut off by
//   the end of its chunk is refused.
// Nothing is read outside the given bytes, and nothing is allocated by a count read from the file
// before the file is seen to hold what it counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace midi {

// The first problem found: where (a byte offset into the file) and what, in plain words.
struct Problem {
  std::size_t offset;
  std::string text;
};

inline constexpr std::size_t kChunkHeadSize = 8;    // four-character tag, big-endian 32-bit length
inline constexpr std::size_t kChunkLengthOffset = 4;  // within a chunk
inline constexpr std::size_t kFormatOffset = 8;     // within the file, big-endian 16 bits each
inline constexpr std::size_t kTrackCountOffset = 10;
inline constexpr std::size_t kDivisionOffset = 12;
inline constexpr std::uint32_t kMinHeaderLength = 6;
inline constexpr std::uint8_t kEndOfTrackType = 0x2F;
inline constexpr std::uint8_t kSetTempoType = 0x51;
inline constexpr std::size_t kSetTempoLength = 3;  // microseconds a quarter note, big-endian
inline constexpr std::uint8_t kNoteOff = 0x80;     // a channel status's upper four bits
inline constexpr std::uint8_t kNoteOn = 0x90;
inline constexpr std::uint8_t kSysExStatus = 0xF0;
inline constexpr std::uint8_t kEscapeStatus = 0xF7;
inline constexpr std::uint8_t kMetaStatus = 0xFF;

enum class DivisionKind { Metrical, Smpte };

struct SmfHeader {
  std::uint32_t length = 0;  // of the header chunk's body
  std::uint16_t format = 0;
  std::uint16_t track_count = 0;
  std::uint16_t division = 0;  // as stored

  DivisionKind Kind() const { return (division & 0x8000) != 0 ? DivisionKind::Smpte : DivisionKind::Metrical; }
  unsigned TicksPerQuarter() const { return division & 0x7FFFu; }       // Metrical
  unsigned SmpteFrames() const { return 256u - (division >> 8); }        // Smpte: 24, 25, 29 or 30
  unsigned TicksPerFrame() const { return division & 0xFFu; }            // Smpte
};

struct HeaderResult {
  SmfHeader header;
  std::optional<Problem> problem;
};

// Reads and checks only the header chunk.
HeaderResult ReadSmfHeader(std::span<const std::uint8_t> file);

struct Track {
  std::size_t offset = 0;               // of the chunk's first body byte in the file
  std::span<const std::uint8_t> body;   // the chunk's body, inside the file
  std::size_t event_count = 0;          // End of Track included
  std::uint64_t end_tick = 0;           // End of Track's tick, or the last event's without one
  bool has_end_of_track = false;
};

struct ReadResult {
  SmfHeader header;
  std::vector<Track> tracks;  // in file order; those read before a problem
  std::size_t trailing_bytes = 0;
  std::optional<Problem> problem;
};

// Checks the whole structure of a file.
ReadResult ReadSmf(std::span<const std::uint8_t> file);

// The header and where the declared tracks lie, for a reader that checks the events itself:
// their events are not read, so each Track holds only its offset and body, and a problem found
// here may stand after an event problem that ReadSmf would report first.
ReadResult ReadSmfLayout(std::span<const std::uint8_t> file);

enum class EventKind { Channel, SysEx, Meta };

struct Event {
  std::uint64_t tick = 0;    // absolute, from the track's start
  std::size_t offset = 0;    // of its delta time in the file
  EventKind kind = EventKind::Channel;
  std::uint8_t status = 0;   // 0x80-0xEF (also under running status), 0xF0, 0xF7 or 0xFF
  bool running = false;      // a channel event stored without its status byte
  std::uint8_t meta_type = 0;
  // The bytes after the status byte as stored: a channel event's data bytes; an F0/F7 event's
  // length and bytes; a meta event's type, length and contents. Status and `data` rebuild the event.
  std::span<const std::uint8_t> data;
  std::span<const std::uint8_t> contents;  // SysEx and Meta: the bytes after the length

  bool IsEndOfTrack() const { return kind == EventKind::Meta && meta_type == kEndOfTrackType; }
};

// Walks the events of one track chunk in order. Next() gives End of Track as an event, then false;
// it also gives false at the chunk's end and at a problem, which problem() then holds.
class EventCursor {
 public:
  // `number` counts tracks from 1, for the problem texts.
  EventCursor(const Track& track, std::size_t number);

  bool Next(Event& event);
  const std::optional<Problem>& problem() const { return problem_; }

 private:
  enum class NumberRead { Ok, TooLong, CutOff };
  NumberRead ReadNumber(std::uint32_t& value);
  bool Fail(std::size_t at, const std::string& what);

  std::span<const std::uint8_t> body_;
  std::size_t base_;        // file offset of body_[0]
  std::size_t number_;
  std::size_t pos_ = 0;
  std::uint64_t tick_ = 0;
  std::uint8_t running_ = 0;  // 0: no channel status yet
  bool done_ = false;
  std::optional<Problem> problem_;
};

}  // namespace midi
