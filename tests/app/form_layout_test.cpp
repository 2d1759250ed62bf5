// The layout rule of the main window, natively: where each anchor puts a control as the width
// and the scale change, the rounding of scaled pixels, and a table whose entries fit together.
#include <gtest/gtest.h>

#include <ostream>
#include <set>

#include "app/form_layout.h"

static void PrintTo(const ControlBox& box, std::ostream* out) {
  *out << "{" << box.left << ", " << box.top << ", " << box.width << ", " << box.height << "}";
}

namespace {

struct Case {
  const char* what;
  int id;
  int client_width;
  Scale scale;
  ControlBox expected;
};

constexpr Scale kOne{1, 1};
constexpr Scale kHalfAgain{3, 2};     // 144 DPI
constexpr Scale kQuarterMore{5, 4};   // 120 DPI

const Case kCases[] = {
    // At the designed width nothing moves: places are the group box's top plus the table's.
    {"edit, designed width", kEdit3, 723, kOne, {128, 25, 446, 21}},
    {"edit in the second group box", kEdit2, 723, kOne, {128, 90, 446, 21}},
    {"group box", kGroupBox5, 723, kOne, {0, 88, 723, 88}},
    {"label: place only", kLabel7, 723, kOne, {8, 144, 0, 0}},
    {"About on the window", kBitBtn9, 731, kOne, {588, 4, 128, 25}},
    // 200 pixels wider: fields and group boxes grow, right-hand buttons follow, the rest stays.
    {"edit grows", kEdit3, 923, kOne, {128, 25, 646, 21}},
    {"group box grows", kGroupBox1, 923, kOne, {0, 0, 923, 65}},
    {"button follows the right edge", kBitBtn4, 923, kOne, {785, 24, 128, 25}},
    {"fixed button stays", kBitBtn6, 923, kOne, {128, 196, 128, 32}},
    {"check box stays", kCheckBox1, 923, kOne, {128, 58, 73, 17}},
    {"About follows the window's edge", kBitBtn9, 931, kOne, {788, 4, 128, 25}},
    // The narrowest window (480 wide) and narrower still: a field shrinks to nothing, never below.
    {"edit at the minimum width", kEdit1, 464, kOne, {128, 25, 187, 21}},
    {"edit narrower than its grow", kEdit5, 100, kOne, {128, 141, 0, 21}},
    {"button narrower than designed", kBitBtn7, 100, kOne, {65, 140, 25, 25}},
    // Scaled: edges scale, halves away from zero, and sizes are their differences; the width the
    // anchors compare with is the scaled design width.
    {"edit at 3/2", kEdit3, 1085, kHalfAgain, {192, 38, 669, 31}},
    {"edit in a lower group box at 3/2", kEdit2, 1085, kHalfAgain, {192, 136, 669, 31}},
    {"edit at 3/2, 100 wider", kEdit3, 1185, kHalfAgain, {192, 38, 769, 31}},
    {"group boxes that meet at 96 meet at 3/2: above", kGroupBox2, 1085, kHalfAgain, {0, 98, 1085, 97}},
    {"group boxes that meet at 96 meet at 3/2: below", kGroupBox3, 1085, kHalfAgain, {0, 195, 1085, 98}},
    {"right button at 3/2, 100 wider", kBitBtn8, 1185, kHalfAgain, {1132, 78, 38, 38}},
    {"About at 3/2", kBitBtn9, 1097, kHalfAgain, {882, 6, 192, 38}},
    {"edit at 5/4", kEdit3, 904, kQuarterMore, {160, 31, 558, 27}},
};

TEST(ControlRect, PlacesEachAnchorForTheWidthAndScale) {
  for (const Case& c : kCases) {
    const ControlEntry* entry = FindControl(c.id);
    ASSERT_NE(entry, nullptr) << c.what;
    EXPECT_EQ(ControlRect(*entry, c.client_width, c.scale), c.expected) << c.what;
  }
}

TEST(Scaled, RoundsHalvesAwayFromZeroAndKeepsLargeValues) {
  struct Rounding {
    int value;
    Scale scale;
    int expected;
  };
  const Rounding kRoundings[] = {
      {25, kHalfAgain, 38},      {-25, kHalfAgain, -38}, {24, kHalfAgain, 36}, {1, {1, 3}, 0},
      {2, {1, 3}, 1},            {723, kOne, 723},       {-7, kOne, -7},       {33, {7, 7}, 33},
      {2000000, {144, 96}, 3000000},  // the product overflows 32 bits
  };
  for (const Rounding& r : kRoundings) {
    EXPECT_EQ(Scaled(r.value, r.scale), r.expected) << r.value << " * " << r.scale.numerator << "/" << r.scale.denominator;
  }
}

TEST(LayoutTable, IdsAreUniqueAndEveryControlSitsInAGroupBoxOfItsOwnPage) {
  std::set<int> ids;
  for (const ControlEntry& entry : kControls) {
    EXPECT_TRUE(ids.insert(entry.id).second) << entry.id;
    if (entry.group == 0) continue;
    const ControlEntry* group = FindControl(entry.group);
    ASSERT_NE(group, nullptr) << entry.id;
    EXPECT_EQ(group->kind, Kind::GroupBox) << entry.id;
    EXPECT_EQ(group->page, entry.page) << entry.id;
    EXPECT_LT(group - kControls, &entry - kControls) << entry.id << " comes before its group box";
  }
  for (int page_id : kPageIds) EXPECT_FALSE(ids.count(page_id)) << page_id;
  EXPECT_FALSE(ids.count(kPageControl1));
}

TEST(LayoutTable, EachFieldHasItsOwnEdit) {
  std::set<int> edits;
  for (Field field : {Field::Edit1, Field::Edit2, Field::Edit3, Field::Edit4, Field::Edit5}) {
    const ControlEntry* entry = FindControl(FieldControlId(field));
    ASSERT_NE(entry, nullptr) << static_cast<int>(field);
    EXPECT_EQ(entry->kind, Kind::Edit) << static_cast<int>(field);
    EXPECT_TRUE(edits.insert(entry->id).second) << static_cast<int>(field);
  }
  EXPECT_EQ(FieldControlId(static_cast<Field>(0)), 0);
}

// At 96 DPI the designed outer sizes whatever the system's frame; above it the client area scales
// and the frame is the one given.
TEST(FormSizeAt, KeepsTheDesignAt96AndScalesTheClientAreaAbove) {
  struct Sizes {
    Scale scale;
    int frame_width, frame_height;
    FormSize expected;
  };
  const Sizes kSizes[] = {
      {ScaleForDpi(96), 8, 27, {739, 317, 480}},
      {ScaleForDpi(96), 16, 39, {739, 317, 480}},  // a wider frame changes nothing at 96
      {ScaleForDpi(120), 8, 30, {914 + 8, 363 + 30, 590 + 8}},
      {ScaleForDpi(144), 12, 40, {1097 + 12, 435 + 40, 708 + 12}},
      {ScaleForDpi(192), 16, 54, {1462 + 16, 580 + 54, 944 + 16}},
      {ScaleForDpi(0), 8, 27, {739, 317, 480}},  // no DPI reported: as designed
  };
  for (const Sizes& s : kSizes) {
    const FormSize size = FormSizeAt(s.scale, s.frame_width, s.frame_height);
    EXPECT_EQ(size, s.expected) << s.scale.numerator << ": " << size.width << " x " << size.height << ", min "
                                << size.min_width;
  }
}

TEST(FontHeight, IsEightPointsAtTheDpiRounded) {
  const int kHeights[][2] = {{96, 11}, {120, 13}, {144, 16}, {192, 21}, {72, 8}};
  for (const auto& [dpi, height] : kHeights) EXPECT_EQ(FontHeight(ScaleForDpi(dpi)), height) << dpi;
}

TEST(Glyphs, TheNearestDrawnSizeIsPickedAndItsResourceNamed) {
  struct Pick {
    int dpi;
    int size;
    int help_resource;
  };
  const Pick kPicks[] = {
      {96, 16, IDB_GLYPH_HELP},     {72, 16, IDB_GLYPH_HELP},     {108, 16, IDB_GLYPH_HELP},  // 18: a tie, the smaller
      {110, 20, IDB_GLYPH_HELP_20}, {120, 20, IDB_GLYPH_HELP_20}, {144, 24, IDB_GLYPH_HELP_24},
      {168, 24, IDB_GLYPH_HELP_24},  // 28: a tie, the smaller
      {192, 32, IDB_GLYPH_HELP_32}, {288, 32, IDB_GLYPH_HELP_32},
  };
  for (const Pick& pick : kPicks) {
    EXPECT_EQ(GlyphSize(ScaleForDpi(pick.dpi)), pick.size) << pick.dpi;
    EXPECT_EQ(GlyphResource(IDB_GLYPH_HELP, ScaleForDpi(pick.dpi)), pick.help_resource) << pick.dpi;
  }
  EXPECT_EQ(GlyphResource(IDB_GLYPH_ABOUT, ScaleForDpi(144)), IDB_GLYPH_ABOUT_24);
  EXPECT_EQ(GlyphResource(IDB_GLYPH_FOLDER, ScaleForDpi(192)), IDB_GLYPH_FOLDER_32);
}

}  // namespace
