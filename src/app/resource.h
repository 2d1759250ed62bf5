// Resource identifiers shared by carillo.rc and the window code.
#pragma once

#define IDI_CARILLO 1
#define IDB_GLYPH_FOLDER 101
#define IDB_GLYPH_HELP 102
#define IDB_GLYPH_CHECK 103
#define IDB_GLYPH_ABOUT 104

// The glyphs again at 20, 24 and 32 pixels, for displays above 96 DPI: the 16-pixel id plus
// IDB_GLYPH_SIZE_STEP for each size up.
#define IDB_GLYPH_SIZE_STEP 100
#define IDB_GLYPH_FOLDER_20 201
#define IDB_GLYPH_HELP_20 202
#define IDB_GLYPH_CHECK_20 203
#define IDB_GLYPH_ABOUT_20 204
#define IDB_GLYPH_FOLDER_24 301
#define IDB_GLYPH_HELP_24 302
#define IDB_GLYPH_CHECK_24 303
#define IDB_GLYPH_ABOUT_24 304
#define IDB_GLYPH_FOLDER_32 401
#define IDB_GLYPH_HELP_32 402
#define IDB_GLYPH_CHECK_32 403
#define IDB_GLYPH_ABOUT_32 404
