// Conversion to format 0: format 0 untouched, format 1 merged byte by byte, refusals with their
// reasons, and the size computed without building the file.
#include "midi/smf_format0.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/midi_files.h"
#include "support/midi_problems.h"

namespace midi {
namespace {

// The merged file: format 0, one track holding `body`, the given division.
Bytes Merged(const Bytes& body, std::uint16_t division = 96) { return Smf(0, {body}, division); }

// Converts and checks that the size alone comes out the same, or the same problem.
ConvertResult Convert(const Bytes& file) {
  ConvertResult result = ConvertToFormat0(file);
  SizeResult size = ConvertedSize(file);
  EXPECT_EQ(size.problem.has_value(), result.problem.has_value());
  if (result.problem && size.problem) {
    EXPECT_EQ(size.problem->offset, result.problem->offset);
    EXPECT_EQ(size.problem->text, result.problem->text);
  } else {
    EXPECT_EQ(size.size, result.bytes.size());
  }
  return result;
}

// Empty tracks change nothing in a merge; enough of them make the merge queue its tracks rather
// than scan them, so each merge case is run both ways.
constexpr std::size_t kEnoughTracksToQueue = 65;

std::vector<Bytes> WithEmptyTracks(std::vector<Bytes> tracks, std::size_t count) {
  tracks.insert(tracks.end(), count, Bytes{});
  return tracks;
}

std::string Hex(const Bytes& bytes) {
  std::string text;
  char hex[4];
  for (std::uint8_t byte : bytes) {
    std::snprintf(hex, sizeof hex, "%02X ", static_cast<unsigned>(byte));
    text += hex;
  }
  return text;
}

TEST(ConvertToFormat0, MergesATuneOfThreeTracksByTickThenTrack) {
  const Bytes conductor = {
      0x00, 0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g',        // 0: track name
      0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,          // 0: tempo
      0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08,    // 0: time signature
      0x83, 0x60, 0xFF, 0x51, 0x03, 0x06, 0x1A, 0x80,    // 480: tempo
      0x85, 0x50, 0xFF, 0x2F, 0x00,                      // 1200: End of Track, the latest end
  };
  const Bytes piano = {
      0x00, 0xC0, 0x05,              // 0
      0x00, 0x90, 0x3C, 0x40,        // 0
      0x60, 0x3C, 0x00,              // 96, running status
      0x00, 0x3E, 0x40,              // 96
      0x83, 0x00, 0x80, 0x3E, 0x00,  // 480: a note-off stays a note-off
      0x00, 0xFF, 0x2F, 0x00,        // 480
  };
  const Bytes strings = {
      0x00, 0xC1, 0x10,                    // 0
      0x00, 0x91, 0x40, 0x50,              // 0
      0x60, 0x91, 0x40, 0x00,              // 96, its status stored again
      0x00, 0xF0, 0x03, 0x43, 0x12, 0xF7,  // 96
      0x00, 0x43, 0x50,                    // 96, running status carried across the sysex
      0x87, 0x40, 0x43, 0x00,              // 1056; no End of Track
  };
  const Bytes expected = {
      0x00, 0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g',
      0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
      0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08,
      0x00, 0xC0, 0x05,                    // a status right after a meta event
      0x00, 0x90, 0x3C, 0x40,
      0x00, 0xC1, 0x10,
      0x00, 0x91, 0x40, 0x50,
      0x60, 0x90, 0x3C, 0x00,              // 96: the first track first
      0x00, 0x3E, 0x40,
      0x00, 0x91, 0x40, 0x00,
      0x00, 0xF0, 0x03, 0x43, 0x12, 0xF7,
      0x00, 0x91, 0x43, 0x50,              // a status right after a sysex event
      0x83, 0x00, 0xFF, 0x51, 0x03, 0x06, 0x1A, 0x80,
      0x00, 0x80, 0x3E, 0x00,
      0x84, 0x40, 0x91, 0x43, 0x00,        // 1056
      0x81, 0x10, 0xFF, 0x2F, 0x00,        // 1200
  };
  for (std::size_t empty : {std::size_t{0}, kEnoughTracksToQueue}) {
    // Empty tracks before the others too, so that track order is not file order shifted by one.
    std::vector<Bytes> tracks = WithEmptyTracks({conductor}, empty / 2);
    tracks.insert(tracks.end(), {piano, strings});
    ConvertResult result = Convert(Smf(1, WithEmptyTracks(tracks, empty - empty / 2)));
    ASSERT_FALSE(result.problem) << result.problem->text;
    EXPECT_EQ(Hex(result.bytes), Hex(Merged(expected))) << empty << " empty tracks";
  }
}

TEST(ConvertToFormat0, MergedTrackEventsAndEnd) {
  struct Case {
    const char* what;
    std::vector<Bytes> tracks;
    Bytes expected;  // the merged track's body
  };
  const Case cases[] = {
      {"running status across tracks", {{0x00, 0x90, 0x3C, 0x40}, {0x00, 0x90, 0x40, 0x40}},
       {0x00, 0x90, 0x3C, 0x40, 0x00, 0x40, 0x40, 0x00, 0xFF, 0x2F, 0x00}},
      {"same tick: a track's own order kept", {{0x00, 0xC0, 0x01, 0x00, 0xC0, 0x02}, {0x00, 0xC1, 0x03}},
       {0x00, 0xC0, 0x01, 0x00, 0x02, 0x00, 0xC1, 0x03, 0x00, 0xFF, 0x2F, 0x00}},
      {"a later track's earlier event first", {{0x0A, 0xC0, 0x01}, {0x05, 0xC1, 0x02}},
       {0x05, 0xC1, 0x02, 0x05, 0xC0, 0x01, 0x00, 0xFF, 0x2F, 0x00}},
      {"running status read across a meta event is written out",
       {{0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x01, 'a', 0x00, 0x3C, 0x00}},
       {0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x01, 'a', 0x00, 0x90, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}},
      {"meta events byte for byte, whatever they hold",
       {{0x00, 0xFF, 0x00, 0x02, 0x00, 0x01, 0x00, 0xFF, 0x01, 0x80, 0x03, 'a', 'b', 'c'},
        {0x00, 0xFF, 0x59, 0x02, 0x01, 0xFF, 0x00, 0xFF, 0x7F, 0x02, 0x00, 0x41, 0x00, 0xFF, 0x20, 0x01, 0x09}},
       {0x00, 0xFF, 0x00, 0x02, 0x00, 0x01, 0x00, 0xFF, 0x01, 0x80, 0x03, 'a', 'b', 'c', 0x00, 0xFF, 0x59, 0x02,
        0x01, 0xFF, 0x00, 0xFF, 0x7F, 0x02, 0x00, 0x41, 0x00, 0xFF, 0x20, 0x01, 0x09, 0x00, 0xFF, 0x2F, 0x00}},
      {"sysex continuation and escape packets as stored",
       {{0x00, 0xF0, 0x02, 0x43, 0x10, 0x01, 0xF7, 0x02, 0x4C, 0xF7, 0x00, 0xF7, 0x01, 0xFA}},
       {0x00, 0xF0, 0x02, 0x43, 0x10, 0x01, 0xF7, 0x02, 0x4C, 0xF7, 0x00, 0xF7, 0x01, 0xFA, 0x00, 0xFF, 0x2F,
        0x00}},
      {"End of Track at a later track's rest",
       {{0x00, 0xC0, 0x01, 0x0A, 0xFF, 0x2F, 0x00}, {0x05, 0xC1, 0x02, 0x82, 0x27, 0xFF, 0x2F, 0x00}},
       {0x00, 0xC0, 0x01, 0x05, 0xC1, 0x02, 0x82, 0x27, 0xFF, 0x2F, 0x00}},
      {"End of Track of a track of nothing else", {{0x00, 0xC0, 0x01}, {0x83, 0x74, 0xFF, 0x2F, 0x00}},
       {0x00, 0xC0, 0x01, 0x83, 0x74, 0xFF, 0x2F, 0x00}},
      {"End of Track with contents becomes a plain one",
       {{0x00, 0xC0, 0x01, 0x03, 0xFF, 0x2F, 0x01, 0x00}},
       {0x00, 0xC0, 0x01, 0x03, 0xFF, 0x2F, 0x00}},
      {"no End of Track anywhere: the last event ends the tune", {{0x00, 0xC0, 0x01, 0x40, 0xC0, 0x02}, {0x10, 0xC1, 0x03}},
       {0x00, 0xC0, 0x01, 0x10, 0xC1, 0x03, 0x30, 0xC0, 0x02, 0x00, 0xFF, 0x2F, 0x00}},
      {"empty tracks", {{}, {}}, {0x00, 0xFF, 0x2F, 0x00}},
      {"a delta of four bytes next to a short one", {{0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x01}, {0x01, 0xC1, 0x02}},
       {0x01, 0xC1, 0x02, 0xFF, 0xFF, 0xFF, 0x7E, 0xC0, 0x01, 0x00, 0xFF, 0x2F, 0x00}},
      {"a delta written longer than needed", {{0x80, 0x80, 0x05, 0xC0, 0x01}}, {0x05, 0xC0, 0x01, 0x00, 0xFF, 0x2F, 0x00}},
  };
  for (const Case& c : cases) {
    for (std::size_t empty : {std::size_t{0}, kEnoughTracksToQueue}) {
      ConvertResult result = Convert(Smf(1, WithEmptyTracks(c.tracks, empty)));
      ASSERT_FALSE(result.problem) << c.what << ": " << result.problem->text;
      EXPECT_EQ(Hex(result.bytes), Hex(Merged(c.expected))) << c.what << ", " << empty << " empty tracks";
    }
  }
}

TEST(ConvertToFormat0, ChunksAroundTheTracksAndTheDivision) {
  const Bytes notes = {0x00, 0xC0, 0x01, 0x00, 0xFF, 0x2F, 0x00};
  const Bytes merged = {0x00, 0xC0, 0x01, 0x00, 0xFF, 0x2F, 0x00};
  struct Case {
    const char* what;
    Bytes file;
    Bytes expected;
  };
  const Case cases[] = {
      {"one track", Smf(1, {notes}), Merged(merged)},
      {"SMPTE division kept", Smf(1, {notes}, 0xE728), Merged(merged, 0xE728)},
      {"division 480 kept", Smf(1, {notes}, 0x01E0), Merged(merged, 0x01E0)},
      {"extra header bytes, unknown chunks and trailing bytes left out",
       Join({HeaderChunk(1, 2, 96, {1, 2, 3, 4}), Chunk("XFIH", {5, 6}), TrackChunk(notes), Chunk("XFIH", {7}),
             TrackChunk({}), Bytes(9, 0x1A)}),
       Merged(merged)},
  };
  for (const Case& c : cases) {
    ConvertResult result = Convert(c.file);
    ASSERT_FALSE(result.problem) << c.what << ": " << result.problem->text;
    EXPECT_EQ(Hex(result.bytes), Hex(c.expected)) << c.what;
  }
}

TEST(ConvertToFormat0, Format0ComesBackByteForByte) {
  const Bytes cases[] = {
      Smf(0, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}}),
      // Everything a merge would change: extra header bytes, an unknown chunk, running status
      // across a meta event, a long delta, End of Track with contents and bytes after it, padding.
      Join({HeaderChunk(0, 1, 0xE250, {0xEE}), Chunk("XFIH", {1}),
            TrackChunk({0x80, 0x80, 0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x00, 0x60, 0x3C, 0x00, 0x00, 0xFF,
                        0x2F, 0x01, 0x00, 0x12, 0x34}),
            Bytes(5, 0)}),
      Smf(0, {{0x00, 0xC0, 0x01}}),  // no End of Track
  };
  for (const Bytes& file : cases) {
    ConvertResult result = Convert(file);
    ASSERT_FALSE(result.problem) << result.problem->text;
    EXPECT_EQ(Hex(result.bytes), Hex(file));
  }
}

TEST(ConvertToFormat0, RefusesFormat2AndFilesTheReaderRefuses) {
  const std::string format2 =
      "format 2 cannot become format 0: its tracks are independent sequences, not parts of one tune";
  const ProblemCase cases[] = {
      {"format 2", Smf(2, {{0x00, 0xC0, 0x01}, {0x00, 0xC1, 0x01}}), 8, format2},
      {"format 2 with a broken track", Smf(2, {{0x00, 0x3C}}), 8, format2},
      {"format 2 with one track", Smf(2, {{0x00, 0xC0, 0x01}}), 8, format2},
      {"not a MIDI file", Chunk("RIFF", Bytes(6, 0)), 0, "not a Standard MIDI File: it does not begin with \"MThd\""},
      {"format 3", HeaderChunk(3, 1), 8, "format 3 is not 0, 1 or 2"},
      {"a format-0 file with two tracks", Join({HeaderChunk(0, 2), TrackChunk({}), TrackChunk({})}), 10,
       "a format-0 file holds one track, this header declares 2"},
      {"a broken format-0 file", Smf(0, {{0x00, 0x3C}}), 23, "track 1: data byte 0x3C with no status before it"},
      {"a broken second track", Smf(1, {{0x00, 0xC0, 0x01}, {0x00, 0xC0}}), 33,
       "track 2: the event at this offset is cut off by the end of the track"},
      {"a broken track among many", Smf(1, WithEmptyTracks({{0x00, 0xC0, 0x01}, {0x00, 0xF9}}, 70)), 34,
       "track 2: status byte 0xF9 cannot stand in a MIDI file"},
      {"a missing track", Join({HeaderChunk(1, 2), TrackChunk({})}), 22,
       "the file ends after 1 of the 2 tracks its header declares"},
      // The first problem in the file is named, not the first the merge meets.
      {"a broken first track before a missing one", Join({HeaderChunk(1, 2), TrackChunk({0x00, 0x3C})}), 23,
       "track 1: data byte 0x3C with no status before it"},
      {"a late problem in the first track and an early one in the second",
       Smf(1, {{0x87, 0x68, 0xC0, 0x01, 0x00, 0xF4}, {0x00, 0x3C}}), 27,
       "track 1: status byte 0xF4 cannot stand in a MIDI file"},
  };
  ExpectProblems(cases, [](const Bytes& file) {
    ConvertResult result = Convert(file);
    EXPECT_TRUE(result.bytes.empty());
    return result.problem;
  });
}

// Two tracks a tick apart for 17 steps of the largest delta: the merge passes 2^32 ticks.
TEST(ConvertToFormat0, KeepsTicksPastTwoToThe32) {
  const std::uint64_t kMax = 0x0FFFFFFF;
  Bytes first, second = {0xFF, 0xFF, 0xFF, 0x7E, 0xC1, 0x02};  // second: kMax - 1
  for (int i = 0; i < 17; ++i) first.insert(first.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x01});
  for (int i = 1; i < 17; ++i) second.insert(second.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0x02});
  ConvertResult result = Convert(Smf(1, {first, second}));
  ASSERT_FALSE(result.problem) << result.problem->text;

  ReadResult merged = ReadSmf(result.bytes);
  ASSERT_FALSE(merged.problem) << merged.problem->text;
  ASSERT_EQ(merged.tracks.size(), 1u);
  EventCursor cursor(merged.tracks[0], 1);
  Event event;
  for (std::uint64_t step = 1; step <= 17; ++step) {
    ASSERT_TRUE(cursor.Next(event));
    EXPECT_EQ(event.tick, step * kMax - 1);
    EXPECT_EQ(event.status, 0xC1);
    ASSERT_TRUE(cursor.Next(event));
    EXPECT_EQ(event.tick, step * kMax);
    EXPECT_EQ(event.status, 0xC0);
  }
  ASSERT_TRUE(cursor.Next(event));
  EXPECT_TRUE(event.IsEndOfTrack());
  EXPECT_EQ(event.tick, 17 * kMax);
}

// Whatever a cut or a changed byte does to a format-1 file, the result is a problem or a
// format-0 file that reads back cleanly.
TEST(ConvertToFormat0, DamagedFilesGiveAProblemOrAReadableFormat0File) {
  const Bytes file = Smf(1, {{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x83, 0x60, 0xFF, 0x2F, 0x00},
                              {0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00, 0x00, 0xF0, 0x01, 0xF7, 0x10, 0x3E, 0x40,
                               0x81, 0x00, 0x80, 0x3E, 0x00, 0x00, 0xFF, 0x2F, 0x00}});
  auto check = [](const Bytes& input, const std::string& what) {
    ConvertResult result = Convert(input);
    if (result.problem) return;
    ReadResult merged = ReadSmf(result.bytes);
    ASSERT_FALSE(merged.problem) << what << ": " << merged.problem->text;
    EXPECT_EQ(merged.header.format, 0) << what;
    ASSERT_EQ(merged.tracks.size(), 1u) << what;
    EXPECT_TRUE(merged.tracks[0].has_end_of_track) << what;
    EXPECT_EQ(merged.trailing_bytes, 0u) << what;
  };
  for (std::size_t size = 0; size < file.size(); ++size) {
    check(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)), "cut to " + std::to_string(size));
  }
  for (std::size_t at = 0; at < file.size(); ++at) {
    for (std::uint8_t value : {0x00, 0x01, 0x2F, 0x7F, 0x80, 0xC0, 0xF7, 0xFF}) {
      Bytes altered = file;
      altered[at] = value;
      check(altered, "byte " + std::to_string(at) + " = " + std::to_string(value));
    }
  }
}

}  // namespace
}  // namespace midi
