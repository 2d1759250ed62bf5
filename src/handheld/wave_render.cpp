#include "handheld/wave_render.h"

#include <algorithm>
#include <cmath>

namespace handheld {

namespace {
constexpr std::uint64_t kSamplesPerTwoTicks = 441;  // 220.5 a tick
constexpr std::size_t kWavHeaderSize = 44;
constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kMono = 1;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::uint32_t kBytesPerSample = kBitsPerSample / 8;
constexpr std::uint32_t kFormatChunkSize = 16;

void PutLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}
}  // namespace

unsigned KeyFrequency(std::uint8_t key) {
  return static_cast<unsigned>(std::lround(440.0 * std::pow(2.0, (static_cast<int>(key) - 69) / 12.0)));
}

std::uint64_t SampleOfTick(std::uint64_t tick) { return tick * kSamplesPerTwoTicks / 2; }

Wave RenderWave(const HandheldPlay& play) {
  Wave wave;
  wave.seconds = play.Seconds();
  if (play.ticks > kLongestRenderTicks) {
    wave.outcome = RenderOutcome::TooLong;
    return wave;
  }
  wave.samples.assign(SampleOfTick(play.ticks), 0);
  for (const HandheldNote& note : play.notes) {
    const std::uint64_t twice_frequency = 2 * std::uint64_t{KeyFrequency(note.key)};
    const int amplitude = static_cast<int>(std::min(note.amplitude, kMaxVolume));  // beyond it, 16 bits overflow
    const auto level = static_cast<std::int16_t>(amplitude * kLevelPerAmplitude);
    const std::uint64_t first = SampleOfTick(note.start_tick);
    const std::uint64_t end = std::min<std::uint64_t>(SampleOfTick(note.end_tick), wave.samples.size());
    for (std::uint64_t i = first; i < end; ++i) {
      const bool positive = (twice_frequency * (i - first) / kSampleRate) % 2 == 0;
      wave.samples[i] = positive ? level : static_cast<std::int16_t>(-level);
    }
  }
  return wave;
}

std::vector<std::uint8_t> WavFile(std::span<const std::int16_t> samples) {
  const auto data_size = static_cast<std::uint32_t>(samples.size() * kBytesPerSample);
  std::vector<std::uint8_t> out;
  out.reserve(kWavHeaderSize + data_size);
  PutTag(out, "RIFF");
  PutLittle(out, static_cast<std::uint32_t>(kWavHeaderSize - 8) + data_size, 4);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutLittle(out, kFormatChunkSize, 4);
  PutLittle(out, kPcm, 2);
  PutLittle(out, kMono, 2);
  PutLittle(out, kSampleRate, 4);
  PutLittle(out, kSampleRate * kBytesPerSample, 4);  // bytes a second
  PutLittle(out, kBytesPerSample, 2);                // bytes a frame
  PutLittle(out, kBitsPerSample, 2);
  PutTag(out, "data");
  PutLittle(out, data_size, 4);
  for (std::int16_t sample : samples) PutLittle(out, static_cast<std::uint16_t>(sample), 2);
  return out;
}

}  // namespace handheld
