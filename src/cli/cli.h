// `carillo`: the conversions of the window for scripts and terminals, on the same commands.
#pragma once

#include <string>
#include <vector>

#include "cli/console.h"

// Runs one command line (without the program name) and gives the exit status.
int RunCarillo(const std::vector<std::string>& words, Console& console);
