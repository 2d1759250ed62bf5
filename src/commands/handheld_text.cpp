#include "commands/handheld_text.h"

#include <cstdio>

std::string SecondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", seconds);
  return text;
}

std::string PlayText(const handheld::HandheldPlay& play) {
  switch (play.outcome) {
    case handheld::PlayOutcome::Plays: return "plays " + SecondsText(play.Seconds()) + " s";
    case handheld::PlayOutcome::StopsEarly:
      return "stops at " + SecondsText(play.Seconds()) + " s (byte " + std::to_string(play.offset) + "): " + play.reason;
    case handheld::PlayOutcome::Silent: return "plays nothing: " + play.reason;
    case handheld::PlayOutcome::DividesByZero: return "divides by zero: " + play.reason;
  }
  return play.reason;
}
