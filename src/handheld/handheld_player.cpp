#include "handheld/handheld_player.h"

#include "midi/smf_reader.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace handheld {

namespace {
using midi::kChunkHeadSize, midi::kChunkLengthOffset, midi::kFormatOffset, midi::kDivisionOffset;
using midi::kMinHeaderLength, midi::kEndOfTrackType, midi::kSetTempoType, midi::kSetTempoLength;
using midi::kNoteOff, midi::kNoteOn, midi::kSysExStatus, midi::kEscapeStatus, midi::kMetaStatus;
constexpr std::size_t kHeaderEnd = kChunkHeadSize + kMinHeaderLength;  // of the six bytes every header has
constexpr std::uint32_t kStartTempo = 500000;
constexpr std::uint32_t kMicrosecondsPerSecond = 1000000;
constexpr const char* kCutOff = "an event cut off by the end of the track";

bool HasTag(std::span<const std::uint8_t> bytes, std::size_t at, const char* tag) {
  return bytes.size() - at >= 4 && std::equal(tag, tag + 4, bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

std::uint32_t Big(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count; ++i) value = value << 8 | bytes[at + i];
  return value;
}

std::string HexByte(std::uint8_t byte) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(byte));
  return text;
}

// Turns deltas into ticks the way the player does, one delta at a time.
class DeltaTimer {
 public:
  explicit DeltaTimer(std::uint16_t division) {
    if (division & 0x8000) {
      smpte_ = true;
      unsigned frames = 256u - (division >> 8);
      per_second_ = (frames == 29 ? 30u : frames) * (division & 0xFFu);
    } else {
      per_quarter_ = division;
    }
  }
  // The reason, or none when the divisor is not 0.
  const char* DividesByZero() const {
    if (smpte_) return per_second_ == 0 ? "0 ticks per frame" : nullptr;
    return per_quarter_ == 0 ? "division 0" : nullptr;
  }
  void SetTempo(std::uint32_t tempo) { tempo_ = tempo; }
  // Ticks of a delta; the divisor must not be 0 when the delta is above 0.
  std::uint32_t Ticks(std::uint32_t delta) const {
    if (delta == 0) return 0;
    std::uint32_t ticks =
        smpte_ ? (delta * 100u) / per_second_ : ((delta * (tempo_ / per_quarter_)) * 100u) / kMicrosecondsPerSecond;
    return std::max<std::uint32_t>(ticks, 1);
  }

 private:
  bool smpte_ = false;
  std::uint32_t per_quarter_ = 0;
  std::uint32_t per_second_ = 0;  // frames × ticks per frame
  std::uint32_t tempo_ = kStartTempo;
};

// Why running status is missing where a data byte stands.
enum class NoStatus { TrackStart, AfterMeta, AfterSysEx };

class Player {
 public:
  Player(std::span<const std::uint8_t> tune, unsigned volume) : tune_(tune), volume_(std::min(volume, kMaxVolume)) {}

  HandheldPlay Play() {
    if (!ReadHeader()) return std::move(play_);
    while (Step()) {
    }
    return std::move(play_);
  }

 private:
  bool Refuse(std::size_t offset, std::string reason) {
    play_.outcome = PlayOutcome::Silent;
    play_.offset = offset;
    play_.reason = std::move(reason);
    return false;
  }

  bool ReadHeader() {
    if (!HasTag(tune_, 0, "MThd")) return Refuse(0, "not a MIDI file");
    if (tune_.size() < kChunkHeadSize) return Refuse(tune_.size(), "the header is cut off");
    const std::uint32_t length = Big(tune_, kChunkLengthOffset, 4);
    if (length < kMinHeaderLength) {
      return Refuse(kChunkLengthOffset, "a header chunk of " + std::to_string(length) + " bytes");
    }
    if (tune_.size() < kHeaderEnd) return Refuse(tune_.size(), "the header is cut off");
    const std::uint32_t format = Big(tune_, kFormatOffset, 2);
    if (format != 0) return Refuse(kFormatOffset, "format " + std::to_string(format));
    const auto division = static_cast<std::uint16_t>(Big(tune_, kDivisionOffset, 2));
    if (division & 0x8000) {
      const unsigned frames = 256u - (division >> 8);
      if (frames != 24 && frames != 25 && frames != 29 && frames != 30) {
        return Refuse(kDivisionOffset, "an SMPTE division of " + std::to_string(frames) + " frames a second");
      }
    }
    timer_ = DeltaTimer(division);
    if (length > tune_.size() - kChunkHeadSize || tune_.size() - kChunkHeadSize - length < kChunkHeadSize) {
      return Refuse(tune_.size(), "no track after the header");
    }
    const std::size_t chunk = kChunkHeadSize + length;
    if (!HasTag(tune_, chunk, "MTrk")) return Refuse(chunk, "a first chunk that is not \"MTrk\"");
    pos_ = chunk + kChunkHeadSize;
    const std::uint32_t track_length = Big(tune_, chunk + 4, 4);
    end_ = track_length > tune_.size() - pos_ ? tune_.size() : pos_ + track_length;
    play_.outcome = PlayOutcome::Plays;
    return true;
  }

  // Reads a variable-length number; false when the track ends inside it.
  bool ReadNumber(std::uint32_t& value) {
    value = 0;
    while (pos_ < end_) {
      const std::uint8_t byte = tune_[pos_++];
      value = value << 7 | (byte & 0x7Fu);
      if (byte < 0x80) return true;
    }
    return false;
  }

  void Wait() {
    now_ += pending_;
    pending_ = 0;
  }

  void Silence() {
    if (sounding_ && now_ > sounding_->start_tick) {
      sounding_->end_tick = now_;
      play_.notes.push_back(*sounding_);
    }
    sounding_.reset();
    sounding_channel_ = 0;
  }

  bool Finish(PlayOutcome outcome, std::size_t offset, std::string reason) {
    Silence();
    play_.outcome = outcome;
    play_.offset = offset;
    play_.reason = std::move(reason);
    play_.ticks = now_;
    return false;
  }
  bool Stop(std::size_t offset, std::string reason) {
    return Finish(PlayOutcome::StopsEarly, offset, std::move(reason));
  }

  bool Step() {
    if (pos_ >= end_) return Stop(end_, "no End of Track");
    const std::size_t start = pos_;
    std::uint32_t delta = 0;
    if (!ReadNumber(delta)) return Stop(start, kCutOff);
    if (delta > 0 && timer_.DividesByZero()) return Finish(PlayOutcome::DividesByZero, start, timer_.DividesByZero());
    pending_ += timer_.Ticks(delta);
    if (pos_ >= end_) return Stop(start, kCutOff);

    const std::uint8_t first = tune_[pos_];
    std::uint8_t status = running_;
    if (first < 0x80) {
      if (running_ == 0) {
        const char* reasons[] = {"a data byte with no status before it", "a data byte right after a meta event",
                                 "a data byte right after a sysex event"};
        return Stop(pos_, reasons[static_cast<int>(no_status_)]);
      }
    } else if (first < kSysExStatus) {
      status = running_ = first;
      ++pos_;
    } else if (first == kMetaStatus || first == kSysExStatus) {
      return MetaOrSysEx(start);
    } else {
      return Stop(pos_, first == kEscapeStatus ? "an F7 event" : "an " + HexByte(first) + " status byte");
    }

    const std::size_t count = (status & 0xE0) == 0xC0 ? 1 : 2;  // program change and channel pressure: 1
    if (end_ - pos_ < count) return Stop(start, kCutOff);
    for (std::size_t i = 0; i < count; ++i) {
      if (tune_[pos_ + i] >= 0x80) return Stop(pos_ + i, "a status byte where a data byte is due");
    }
    const std::uint8_t kind = status & 0xF0;
    const std::uint8_t channel = status & 0x0F;
    const std::uint8_t key = tune_[pos_];
    const std::uint8_t velocity = count == 2 ? tune_[pos_ + 1] : 0;
    pos_ += count;
    if (kind == kNoteOn && velocity > 0) {
      Wait();
      Silence();
      sounding_ = HandheldNote{now_, now_, key, volume_ * velocity / 127};
      sounding_channel_ = channel;
    } else if ((kind == kNoteOn || kind == kNoteOff) && sounding_ && sounding_channel_ == channel &&
               sounding_->key == key) {
      Wait();
      Silence();
    }
    return true;
  }

  bool MetaOrSysEx(std::size_t start) {
    const std::size_t status_at = pos_;
    const bool meta = tune_[pos_++] == kMetaStatus;
    running_ = 0;
    no_status_ = meta ? NoStatus::AfterMeta : NoStatus::AfterSysEx;
    std::uint8_t type = 0;
    if (meta) {
      if (pos_ >= end_) return Stop(start, kCutOff);
      type = tune_[pos_++];
    }
    std::uint32_t length = 0;
    if (!ReadNumber(length) || length > end_ - pos_) return Stop(start, kCutOff);
    if (meta && type == kEndOfTrackType) {
      Wait();
      return Finish(PlayOutcome::Plays, 0, "");
    }
    if (meta && type == kSetTempoType) {
      if (length < kSetTempoLength) return Stop(status_at, "a Set Tempo of " + std::to_string(length) + " bytes");
      timer_.SetTempo(Big(tune_, pos_, kSetTempoLength));
    }
    pos_ += length;
    return true;
  }

  std::span<const std::uint8_t> tune_;
  unsigned volume_;
  HandheldPlay play_;
  DeltaTimer timer_{1};
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint8_t running_ = 0;
  NoStatus no_status_ = NoStatus::TrackStart;
  std::uint64_t now_ = 0;      // the time of the last event waited for
  std::uint64_t pending_ = 0;  // ticks read since then
  std::optional<HandheldNote> sounding_;
  std::uint8_t sounding_channel_ = 0;
};
}  // namespace

const char* OutcomeName(PlayOutcome outcome) {
  switch (outcome) {
    case PlayOutcome::Plays: return "plays";
    case PlayOutcome::StopsEarly: return "stops";
    case PlayOutcome::Silent: return "silent";
    case PlayOutcome::DividesByZero: return "divides_by_zero";
  }
  return "";
}

HandheldPlay PlayOnHandheld(std::span<const std::uint8_t> tune, unsigned volume) { return Player(tune, volume).Play(); }

}  // namespace handheld
