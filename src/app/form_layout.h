// The main window's controls as one table: ids, kinds, captions, placements at 96 DPI, anchors
// and tab order, and the one rule that turns an entry into a rectangle. The window builds and
// places itself from it; automation tools rely on the ids. Plain C++, so it is tested natively.
#pragma once

#include "app/resource.h"
#include "seams/fields.h"

// Fixed control ids (the automation interface).
enum ControlId : int {
  kEdit1 = 1001,
  kEdit2 = 1002,
  kEdit3 = 1003,
  kEdit4 = 1004,
  kEdit5 = 1005,
  kBitBtn1 = 1101,
  kBitBtn2 = 1102,
  kBitBtn3 = 1103,
  kBitBtn4 = 1104,
  kBitBtn5 = 1105,
  kBitBtn6 = 1106,
  kBitBtn7 = 1107,
  kBitBtn8 = 1108,
  kBitBtn9 = 1109,
  kCheckBox1 = 1201,
  kPageControl1 = 1301,
  kTabSheet1 = 1401,
  kTabSheet2 = 1402,
  kGroupBox1 = 1501,
  kGroupBox2 = 1502,
  kGroupBox3 = 1503,
  kGroupBox4 = 1504,
  kGroupBox5 = 1505,
  kGroupBox6 = 1506,
  kLabel1 = 1601,
  kLabel2 = 1602,
  kLabel3 = 1603,
  kLabel4 = 1604,
  kLabel5 = 1605,
  kLabel6 = 1606,
  kLabel7 = 1607,
};

inline constexpr char kApplicationTitle[] = "Veltro:: Carillo for Jinglo 2";

// The window at its designed size, 96 DPI.
inline constexpr int kFormWidth = 739;
inline constexpr int kFormHeight = 317;
inline constexpr int kMinFormWidth = 480;
inline constexpr int kDesignClientWidth = 731;
// A page's width when the client area has its designed width; right anchors keep distances to it.
inline constexpr int kDesignPageWidth = 723;
inline constexpr int kTabWidth = 128;
inline constexpr int kTabHeight = 32;
inline constexpr int kFontPoints = 8;  // 11 pixels at 96 DPI
// The client area the window is designed around: kFormWidth x kFormHeight less the 96-DPI frame.
inline constexpr int kDesignClientHeight = 290;
inline constexpr int kMinClientWidth = kMinFormWidth - (kFormWidth - kDesignClientWidth);
inline constexpr int kEdit5MaxTyped = 31;

// The pages of PageControl1, by index: 0 "MID => PDB", 1 "PDB => MID".
inline constexpr int kPageCount = 2;
inline constexpr int kPageIds[kPageCount] = {kTabSheet1, kTabSheet2};
inline constexpr const char* kPageCaptions[kPageCount] = {"MID => PDB", "PDB => MID"};
// The `page` of a control that sits on the window itself, above the pages.
inline constexpr int kOnWindow = -1;

enum class Kind { GroupBox, Label, Edit, BitBtn, CheckBox };

// How a control follows the width of what it sits on.
enum class Anchor {
  Fixed,    // keeps its left edge and width
  Stretch,  // keeps both edge distances: grows with the width
  Right,    // keeps its width and its distance to the right edge
};

struct ControlEntry {
  int id;
  Kind kind;
  int page;   // 0 TabSheet1, 1 TabSheet2, kOnWindow
  int group;  // id of the group box it sits in; 0 for a control placed on the page or window itself
  const char* caption;
  int left, top, width, height;  // in the group box, else on the page or window; 0 x 0: its text's size
  Anchor anchor;
  int glyph;    // bitmap buttons: resource id of the glyph pair, 0 for none
  int spacing;  // bitmap buttons: pixels between glyph and caption
};

// Every control but the tab row and its pages, in creation and tab order: on each page, each group
// box followed by its controls in their tab order; then "About...", which sits on the window over
// the right end of the tab row.
inline constexpr ControlEntry kControls[] = {
    // "MID => PDB"
    {kGroupBox4, Kind::GroupBox, 0, 0, " 1. Select source directory ", 0, 0, kDesignPageWidth, 88, Anchor::Stretch, 0, 0},
    {kLabel4, Kind::Label, 0, kGroupBox4, "Use MIDI files from:", 8, 32, 0, 0, Anchor::Fixed, 0, 0},
    {kEdit3, Kind::Edit, 0, kGroupBox4, "", 128, 25, 446, 21, Anchor::Stretch, 0, 0},
    {kBitBtn4, Kind::BitBtn, 0, kGroupBox4, "Browse...", 585, 24, 128, 25, Anchor::Right, IDB_GLYPH_FOLDER, 4},
    {kBitBtn8, Kind::BitBtn, 0, kGroupBox4, "", 688, 52, 25, 25, Anchor::Right, IDB_GLYPH_HELP, 4},
    {kCheckBox1, Kind::CheckBox, 0, kGroupBox4, "SMF0 only", 128, 58, 73, 17, Anchor::Fixed, 0, 0},
    {kGroupBox5, Kind::GroupBox, 0, 0, " 2. Select destination database ", 0, 88, kDesignPageWidth, 88,
     Anchor::Stretch, 0, 0},
    {kLabel5, Kind::Label, 0, kGroupBox5, "Compile MIDI files to:", 8, 32, 0, 0, Anchor::Fixed, 0, 0},
    {kLabel7, Kind::Label, 0, kGroupBox5, "Palm database name:", 8, 56, 0, 0, Anchor::Fixed, 0, 0},
    {kEdit4, Kind::Edit, 0, kGroupBox5, "", 128, 25, 446, 21, Anchor::Stretch, 0, 0},
    {kBitBtn5, Kind::BitBtn, 0, kGroupBox5, "Browse...", 585, 24, 128, 25, Anchor::Right, IDB_GLYPH_FOLDER, 4},
    {kEdit5, Kind::Edit, 0, kGroupBox5, "", 128, 53, 550, 21, Anchor::Stretch, 0, 0},
    {kBitBtn7, Kind::BitBtn, 0, kGroupBox5, "", 688, 52, 25, 25, Anchor::Right, IDB_GLYPH_HELP, 4},
    {kGroupBox6, Kind::GroupBox, 0, 0, " 3. Compile ", 0, 176, kDesignPageWidth, 65, Anchor::Stretch, 0, 0},
    {kLabel6, Kind::Label, 0, kGroupBox6, "Click to begin:", 8, 32, 0, 0, Anchor::Fixed, 0, 0},
    {kBitBtn6, Kind::BitBtn, 0, kGroupBox6, "Compile!", 128, 20, 128, 32, Anchor::Fixed, IDB_GLYPH_CHECK, 4},
    // "PDB => MID"
    {kGroupBox1, Kind::GroupBox, 1, 0, " 1. Select source database ", 0, 0, kDesignPageWidth, 65, Anchor::Stretch, 0, 0},
    {kLabel2, Kind::Label, 1, kGroupBox1, "Extract MIDI files from:", 8, 32, 0, 0, Anchor::Fixed, 0, 0},
    {kEdit1, Kind::Edit, 1, kGroupBox1, "", 128, 25, 446, 21, Anchor::Stretch, 0, 0},
    {kBitBtn1, Kind::BitBtn, 1, kGroupBox1, "Browse...", 585, 24, 128, 25, Anchor::Right, IDB_GLYPH_FOLDER, 4},
    {kGroupBox2, Kind::GroupBox, 1, 0, " 2. Select destination directory ", 0, 65, kDesignPageWidth, 65,
     Anchor::Stretch, 0, 0},
    {kLabel1, Kind::Label, 1, kGroupBox2, "Extract MIDI files to:", 8, 32, 0, 0, Anchor::Fixed, 0, 0},
    {kEdit2, Kind::Edit, 1, kGroupBox2, "", 128, 25, 446, 21, Anchor::Stretch, 0, 0},
    {kBitBtn2, Kind::BitBtn, 1, kGroupBox2, "Browse...", 585, 24, 128, 25, Anchor::Right, IDB_GLYPH_FOLDER, 4},
    {kGroupBox3, Kind::GroupBox, 1, 0, " 3. Extract ", 0, 130, kDesignPageWidth, 65, Anchor::Stretch, 0, 0},
    {kLabel3, Kind::Label, 1, kGroupBox3, "Click to begin:", 8, 32, 0, 0, Anchor::Fixed, 0, 0},
    {kBitBtn3, Kind::BitBtn, 1, kGroupBox3, "Extract!", 128, 20, 128, 32, Anchor::Fixed, IDB_GLYPH_CHECK, 4},
    // On the window
    {kBitBtn9, Kind::BitBtn, kOnWindow, 0, "About...", 588, 4, 128, 25, Anchor::Right, IDB_GLYPH_ABOUT, 8},
};

// The input fields and the edits that show them.
struct FieldControl {
  Field field;
  int id;
};
inline constexpr FieldControl kFieldControls[] = {
    {Field::Edit1, kEdit1}, {Field::Edit2, kEdit2}, {Field::Edit3, kEdit3}, {Field::Edit4, kEdit4},
    {Field::Edit5, kEdit5},
};

// The table's entry for `id`; nullptr for an id it does not hold.
constexpr const ControlEntry* FindControl(int id) {
  for (const ControlEntry& entry : kControls) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

// The id of the edit that shows `field`; 0 for a value outside the enumeration.
constexpr int FieldControlId(Field field) {
  for (const FieldControl& entry : kFieldControls) {
    if (entry.field == field) return entry.id;
  }
  return 0;
}

// Kinds the user reaches with Tab.
constexpr bool IsTabStop(Kind kind) { return kind == Kind::Edit || kind == Kind::BitBtn || kind == Kind::CheckBox; }

// A factor as a fraction (the display's DPI over 96), so that common factors are exact; the
// denominator is positive.
struct Scale {
  int numerator = 1;
  int denominator = 1;
};

// `value` times the factor, rounded to the nearest pixel, halves away from zero (as MulDiv does).
int Scaled(int value, Scale scale);

struct ControlBox {
  int left, top, width, height;
  friend bool operator==(const ControlBox&, const ControlBox&) = default;
};

// Where `entry` lies on what it sits on (its page, or the window for kOnWindow), whose client area
// is `client_width` pixels wide, with the table's design pixels times `scale`. A box of no size
// (labels) leaves the control the size it was built with.
ControlBox ControlRect(const ControlEntry& entry, int client_width, Scale scale);

// The window font's character height in pixels: kFontPoints at the display's DPI. Points rather
// than the 11 pixels of 96 DPI scaled, which would round up to text too wide for its place.
int FontHeight(Scale scale);

// The system's DPI as a factor over the 96 DPI the table is drawn at.
constexpr Scale ScaleForDpi(int dpi) { return dpi > 0 ? Scale{dpi, 96} : Scale{}; }

// The window's outer sizes: its starting width, its one height, and its narrowest width.
struct FormSize {
  int width, height, min_width;
  friend bool operator==(const FormSize&, const FormSize&) = default;
};
// At 96 DPI the designed sizes. Elsewhere the client area scales and the frame (borders and
// caption, `frame_width` x `frame_height` pixels at that DPI) is the system's own.
FormSize FormSizeAt(Scale scale, int frame_width, int frame_height);

// The sizes the glyphs are drawn at (scripts/draw-resources.py); each size's resource ids are the
// 16-pixel ids plus kGlyphResourceStep times the size's index.
inline constexpr int kGlyphSizes[] = {16, 20, 24, 32};
inline constexpr int kGlyphResourceStep = IDB_GLYPH_SIZE_STEP;
// The drawn size nearest to 16 pixels scaled; between two, the smaller.
int GlyphSize(Scale scale);
// The resource of `glyph` (its 16-pixel id) at GlyphSize(scale).
int GlyphResource(int glyph, Scale scale);
