// The MIDI reader against well-formed, unusual, truncated and hostile files: header fields, chunk
// walking, every kind of event, and the offset and words of each problem.
#include "midi/smf_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/midi_files.h"
#include "support/midi_problems.h"

namespace midi {
namespace {

constexpr std::size_t kFirstEventOffset = 22;  // a 6-byte header chunk, then the first track's head

// "tick [r] status data...": what a player would see, and the bytes that rebuild the event.
std::string Describe(const Event& event) {
  std::string text = std::to_string(event.tick) + (event.running ? " r" : "");
  char hex[4];
  std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned>(event.status));
  text += hex;
  for (std::uint8_t byte : event.data) {
    std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned>(byte));
    text += hex;
  }
  return text;
}

struct TrackRead {
  std::vector<std::string> events;
  std::optional<Problem> problem;
  Track track;
};

// Reads a one-track format-0 file through ReadSmf and then walks the same track with a cursor.
TrackRead ReadOneTrack(const Bytes& body) {
  Bytes file = Smf(0, {body});
  TrackRead read;
  ReadResult result = ReadSmf(file);
  read.problem = result.problem;
  if (result.tracks.size() != 1) return read;
  read.track = result.tracks[0];
  EventCursor cursor(read.track, 1);
  Event event;
  while (cursor.Next(event)) read.events.push_back(Describe(event));
  EXPECT_FALSE(cursor.problem()) << "ReadSmf accepted a track that its cursor refuses";
  return read;
}

// ---- the header ----------------------------------------------------------------------------

TEST(ReadSmfHeader, ReportsTheFirstProblemOfTheHeaderChunk) {
  const std::string not_midi = "not a Standard MIDI File: it does not begin with \"MThd\"";
  const ProblemCase cases[] = {
      {"empty file", {}, 0, not_midi},
      {"three bytes of the tag", {'M', 'T', 'h'}, 0, not_midi},
      {"another tag", Join({Chunk("RIFF", Bytes(6, 0))}), 0, not_midi},
      {"a track first", Join({Chunk("MTrk", Bytes(6, 0))}), 0, not_midi},
      {"tag and three length bytes", {'M', 'T', 'h', 'd', 0, 0, 0}, 4, "the file ends inside the header chunk"},
      {"length 5", Chunk("MThd", {0, 1, 0, 1, 0}), 4, "the header chunk is 5 bytes long, at least 6 are needed"},
      {"length 0", Chunk("MThd", {}), 4, "the header chunk is 0 bytes long, at least 6 are needed"},
      {"length past the end", Chunk("MThd", {0, 1, 0, 1, 0, 96}, 7), 4,
       "the header chunk runs past the end of the file: it declares 7 bytes, 6 remain"},
      {"length 4 GiB - 1", Chunk("MThd", {0, 1, 0, 1, 0, 96}, 0xFFFFFFFF), 4,
       "the header chunk runs past the end of the file: it declares 4294967295 bytes, 6 remain"},
      {"format 3", HeaderChunk(3, 1), 8, "format 3 is not 0, 1 or 2"},
      {"format 256", HeaderChunk(0x0100, 1), 8, "format 256 is not 0, 1 or 2"},
      {"no tracks, format 1", HeaderChunk(1, 0), 10, "the header declares no tracks"},
      {"no tracks, format 0", HeaderChunk(0, 0), 10, "the header declares no tracks"},
      {"format 0, two tracks", HeaderChunk(0, 2), 10, "a format-0 file holds one track, this header declares 2"},
      {"format 0, 256 tracks", HeaderChunk(0, 0x0100), 10, "a format-0 file holds one track, this header declares 256"},
      {"0 ticks per quarter", HeaderChunk(1, 1, 0), 12, "the time division is 0 ticks per quarter note"},
      {"SMPTE 26 frames", HeaderChunk(1, 1, 0xE628), 12,
       "the SMPTE time division names 26 frames per second, not 24, 25, 29 or 30"},
      {"SMPTE 128 frames", HeaderChunk(1, 1, 0x8028), 12,
       "the SMPTE time division names 128 frames per second, not 24, 25, 29 or 30"},
      {"SMPTE 0 ticks per frame", HeaderChunk(1, 1, 0xE800), 13, "the SMPTE time division has 0 ticks per frame"},
  };
  ExpectProblems(cases, [](const Bytes& file) { return ReadSmfHeader(file).problem; });
}

TEST(ReadSmfHeader, ReadsTheBigEndianFieldsAndBothKindsOfDivision) {
  struct Case {
    Bytes file;
    std::uint32_t length;
    std::uint16_t format, tracks;
    DivisionKind kind;
    unsigned first, second;  // ticks per quarter and 0, or frames and ticks per frame
  };
  const Case cases[] = {
      {HeaderChunk(0, 1, 96), 6, 0, 1, DivisionKind::Metrical, 96, 0},
      {HeaderChunk(1, 0x0102, 0x01E0), 6, 1, 0x0102, DivisionKind::Metrical, 480, 0},
      {HeaderChunk(2, 3, 0x7FFF), 6, 2, 3, DivisionKind::Metrical, 0x7FFF, 0},
      {HeaderChunk(1, 2, 0xE828), 6, 1, 2, DivisionKind::Smpte, 24, 40},
      {HeaderChunk(1, 2, 0xE750), 6, 1, 2, DivisionKind::Smpte, 25, 80},
      {HeaderChunk(1, 2, 0xE301), 6, 1, 2, DivisionKind::Smpte, 29, 1},
      {HeaderChunk(1, 2, 0xE2FF), 6, 1, 2, DivisionKind::Smpte, 30, 255},
      {HeaderChunk(1, 2, 96, {0xAA, 0xBB, 0xCC}), 9, 1, 2, DivisionKind::Metrical, 96, 0},
  };
  for (const Case& c : cases) {
    HeaderResult result = ReadSmfHeader(c.file);
    ASSERT_FALSE(result.problem) << result.problem->text;
    const SmfHeader& header = result.header;
    EXPECT_EQ(header.length, c.length);
    EXPECT_EQ(header.format, c.format);
    EXPECT_EQ(header.track_count, c.tracks);
    EXPECT_EQ(header.Kind(), c.kind);
    if (c.kind == DivisionKind::Metrical) {
      EXPECT_EQ(header.TicksPerQuarter(), c.first);
    } else {
      EXPECT_EQ(header.SmpteFrames(), c.first);
      EXPECT_EQ(header.TicksPerFrame(), c.second);
    }
  }
}

// ---- chunks ---------------------------------------------------------------------------------

const Bytes kShortTrack = {0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};

TEST(ReadSmf, FindsTheDeclaredTracksPastOtherChunksAndExtraHeaderBytes) {
  struct Case {
    const char* what;
    Bytes file;
    std::vector<std::size_t> offsets;  // of each track's body
    std::size_t trailing;
  };
  const Bytes unknown = Chunk("XFIH", {1, 2, 3});
  const Case cases[] = {
      {"two tracks", Smf(1, {kShortTrack, kShortTrack}), {22, 42}, 0},
      {"a longer header",
       Join({HeaderChunk(1, 2, 96, {9, 9, 9, 9}), TrackChunk(kShortTrack), TrackChunk(kShortTrack)}), {26, 46}, 0},
      {"a chunk before the first track", Join({HeaderChunk(1, 1), unknown, TrackChunk(kShortTrack)}), {33}, 0},
      {"a chunk between tracks",
       Join({HeaderChunk(1, 2), TrackChunk(kShortTrack), unknown, TrackChunk(kShortTrack)}), {22, 53}, 0},
      {"an empty unknown chunk", Join({HeaderChunk(0, 1), Chunk("junk", {}), TrackChunk(kShortTrack)}), {30}, 0},
      {"padding after the last track", Join({Smf(0, {kShortTrack}), Bytes(7, 0x1A)}), {22}, 7},
      {"part of a chunk head after it", Join({Smf(0, {kShortTrack}), Bytes{'M', 'T', 'r'}}), {22}, 3},
      {"a chunk after it that runs past the end", Join({Smf(0, {kShortTrack}), Chunk("MTrk", {0x00}, 1000)}), {22}, 9},
      {"an undeclared broken track after it", Join({Smf(0, {kShortTrack}), TrackChunk({0x3C, 0x40})}), {22}, 10},
      {"an empty track", Smf(1, {{}, kShortTrack}), {22, 30}, 0},
  };
  for (const Case& c : cases) {
    ReadResult result = ReadSmf(c.file);
    ASSERT_FALSE(result.problem) << c.what << ": " << result.problem->text;
    ASSERT_EQ(result.tracks.size(), c.offsets.size()) << c.what;
    for (std::size_t i = 0; i < c.offsets.size(); ++i) {
      EXPECT_EQ(result.tracks[i].offset, c.offsets[i]) << c.what << ", track " << i + 1;
      EXPECT_EQ(result.tracks[i].body.data(), c.file.data() + c.offsets[i]) << c.what << ", track " << i + 1;
    }
    EXPECT_EQ(result.trailing_bytes, c.trailing) << c.what;
  }
}

TEST(ReadSmf, RefusesAFileThatEndsBeforeItsTracksOrInsideAChunk) {
  const ProblemCase cases[] = {
      {"header only", HeaderChunk(1, 2), 14, "the file ends after 0 of the 2 tracks its header declares"},
      {"one of two tracks", Join({HeaderChunk(1, 2), TrackChunk(kShortTrack)}), 34,
       "the file ends after 1 of the 2 tracks its header declares"},
      {"part of a chunk head", Join({HeaderChunk(1, 2), TrackChunk(kShortTrack), Bytes{'M', 'T', 'r', 'k', 0}}), 34,
       "the file ends after 1 of the 2 tracks its header declares"},
      {"only an unknown chunk", Join({HeaderChunk(0, 1), Chunk("XFIH", {1})}), 23,
       "the file ends after 0 of the 1 tracks its header declares"},
      {"many tracks declared", Join({HeaderChunk(1, 65535), TrackChunk(kShortTrack)}), 34,
       "the file ends after 1 of the 65535 tracks its header declares"},
      {"a track cut short",
       Join({HeaderChunk(1, 2), TrackChunk(kShortTrack), Chunk("MTrk", {0, 0x90, 0x3C, 0x40}, 100)}), 38,
       "track 2 runs past the end of the file: it declares 100 bytes, 4 remain"},
      {"a track of 4 GiB - 1", Join({HeaderChunk(0, 1), Chunk("MTrk", kShortTrack, 0xFFFFFFFF)}), 18,
       "track 1 runs past the end of the file: it declares 4294967295 bytes, 12 remain"},
      {"an unknown chunk cut short", Join({HeaderChunk(1, 1), Chunk("XFIH", {1, 2}, 3)}), 18,
       "a chunk other than a track runs past the end of the file: it declares 3 bytes, 2 remain"},
  };
  ExpectProblems(cases, [](const Bytes& file) { return ReadSmf(file).problem; });
}

TEST(ReadSmf, NamesTheTrackOfAnEventProblemByItsPlaceAmongTracksOnly) {
  Bytes file = Join({HeaderChunk(1, 3), TrackChunk(kShortTrack), Chunk("XFIH", {1, 2}), TrackChunk(kShortTrack),
                     TrackChunk({0x00, 0x3C, 0x40})});
  ReadResult result = ReadSmf(file);
  ASSERT_TRUE(result.problem);
  EXPECT_EQ(result.problem->text, "track 3: data byte 0x3C with no status before it");
  EXPECT_EQ(result.problem->offset, 14u + 20 + 10 + 20 + 8 + 1);
  EXPECT_EQ(result.tracks.size(), 2u) << "the tracks read before the problem stay available";
}

TEST(ReadSmf, HeaderProblemComesFirst) {
  ReadResult result = ReadSmf(Join({HeaderChunk(0, 2), TrackChunk({0x3C})}));
  ASSERT_TRUE(result.problem);
  EXPECT_EQ(result.problem->offset, 10u);
  EXPECT_TRUE(result.tracks.empty());
}

// ---- events ---------------------------------------------------------------------------------

TEST(EventCursor, ReadsEveryKindOfEventAsStored) {
  struct Case {
    const char* what;
    Bytes body;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {"notes with explicit statuses", kShortTrack, {"0 90 3C 40", "96 80 3C 00", "96 FF 2F 00"}},
      {"one and two data bytes",
       {0x00, 0xC5, 0x10, 0x00, 0xD5, 0x7F, 0x00, 0xE5, 0x00, 0x40, 0x00, 0xB5, 0x07, 0x64, 0x00, 0xA5, 0x3C, 0x01},
       {"0 C5 10", "0 D5 7F", "0 E5 00 40", "0 B5 07 64", "0 A5 3C 01"}},
      {"running status", {0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40, 0x10, 0x3C, 0x00},
       {"0 90 3C 40", "16 r 90 3E 40", "32 r 90 3C 00"}},
      {"running status of a one-byte event", {0x00, 0xC0, 0x05, 0x00, 0x06}, {"0 C0 05", "0 r C0 06"}},
      {"running status across a meta event", {0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x01, 'a', 0x05, 0x3C, 0x00},
       {"0 90 3C 40", "0 FF 01 01 61", "5 r 90 3C 00"}},
      {"running status across system exclusive",
       {0x00, 0x91, 0x3C, 0x40, 0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7, 0x00, 0xF7, 0x01, 0xF8, 0x01, 0x3C, 0x00},
       {"0 91 3C 40", "0 F0 03 7E 7F F7", "0 F7 01 F8", "1 r 91 3C 00"}},
      {"a new status ends the running one", {0x00, 0x90, 0x3C, 0x40, 0x00, 0x80, 0x3C, 0x00, 0x00, 0x3E, 0x00},
       {"0 90 3C 40", "0 80 3C 00", "0 r 80 3E 00"}},
      {"deltas of one to four bytes",
       {0x7F, 0xC0, 0x01, 0x81, 0x00, 0xC0, 0x02, 0xFF, 0x7F, 0xC0, 0x03, 0x81, 0x80, 0x00, 0xC0, 0x04, 0xFF, 0xFF,
        0xFF, 0x7F, 0xC0, 0x05},
       {"127 C0 01", "255 C0 02", "16638 C0 03", "33022 C0 04", "268468477 C0 05"}},
      {"a delta written longer than needed", {0x80, 0x80, 0x80, 0x05, 0xC0, 0x01}, {"5 C0 01"}},
      {"meta contents not judged: key signature with mode 255, type 0xA0",
       {0x00, 0xFF, 0x59, 0x02, 0x01, 0xFF, 0x00, 0xFF, 0xA0, 0x00},
       {"0 FF 59 02 01 FF", "0 FF A0 00"}},
      {"a meta length written in two bytes", {0x00, 0xFF, 0x01, 0x80, 0x02, 'h', 'i'}, {"0 FF 01 80 02 68 69"}},
      {"sysex with a length of 130",
       Join({{0x00, 0xF0, 0x81, 0x02}, Bytes(129, 0x11), {0xF7}}),
       {"0 F0 81 02" + [] {
          std::string s;
          for (int i = 0; i < 129; ++i) s += " 11";
          return s + " F7";
        }()}},
      {"End of Track ends the track, bytes after it are passed over",
       {0x00, 0xC0, 0x01, 0x05, 0xFF, 0x2F, 0x00, 0x00, 0xC0, 0x02, 0x3C, 0xF4}, {"0 C0 01", "5 FF 2F 00"}},
      {"End of Track with contents", {0x03, 0xFF, 0x2F, 0x01, 0x00, 0x00, 0xC0, 0x02}, {"3 FF 2F 01 00"}},
      {"no End of Track", {0x00, 0xC0, 0x01, 0x07, 0xC0, 0x02}, {"0 C0 01", "7 C0 02"}},
      {"an empty track", {}, {}},
  };
  for (const Case& c : cases) {
    TrackRead read = ReadOneTrack(c.body);
    ASSERT_FALSE(read.problem) << c.what << ": " << read.problem->text;
    EXPECT_EQ(read.events, c.events) << c.what;
  }
}

TEST(EventCursor, GivesContentsAndMetaTypeApartFromTheStoredLength) {
  Bytes body = {0x00, 0xFF, 0x03, 0x81, 0x00};
  body.insert(body.end(), 128, 'n');
  body.insert(body.end(), {0x00, 0xF0, 0x02, 0x43, 0xF7, 0x00, 0x92, 0x40, 0x41});
  Bytes file = Smf(0, {body});
  ReadResult result = ReadSmf(file);
  ASSERT_FALSE(result.problem);
  EventCursor cursor(result.tracks[0], 1);
  Event event;
  ASSERT_TRUE(cursor.Next(event));
  EXPECT_EQ(event.kind, EventKind::Meta);
  EXPECT_EQ(event.meta_type, 0x03);
  EXPECT_EQ(Bytes(event.contents.begin(), event.contents.end()), Bytes(128, 'n'));
  EXPECT_EQ(event.offset, kFirstEventOffset);
  ASSERT_TRUE(cursor.Next(event));
  EXPECT_EQ(event.kind, EventKind::SysEx);
  EXPECT_EQ(Bytes(event.contents.begin(), event.contents.end()), (Bytes{0x43, 0xF7}));
  EXPECT_EQ(event.offset, kFirstEventOffset + 133);
  ASSERT_TRUE(cursor.Next(event));
  EXPECT_EQ(event.kind, EventKind::Channel);
  EXPECT_EQ(Bytes(event.contents.begin(), event.contents.end()), (Bytes{0x40, 0x41}));
  EXPECT_FALSE(cursor.Next(event));
  EXPECT_FALSE(cursor.problem());
}

TEST(EventCursor, ReportsTheFirstProblemOfATrackWithItsOffset) {
  struct Case {
    const char* what;
    Bytes body;
    std::size_t offset;  // within the body
    std::string text;
  };
  const std::string cut = "track 1: the event at this offset is cut off by the end of the track";
  const Case cases[] = {
      {"a data byte first", {0x00, 0x3C, 0x40}, 1, "track 1: data byte 0x3C with no status before it"},
      {"a data byte after meta and sysex only", {0x00, 0xFF, 0x01, 0x00, 0x00, 0xF0, 0x01, 0xF7, 0x00, 0x7F, 0x00}, 9,
       "track 1: data byte 0x7F with no status before it"},
      {"a delta of five bytes", {0x00, 0xC0, 0x01, 0x81, 0x80, 0x80, 0x80, 0x00, 0xC0, 0x01}, 3,
       "track 1: a delta time longer than four bytes"},
      {"a meta length of five bytes", {0x00, 0xFF, 0x01, 0x80, 0x80, 0x80, 0x80, 0x00}, 0,
       "track 1: a length longer than four bytes"},
      {"a sysex length of five bytes", {0x00, 0xC0, 0x01, 0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, 3,
       "track 1: a length longer than four bytes"},
      {"real-time status 0xF8", {0x00, 0xC0, 0x01, 0x00, 0xF8}, 4, "track 1: status byte 0xF8 cannot stand in a MIDI file"},
      {"song position 0xF2", {0x00, 0xF2, 0x00, 0x00}, 1, "track 1: status byte 0xF2 cannot stand in a MIDI file"},
      {"undefined 0xF4", {0x00, 0xF4}, 1, "track 1: status byte 0xF4 cannot stand in a MIDI file"},
      {"reset 0xFE", {0x00, 0xFE}, 1, "track 1: status byte 0xFE cannot stand in a MIDI file"},
      {"a status where a data byte belongs", {0x00, 0x90, 0x3C, 0x90, 0x3C, 0x40}, 3,
       "track 1: status byte 0x90 where the 0x90 event before it still needs a data byte"},
      {"a status as first data byte", {0x00, 0xC0, 0x01, 0x00, 0xB0, 0xFF, 0x2F}, 5,
       "track 1: status byte 0xFF where the 0xB0 event before it still needs a data byte"},
      {"a status after running status", {0x00, 0x90, 0x3C, 0x40, 0x00, 0x3C, 0x80}, 6,
       "track 1: status byte 0x80 where the 0x90 event before it still needs a data byte"},
      {"data bytes cut off", {0x00, 0xC0, 0x01, 0x05, 0x90, 0x3C}, 3, cut},
      {"a running event cut off", {0x00, 0x90, 0x3C, 0x40, 0x05, 0x3C}, 4, cut},
      {"a delta with no event", {0x00, 0xC0, 0x01, 0x05}, 3, cut},
      {"a delta cut off", {0x00, 0xC0, 0x01, 0x81}, 3, cut},
      {"a meta event without its type", {0x00, 0xFF}, 0, cut},
      {"a meta event without its length", {0x00, 0xFF, 0x51}, 0, cut},
      {"a meta length cut off", {0x00, 0xFF, 0x51, 0x83}, 0, cut},
      {"meta contents cut off", {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1}, 0, cut},
      {"a meta length of 2^28 - 1", {0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 'x'}, 0, cut},
      {"sysex contents cut off", {0x00, 0xF0, 0x05, 0x7E, 0xF7}, 0, cut},
      {"End of Track without its length", {0x00, 0xFF, 0x2F}, 0, cut},
  };
  for (const Case& c : cases) {
    TrackRead read = ReadOneTrack(c.body);
    ASSERT_TRUE(read.problem) << c.what;
    EXPECT_EQ(read.problem->offset, kFirstEventOffset + c.offset) << c.what;
    EXPECT_EQ(read.problem->text, c.text) << c.what;
  }
}

TEST(ReadSmf, TellsWhereEachTrackEndsAndWhetherItSaysSo) {
  struct Case {
    const char* what;
    Bytes body;
    std::size_t events;
    std::uint64_t end_tick;
    bool end_of_track;
  };
  // 17 deltas of 2^28 - 1 pass 2^32 ticks.
  Bytes long_track;
  for (int i = 0; i < 17; ++i) long_track.insert(long_track.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x01});
  Bytes long_with_end = long_track;
  long_with_end.insert(long_with_end.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x2F, 0x00});
  const Case cases[] = {
      {"End of Track after a rest", {0x00, 0xC0, 0x01, 0x83, 0x60, 0xFF, 0x2F, 0x00}, 2, 480, true},
      {"End of Track at the last note", kShortTrack, 3, 96, true},
      {"no End of Track: the last event", {0x00, 0xC0, 0x01, 0x40, 0xC0, 0x02}, 2, 64, false},
      {"no End of Track after a meta event", {0x10, 0xC0, 0x01, 0x40, 0xFF, 0x06, 0x00}, 2, 80, false},
      {"an empty track", {}, 0, 0, false},
      {"past 2^32 ticks", long_track, 17, 17ull * 0x0FFFFFFF, false},
      {"End of Track past 2^32 ticks", long_with_end, 18, 18ull * 0x0FFFFFFF, true},
  };
  for (const Case& c : cases) {
    TrackRead read = ReadOneTrack(c.body);
    ASSERT_FALSE(read.problem) << c.what << ": " << read.problem->text;
    EXPECT_EQ(read.track.event_count, c.events) << c.what;
    EXPECT_EQ(read.track.end_tick, c.end_tick) << c.what;
    EXPECT_EQ(read.track.has_end_of_track, c.end_of_track) << c.what;
  }
}

// Every cut and every single-byte change of a real-looking file gives either a clean reading or
// a problem inside the file; the sanitizers catch any read outside it.
TEST(ReadSmf, TruncatedAndAlteredFilesGiveCleanResults) {
  const Bytes tempo = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08,
                       0x00, 0xFF, 0x2F, 0x00};
  const Bytes notes = {0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00,
                       0x00, 0xFF, 0x01, 0x02, 'h', 'i', 0x00, 0x3E, 0x40, 0x81, 0x40, 0x80, 0x3E, 0x00, 0x00,
                       0xFF, 0x2F, 0x00};
  const Bytes file = Join({HeaderChunk(1, 2), TrackChunk(tempo), Chunk("XFIH", {1, 2, 3}), TrackChunk(notes)});
  ASSERT_FALSE(ReadSmf(file).problem);
  auto check = [](std::span<const std::uint8_t> bytes, const std::string& what) {
    ReadResult result = ReadSmf(bytes);
    if (result.problem) {
      EXPECT_LE(result.problem->offset, bytes.size()) << what;
      EXPECT_FALSE(result.problem->text.empty()) << what;
    }
    for (const Track& track : result.tracks) {
      EXPECT_GE(track.body.data(), bytes.data()) << what;
      EXPECT_LE(track.body.data() + track.body.size(), bytes.data() + bytes.size()) << what;
    }
  };
  for (std::size_t size = 0; size < file.size(); ++size) {
    Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
    cut.shrink_to_fit();
    ReadResult result = ReadSmf(cut);
    EXPECT_TRUE(result.problem) << "cut to " << size << " bytes";
    check(cut, "cut to " + std::to_string(size));
  }
  for (std::size_t at = 0; at < file.size(); ++at) {
    for (std::uint8_t value : {0x00, 0x2F, 0x7F, 0x80, 0xF0, 0xFF}) {
      Bytes altered = file;
      altered[at] = value;
      check(altered, "byte " + std::to_string(at) + " = " + std::to_string(value));
    }
  }
}

}  // namespace
}  // namespace midi
