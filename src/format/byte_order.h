// Byte reversal for the big-endian fields of Palm databases on a little-endian host.
#pragma once

#include <cstdint>

std::uint16_t SwapWord(std::uint16_t value);
std::uint32_t SwapLong(std::uint32_t value);
