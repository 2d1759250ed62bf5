// libFuzzer entry for the MIDI reader and the format-0 converter: any bytes give a problem inside
// the file or a reading whose spans lie inside it, and every conversion reads back as one clean
// format-0 track of the size computed for it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "midi/smf_format0.h"
#include "midi/smf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> file(data, size);
  midi::ReadResult read = midi::ReadSmf(file);
  if (read.problem && (read.problem->offset > size || read.problem->text.empty())) std::abort();
  unsigned sum = 0;
  for (std::size_t i = 0; i < read.tracks.size(); ++i) {
    const midi::Track& track = read.tracks[i];
    if (track.body.data() < data || track.body.data() + track.body.size() > data + size) std::abort();
    midi::EventCursor cursor(track, i + 1);
    midi::Event event;
    std::size_t events = 0;
    while (cursor.Next(event)) {
      ++events;
      for (std::uint8_t byte : event.data) sum += byte;  // inside the file, or the sanitizer says so
    }
    if (cursor.problem() || events != track.event_count) std::abort();
  }

  midi::ConvertResult converted = midi::ConvertToFormat0(file);
  midi::SizeResult sized = midi::ConvertedSize(file);
  if (converted.problem.has_value() != sized.problem.has_value()) std::abort();
  if (converted.problem) {
    if (!converted.bytes.empty()) std::abort();
    return static_cast<int>(sum & 0);
  }
  if (read.problem || converted.bytes.size() != sized.size) std::abort();
  if (read.header.format == 0 &&
      (converted.bytes.size() != size || !std::equal(converted.bytes.begin(), converted.bytes.end(), data))) {
    std::abort();
  }
  midi::ReadResult again = midi::ReadSmf(converted.bytes);
  if (again.problem || again.header.format != 0 || again.tracks.size() != 1) std::abort();
  if (read.header.format == 1 && (!again.tracks[0].has_end_of_track || again.trailing_bytes != 0)) std::abort();
  return static_cast<int>(sum & 0);
}
