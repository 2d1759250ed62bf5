// The handheld module as a program for check_handheld_model.py. "play FILE VOLUME" prints "OUTCOME OFFSET TICKS
// TUNE_SECONDS", the reason, then "START END KEY AMPLITUDE" a note; "shape FILE [--channel N] [--octave N]
// [--seconds S]" writes the shaped tune to standard output, or its refusal to standard error (exit 1).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "handheld/handheld_player.h"
#include "handheld/ring_shaper.h"
#include "handheld/tune_facts.h"

int main(int argc, char** argv) {
  const std::string command = argc > 2 ? argv[1] : "";
  std::ifstream in(argc > 2 ? argv[2] : "", std::ios::binary);
  const std::vector<std::uint8_t> tune{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (command == "play" && argc == 4) {
    const handheld::HandheldPlay play = handheld::PlayOnHandheld(tune, static_cast<unsigned>(std::atoi(argv[3])));
    const handheld::TuneFacts facts = handheld::ReadTuneFacts(tune);  // 0 where the reader refuses it
    std::printf("%s %zu %llu %.9f\n%s\n", handheld::OutcomeName(play.outcome), play.offset,
                static_cast<unsigned long long>(play.ticks), facts.tune_seconds, play.reason.c_str());
    for (const handheld::HandheldNote& n : play.notes) {
      std::printf("%llu %llu %u %u\n", static_cast<unsigned long long>(n.start_tick),
                  static_cast<unsigned long long>(n.end_tick), unsigned{n.key}, n.amplitude);
    }
    return 0;
  }
  if (command != "shape") return std::fprintf(stderr, "usage: handheld_probe play FILE VOLUME | shape FILE [...]\n"), 2;
  handheld::RingOptions options;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--channel") options.channel = static_cast<unsigned>(std::atoi(argv[i + 1]));
    if (flag == "--octave") options.octave = std::atoi(argv[i + 1]);
    if (flag == "--seconds") options.seconds = std::atof(argv[i + 1]);
  }
  const handheld::ShapedTune shaped = handheld::ShapeToRing(tune, options);
  if (shaped.Refused()) return std::fprintf(stderr, "%s\n", shaped.refusal.c_str()), 1;
  std::fwrite(shaped.bytes.data(), 1, shaped.bytes.size(), stdout);
  return 0;
}
