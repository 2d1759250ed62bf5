// The main window's controls as one table: ids, kinds, captions, placements at 96 DPI, anchors
// and tab order. The window builds itself from it; automation tools rely on the ids.
#pragma once

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
inline constexpr int kFontHeight = 11;  // 8 points at 96 DPI
inline constexpr int kEdit5MaxTyped = 31;

enum class Kind { GroupBox, Label, Edit, BitBtn, CheckBox };
enum class Glyph { None, Folder, Help, Check, About };

// How a control follows the width of what it sits on.
enum class Anchor {
  Fixed,       // keeps its left edge and width
  Stretch,     // keeps both edge distances: grows with the width
  Right,       // keeps its width and its distance to the right edge
  FullWidth,   // group boxes: as wide as the page
};

struct ControlSpec {
  int id;
  Kind kind;
  int page;   // 0 TabSheet1, 1 TabSheet2
  int group;  // id of the group box it sits in; 0 for the group boxes themselves
  const char* caption;
  int left, top, width, height;  // in the group box; for group boxes: top and height on the page
  Anchor anchor;
  Glyph glyph;
  int spacing;  // bitmap buttons: pixels between glyph and caption
};

// Page controls in tab order: each group box followed by its controls in their tab order.
// Labels have no size of their own; they take the size of their text.
inline constexpr ControlSpec kPageControls[] = {
    // "MID => PDB"
    {kGroupBox4, Kind::GroupBox, 0, 0, " 1. Select source directory ", 0, 0, 0, 88, Anchor::FullWidth, Glyph::None, 0},
    {kLabel4, Kind::Label, 0, kGroupBox4, "Use MIDI files from:", 8, 32, 0, 0, Anchor::Fixed, Glyph::None, 0},
    {kEdit3, Kind::Edit, 0, kGroupBox4, "", 128, 25, 446, 21, Anchor::Stretch, Glyph::None, 0},
    {kBitBtn4, Kind::BitBtn, 0, kGroupBox4, "Browse...", 585, 24, 128, 25, Anchor::Right, Glyph::Folder, 4},
    {kBitBtn8, Kind::BitBtn, 0, kGroupBox4, "", 688, 52, 25, 25, Anchor::Right, Glyph::Help, 4},
    {kCheckBox1, Kind::CheckBox, 0, kGroupBox4, "SMF0 only", 128, 58, 73, 17, Anchor::Fixed, Glyph::None, 0},
    {kGroupBox5, Kind::GroupBox, 0, 0, " 2. Select destination database ", 0, 88, 0, 88, Anchor::FullWidth, Glyph::None,
     0},
    {kLabel5, Kind::Label, 0, kGroupBox5, "Compile MIDI files to:", 8, 32, 0, 0, Anchor::Fixed, Glyph::None, 0},
    {kLabel7, Kind::Label, 0, kGroupBox5, "Palm database name:", 8, 56, 0, 0, Anchor::Fixed, Glyph::None, 0},
    {kEdit4, Kind::Edit, 0, kGroupBox5, "", 128, 25, 446, 21, Anchor::Stretch, Glyph::None, 0},
    {kBitBtn5, Kind::BitBtn, 0, kGroupBox5, "Browse...", 585, 24, 128, 25, Anchor::Right, Glyph::Folder, 4},
    {kEdit5, Kind::Edit, 0, kGroupBox5, "", 128, 53, 550, 21, Anchor::Stretch, Glyph::None, 0},
    {kBitBtn7, Kind::BitBtn, 0, kGroupBox5, "", 688, 52, 25, 25, Anchor::Right, Glyph::Help, 4},
    {kGroupBox6, Kind::GroupBox, 0, 0, " 3. Compile ", 0, 176, 0, 65, Anchor::FullWidth, Glyph::None, 0},
    {kLabel6, Kind::Label, 0, kGroupBox6, "Click to begin:", 8, 32, 0, 0, Anchor::Fixed, Glyph::None, 0},
    {kBitBtn6, Kind::BitBtn, 0, kGroupBox6, "Compile!", 128, 20, 128, 32, Anchor::Fixed, Glyph::Check, 4},
    // "PDB => MID"
    {kGroupBox1, Kind::GroupBox, 1, 0, " 1. Select source database ", 0, 0, 0, 65, Anchor::FullWidth, Glyph::None, 0},
    {kLabel2, Kind::Label, 1, kGroupBox1, "Extract MIDI files from:", 8, 32, 0, 0, Anchor::Fixed, Glyph::None, 0},
    {kEdit1, Kind::Edit, 1, kGroupBox1, "", 128, 25, 446, 21, Anchor::Stretch, Glyph::None, 0},
    {kBitBtn1, Kind::BitBtn, 1, kGroupBox1, "Browse...", 585, 24, 128, 25, Anchor::Right, Glyph::Folder, 4},
    {kGroupBox2, Kind::GroupBox, 1, 0, " 2. Select destination directory ", 0, 65, 0, 65, Anchor::FullWidth,
     Glyph::None, 0},
    {kLabel1, Kind::Label, 1, kGroupBox2, "Extract MIDI files to:", 8, 32, 0, 0, Anchor::Fixed, Glyph::None, 0},
    {kEdit2, Kind::Edit, 1, kGroupBox2, "", 128, 25, 446, 21, Anchor::Stretch, Glyph::None, 0},
    {kBitBtn2, Kind::BitBtn, 1, kGroupBox2, "Browse...", 585, 24, 128, 25, Anchor::Right, Glyph::Folder, 4},
    {kGroupBox3, Kind::GroupBox, 1, 0, " 3. Extract ", 0, 130, 0, 65, Anchor::FullWidth, Glyph::None, 0},
    {kLabel3, Kind::Label, 1, kGroupBox3, "Click to begin:", 8, 32, 0, 0, Anchor::Fixed, Glyph::None, 0},
    {kBitBtn3, Kind::BitBtn, 1, kGroupBox3, "Extract!", 128, 20, 128, 32, Anchor::Fixed, Glyph::Check, 4},
};

// "About..." sits on the window itself, over the right end of the tab row.
inline constexpr ControlSpec kAboutButton{kBitBtn9, Kind::BitBtn, -1, 0, "About...", 588, 4, 128, 25, Anchor::Right,
                                          Glyph::About, 8};

inline constexpr const char* kPageCaptions[2] = {"MID => PDB", "PDB => MID"};
