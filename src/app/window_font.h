// The font of the main window: 8 points in the classic dialog face where the system has it.
#pragma once

#include "win32/handles.h"

// `weight` is FW_NORMAL or FW_BOLD; `height` in pixels (the cell's character height). The face is
// the first of "MS Sans Serif", "Microsoft Sans Serif" and "Tahoma" that the system has, else the
// face of its GUI font.
UniqueFont MakeWindowFont(int weight, int height);
