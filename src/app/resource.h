// Resource identifiers shared by carillo.rc and the window code.
#pragma once

#define IDI_CARILLO 1
#define IDB_GLYPH_FOLDER 101
#define IDB_GLYPH_HELP 102
#define IDB_GLYPH_CHECK 103
#define IDB_GLYPH_ABOUT 104
