// The font of the main window: 8 points at 96 DPI in the classic dialog face where the system has it.
#pragma once

#include "win32/handles.h"

// `weight` is FW_NORMAL or FW_BOLD. The face is the first of "MS Sans Serif", "Microsoft Sans
// Serif" and "Tahoma" that the system has, else the face of its GUI font.
UniqueFont MakeWindowFont(int weight);
