#include "handheld/tune_facts.h"

#include <bitset>

#include "handheld/tune_clock.h"
#include "handheld/tune_notes.h"

namespace handheld {

namespace {
constexpr std::size_t kKeys = 128;
constexpr std::size_t kChannels = 16;
}  // namespace

TuneFacts ReadTuneFacts(std::span<const std::uint8_t> tune) {
  TuneFacts facts;
  TuneNotes notes = ReadTuneNotes(tune);
  if (notes.problem) {
    facts.problem = notes.problem;
    return facts;
  }
  facts.tune_seconds = TuneClock(notes.header, notes.tempo_changes).Seconds(notes.EndTick());
  std::bitset<kChannels * kKeys> sounding;
  for (const NoteEvent& event : notes.events) {
    sounding.set(event.channel * kKeys + event.key, event.on);
    facts.most_notes_at_once = std::max(facts.most_notes_at_once, static_cast<unsigned>(sounding.count()));
  }
  return facts;
}

}  // namespace handheld
