// What the handheld does with a tune, in words: the listing's and the render's.
#pragma once

#include <string>

#include "handheld/handheld_player.h"

// "plays 128.9 s", "stops at 12.3 s (byte 345): an F7 event", "plays nothing: format 1",
// "divides by zero: division 0".
std::string PlayText(const handheld::HandheldPlay& play);
// Seconds to one decimal: "128.9".
std::string SecondsText(double seconds);
