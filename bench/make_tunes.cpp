// Writes a set of well-formed format-0 MIDI files of chosen sizes for the benchmark: the same names,
// sizes and bytes on every run for the same arguments.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/midi_files.h"

namespace {

class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed) {}
  std::uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }

 private:
  std::uint32_t state_;
};

std::size_t VariableLength(std::uint32_t value) { return value < 0x80 ? 1 : value < 0x4000 ? 2 : 3; }

// Header, one track: a text event that pads to the exact size, notes under running status, End of
// Track. Size = 22 (chunk heads) + 3 (text event's delta, FF 01) + its length's bytes + the text
// + 1 (the first note's status) + 3 per note + 4 (End of Track).
Bytes Tune(std::size_t size, Random& random) {
  std::size_t notes = (size - 30 - 64) / 6;  // about half notes, half text
  std::size_t text = 0;
  for (;; --notes) {
    const std::size_t rest = size - 30 - 3 * notes;
    std::size_t length_bytes = 1;
    while (length_bytes <= 3 && VariableLength(static_cast<std::uint32_t>(rest - length_bytes)) != length_bytes) {
      ++length_bytes;
    }
    if (length_bytes <= 3) {
      text = rest - length_bytes;
      break;
    }
  }
  Bytes track = {0x00, 0xFF, 0x01};
  AppendVariableLength(track, static_cast<std::uint32_t>(text));
  for (std::size_t i = 0; i < text; ++i) track.push_back(static_cast<std::uint8_t>('a' + random.Next() % 26));
  for (std::size_t i = 0; i < notes; ++i) {
    track.push_back(static_cast<std::uint8_t>(i == 0 ? 0 : random.Next() % 0x60));
    if (i == 0) track.push_back(0x90);
    track.push_back(static_cast<std::uint8_t>(36 + random.Next() % 48));
    track.push_back(static_cast<std::uint8_t>(i % 2 == 0 ? 64 + random.Next() % 63 : 0));
  }
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  return Smf(0, {track});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: make_tunes DIRECTORY COUNT MIN_BYTES MAX_BYTES [SEED]\n");
    return 2;
  }
  const std::string directory = argv[1];
  const long count = std::atol(argv[2]);
  const long smallest = std::atol(argv[3]), largest = std::atol(argv[4]);
  if (count < 0 || smallest < 256 || largest < smallest || largest > 65000) {
    std::fprintf(stderr, "make_tunes: sizes from 256 to 65000 bytes, MIN_BYTES <= MAX_BYTES\n");
    return 2;
  }
  Random random(argc > 5 ? static_cast<std::uint32_t>(std::atol(argv[5])) : 20040101u);
  unsigned long long total = 0;
  for (long i = 0; i < count; ++i) {
    const auto size = static_cast<std::size_t>(smallest + static_cast<long>(random.Next() % (largest - smallest + 1)));
    const Bytes bytes = Tune(size, random);
    if (bytes.size() != size) {
      std::fprintf(stderr, "make_tunes: tune %ld came out %zu bytes, not %zu\n", i, bytes.size(), size);
      return 1;
    }
    char name[32];
    std::snprintf(name, sizeof name, "/tune%05ld.mid", i);
    const std::string path = directory + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, size, file) != size || std::fclose(file) != 0) {
      std::perror(path.c_str());
      return 1;
    }
    total += size;
  }
  std::printf("%ld tunes, %llu bytes\n", count, total);
  return 0;
}
