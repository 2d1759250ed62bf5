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
    // Scaled: every design pixel scaled on its own, halves away from zero; the width the anchors
    // compare with is the scaled design width.
    {"edit at 3/2", kEdit3, 1085, kHalfAgain, {192, 38, 669, 32}},
    {"edit in a lower group box at 3/2", kEdit2, 1085, kHalfAgain, {192, 136, 669, 32}},
    {"edit at 3/2, 100 wider", kEdit3, 1185, kHalfAgain, {192, 38, 769, 32}},
    {"right button at 3/2, 100 wider", kBitBtn8, 1185, kHalfAgain, {1132, 78, 38, 38}},
    {"About at 3/2", kBitBtn9, 1097, kHalfAgain, {882, 6, 192, 38}},
    {"edit at 5/4", kEdit3, 904, kQuarterMore, {160, 31, 558, 26}},
};

TEST(ControlRect, PlacesEachAnchorForTheWidthAndScale) {
  for (const Case& c : kCases) {
    const ControlSpec* spec = FindControl(c.id);
    ASSERT_NE(spec, nullptr) << c.what;
    EXPECT_EQ(ControlRect(*spec, c.client_width, c.scale), c.expected) << c.what;
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
  for (const ControlSpec& spec : kControls) {
    EXPECT_TRUE(ids.insert(spec.id).second) << spec.id;
    if (spec.group == 0) continue;
    const ControlSpec* group = FindControl(spec.group);
    ASSERT_NE(group, nullptr) << spec.id;
    EXPECT_EQ(group->kind, Kind::GroupBox) << spec.id;
    EXPECT_EQ(group->page, spec.page) << spec.id;
    EXPECT_LT(group - kControls, &spec - kControls) << spec.id << " comes before its group box";
  }
  for (int page_id : kPageIds) EXPECT_FALSE(ids.count(page_id)) << page_id;
  EXPECT_FALSE(ids.count(kPageControl1));
}

TEST(LayoutTable, EachFieldHasItsOwnEdit) {
  std::set<int> edits;
  for (Field field : {Field::Edit1, Field::Edit2, Field::Edit3, Field::Edit4, Field::Edit5}) {
    const ControlSpec* spec = FindControl(FieldControlId(field));
    ASSERT_NE(spec, nullptr) << static_cast<int>(field);
    EXPECT_EQ(spec->kind, Kind::Edit) << static_cast<int>(field);
    EXPECT_TRUE(edits.insert(spec->id).second) << static_cast<int>(field);
  }
  EXPECT_EQ(FieldControlId(static_cast<Field>(0)), 0);
}

}  // namespace
