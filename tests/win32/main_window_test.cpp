// The main window as built at 96 DPI: its frame and size limits, the controls with their ids,
// captions, placements and resizing, the pages, fonts, tab order, keys and the start-up.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/settings_adapter.h"
#include "app/window_text.h"
#include "win32/handles.h"
#include "win32/support/window_harness.h"

namespace {

constexpr char kTitle[] = "Veltro:: Carillo for Jinglo 2";

struct Placement;

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override { harness_.CreateFreshForm(); }

  RECT WindowRect() const {
    RECT rect{};
    GetWindowRect(harness_.Window(), &rect);
    return rect;
  }

  void SetOuterSize(int width, int height) {
    SetWindowPos(harness_.Window(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    harness_.Pump();
  }

  // `id`'s rectangle relative to the window rectangle of `reference`.
  RECT RectIn(int id, HWND reference) const {
    RECT control{}, origin{};
    GetWindowRect(harness_.Control(id), &control);
    GetWindowRect(reference, &origin);
    OffsetRect(&control, -origin.left, -origin.top);
    return control;
  }

  // `id`'s rectangle relative to the main window's client area.
  RECT RectInClient(int id) const {
    RECT control{};
    GetWindowRect(harness_.Control(id), &control);
    MapWindowPoints(nullptr, harness_.Window(), reinterpret_cast<POINT*>(&control), 2);
    return control;
  }

  // The control where `expected` puts it, `shift` pixels further right and `widen` pixels wider.
  void ExpectPlaced(const Placement& expected, int shift = 0, int widen = 0) const;

  WindowHarness harness_;
};

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

LOGFONTA FontOf(HWND window) {
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

struct ById {
  int id;
  HWND found = nullptr;
};

BOOL CALLBACK MatchId(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ById*>(data);
  if (GetDlgCtrlID(window) != search->id) return TRUE;
  search->found = window;
  return FALSE;
}

// How an automation tool finds a control: by its id anywhere below the main window.
HWND FindById(HWND root, int id) {
  ById search{id};
  EnumChildWindows(root, MatchId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// ---- Frame, size and limits ----

TEST_F(MainWindow, HasTheApplicationTitleAsCaptionAndItsDesignedSize) {
  EXPECT_EQ(WindowText(harness_.Window()), kTitle);
  EXPECT_EQ(Width(WindowRect()), 739);
  EXPECT_EQ(Height(WindowRect()), 317);
  RECT client{};
  GetClientRect(harness_.Window(), &client);
  EXPECT_EQ(client.right, 731);
  EXPECT_EQ(GetDeviceCaps(WindowDc().get(), LOGPIXELSX), 96) << "placements are checked at 96 DPI";
}

TEST_F(MainWindow, HasAResizableFrameWithMinimiseButNoMaximiseButton) {
  LONG_PTR style = GetWindowLongPtrA(harness_.Window(), GWL_STYLE);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(IsWindowVisible(harness_.Window()));
  EXPECT_EQ(GetWindow(harness_.Window(), GW_OWNER), nullptr);
}

TEST_F(MainWindow, PaintsWithTheButtonFaceAndShowsItsIconsInBothSizes) {
  EXPECT_EQ(GetClassLongPtrA(harness_.Window(), GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
  for (auto [index, size] : {std::pair{GCLP_HICON, 32}, std::pair{GCLP_HICONSM, 16}}) {
    HICON icon = reinterpret_cast<HICON>(GetClassLongPtrA(harness_.Window(), index));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    const UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    GetObjectA(colour.get(), sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, size);
    EXPECT_EQ(bitmap.bmHeight, size);
  }
}

TEST_F(MainWindow, OnlyTheWidthChangesAndNeverBelow480) {
  SetOuterSize(300, 500);
  EXPECT_EQ(Width(WindowRect()), 480);
  EXPECT_EQ(Height(WindowRect()), 317);
  SetOuterSize(1000, 200);
  EXPECT_EQ(Width(WindowRect()), 1000);
  EXPECT_EQ(Height(WindowRect()), 317);

  MINMAXINFO limits{};
  limits.ptMaxTrackSize = {5000, 5000};
  limits.ptMaxSize = {5000, 5000};
  SendMessageA(harness_.Window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, 480);
  EXPECT_EQ(limits.ptMinTrackSize.y, 317);
  EXPECT_EQ(limits.ptMaxTrackSize.y, 317);
  EXPECT_EQ(limits.ptMaxTrackSize.x, 5000) << "no maximum width";
  EXPECT_EQ(limits.ptMaxSize.y, 317);
}

TEST_F(MainWindow, StoredPlacementIsAppliedWithinTheSizeLimits) {
  TFormSettings settings(harness_.Form());
  settings.SetLeft(40);
  settings.SetTop(30);
  settings.SetWidth(100);
  settings.SetHeight(900);
  EXPECT_EQ(WindowRect().left, 40);
  EXPECT_EQ(WindowRect().top, 30);
  EXPECT_EQ(settings.Width(), 480);
  EXPECT_EQ(settings.Height(), 317);
  settings.SetWidth(812);
  EXPECT_EQ(settings.Width(), 812);
  EXPECT_EQ(settings.Left(), 40);
  EXPECT_EQ(settings.Top(), 30);
}

TEST_F(MainWindow, ReportsItsStateAndWhetherItIsActive) {
  TFormSettings settings(harness_.Form());
  EXPECT_EQ(settings.State(), WindowState::Normal);
  EXPECT_TRUE(settings.IsActiveWindow());
  settings.PostMinimize();
  EXPECT_EQ(settings.State(), WindowState::Normal) << "the minimise request waits for the message loop";
  harness_.Pump();
  EXPECT_EQ(settings.State(), WindowState::Minimized);
  EXPECT_FALSE(settings.IsActiveWindow());
  ShowWindow(harness_.Window(), SW_RESTORE);
  harness_.Pump();
  settings.SetMaximized();
  EXPECT_EQ(settings.State(), WindowState::Maximized);
  EXPECT_EQ(Height(WindowRect()), 317) << "a maximised window keeps its height";
}

TEST(MainWindowStart, OpensMaximisedWhenFormCreateAskedForIt) {
  ResetUserRegistry();
  SetUserText("Software\\Veltro\\Carillo2\\MainForm", "Status", "3");
  WindowHarness harness;
  harness.CreateForm();
  EXPECT_TRUE(IsZoomed(harness.Window()));
  RECT rect{};
  GetWindowRect(harness.Window(), &rect);
  EXPECT_EQ(rect.bottom - rect.top, 317);
  ResetUserRegistry();
}

// ---- Controls ----

struct Caption {
  int id;
  const char* window_class;
  const char* text;
};

// The automation interface: fixed ids, found anywhere below the main window.
TEST_F(MainWindow, ControlsCarryTheirFixedIdsClassesAndCaptions) {
  const Caption kCaptions[] = {
      {1001, "Edit", nullptr},
      {1002, "Edit", nullptr},
      {1003, "Edit", nullptr},
      {1004, "Edit", nullptr},
      {1005, "Edit", nullptr},
      {1101, "Button", "Browse..."},
      {1102, "Button", "Browse..."},
      {1103, "Button", "Extract!"},
      {1104, "Button", "Browse..."},
      {1105, "Button", "Browse..."},
      {1106, "Button", "Compile!"},
      {1107, "Button", ""},
      {1108, "Button", ""},
      {1109, "Button", "About..."},
      {1201, "Button", "SMF0 only"},
      {1301, "SysTabControl32", ""},
      {kGroupBox1, "Button", " 1. Select source database "},
      {kGroupBox2, "Button", " 2. Select destination directory "},
      {kGroupBox3, "Button", " 3. Extract "},
      {kGroupBox4, "Button", " 1. Select source directory "},
      {kGroupBox5, "Button", " 2. Select destination database "},
      {kGroupBox6, "Button", " 3. Compile "},
      {kLabel1, "Static", "Extract MIDI files to:"},
      {kLabel2, "Static", "Extract MIDI files from:"},
      {kLabel3, "Static", "Click to begin:"},
      {kLabel4, "Static", "Use MIDI files from:"},
      {kLabel5, "Static", "Compile MIDI files to:"},
      {kLabel6, "Static", "Click to begin:"},
      {kLabel7, "Static", "Palm database name:"},
  };
  for (const Caption& expected : kCaptions) {
    HWND control = FindById(harness_.Window(), expected.id);
    ASSERT_NE(control, nullptr) << expected.id;
    EXPECT_EQ(control, harness_.Control(expected.id)) << expected.id;
    EXPECT_STRCASEEQ(ClassOf(control).c_str(), expected.window_class) << expected.id;
    if (!expected.text) continue;  // fields hold what the settings put there
    EXPECT_EQ(WindowText(control), expected.text) << expected.id;
  }
}

TEST_F(MainWindow, ButtonsAreBitmapButtonsAndNoneIsADefaultButton) {
  for (int id = kBitBtn1; id <= kBitBtn9; ++id) {
    LONG_PTR style = GetWindowLongPtrA(harness_.Control(id), GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW) << id;
    EXPECT_TRUE(style & WS_TABSTOP) << id;
  }
  EXPECT_EQ(LOWORD(SendMessageA(harness_.Window(), DM_GETDEFID, 0, 0)), 0);
  LONG_PTR check_style = GetWindowLongPtrA(harness_.Control(kCheckBox1), GWL_STYLE);
  EXPECT_EQ(check_style & BS_TYPEMASK, BS_AUTOCHECKBOX);
}

// Where a control lies at 96 DPI and the design width, relative to the window rectangle of its
// `parent`: the group box it sits in, or the page of a group box. A width and height of 0 leave the
// control its own size (labels), which only has to be more than none.
struct Placement {
  int id;
  int parent;
  int left, top, width, height;
};

// The controls that sit in group boxes, labels apart.
constexpr Placement kPlacements[] = {
    {kEdit3, kGroupBox4, 128, 25, 446, 21},    {kBitBtn4, kGroupBox4, 585, 24, 128, 25},
    {kBitBtn8, kGroupBox4, 688, 52, 25, 25},   {kCheckBox1, kGroupBox4, 128, 58, 73, 17},
    {kEdit4, kGroupBox5, 128, 25, 446, 21},    {kBitBtn5, kGroupBox5, 585, 24, 128, 25},
    {kEdit5, kGroupBox5, 128, 53, 550, 21},    {kBitBtn7, kGroupBox5, 688, 52, 25, 25},
    {kBitBtn6, kGroupBox6, 128, 20, 128, 32},  {kEdit1, kGroupBox1, 128, 25, 446, 21},
    {kBitBtn1, kGroupBox1, 585, 24, 128, 25},  {kEdit2, kGroupBox2, 128, 25, 446, 21},
    {kBitBtn2, kGroupBox2, 585, 24, 128, 25},  {kBitBtn3, kGroupBox3, 128, 20, 128, 32},
};

constexpr Placement kLabelPlacements[] = {
    {kLabel4, kGroupBox4, 8, 32, 0, 0}, {kLabel5, kGroupBox5, 8, 32, 0, 0}, {kLabel7, kGroupBox5, 8, 56, 0, 0},
    {kLabel6, kGroupBox6, 8, 32, 0, 0}, {kLabel2, kGroupBox1, 8, 32, 0, 0}, {kLabel1, kGroupBox2, 8, 32, 0, 0},
    {kLabel3, kGroupBox3, 8, 32, 0, 0},
};

// Stacked on their pages, the pages' full width.
constexpr Placement kGroupPlacements[] = {
    {kGroupBox4, kTabSheet1, 0, 0, 723, 88}, {kGroupBox5, kTabSheet1, 0, 88, 723, 88},
    {kGroupBox6, kTabSheet1, 0, 176, 723, 65}, {kGroupBox1, kTabSheet2, 0, 0, 723, 65},
    {kGroupBox2, kTabSheet2, 0, 65, 723, 65}, {kGroupBox3, kTabSheet2, 0, 130, 723, 65},
};

void MainWindow::ExpectPlaced(const Placement& expected, int shift, int widen) const {
  const RECT rect = RectIn(expected.id, harness_.Control(expected.parent));
  EXPECT_EQ(rect.left, expected.left + shift) << expected.id;
  EXPECT_EQ(rect.top, expected.top) << expected.id;
  if (expected.width == 0) {
    EXPECT_GT(Width(rect), 0) << expected.id;
    EXPECT_GT(Height(rect), 0) << expected.id;
    return;
  }
  EXPECT_EQ(Width(rect), expected.width + widen) << expected.id;
  EXPECT_EQ(Height(rect), expected.height) << expected.id;
}

TEST_F(MainWindow, PagesFillTheTabControlsDisplayArea) {
  RECT client{};
  GetClientRect(harness_.Window(), &client);
  RECT tabs = RectInClient(kPageControl1);
  EXPECT_TRUE(EqualRect(&client, &tabs));
  RECT display = client;
  SendMessageA(harness_.Control(kPageControl1), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  for (int page : {kTabSheet1, kTabSheet2}) {
    RECT sheet = RectInClient(page);
    EXPECT_TRUE(EqualRect(&sheet, &display)) << page;
    EXPECT_EQ(Width(sheet), 723) << "the page width that the placements were designed for";
    EXPECT_TRUE(GetWindowLongPtrA(harness_.Control(page), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  }
}

TEST_F(MainWindow, GroupBoxesAreStackedFullWidthOnTheirPages) {
  for (const Placement& group : kGroupPlacements) {
    HWND page = harness_.Control(group.parent);
    EXPECT_EQ(GetParent(harness_.Control(group.id)), page) << group.id;
    ExpectPlaced(group);
    RECT page_rect{};
    GetClientRect(page, &page_rect);
    EXPECT_EQ(page_rect.right, group.width) << "the full width of the page of " << group.id;
  }
}

TEST_F(MainWindow, ControlsSitInTheirGroupBoxesAsDesigned) {
  for (const Placement& expected : kPlacements) {
    ExpectPlaced(expected);
    EXPECT_EQ(GetParent(harness_.Control(expected.id)), GetParent(harness_.Control(expected.parent))) << expected.id;
  }
  for (const Placement& expected : kLabelPlacements) ExpectPlaced(expected);
}

TEST_F(MainWindow, AboutLiesOverTheRightEndOfTheTabRow) {
  RECT about = RectInClient(kBitBtn9);
  EXPECT_EQ(about.left, 588);
  EXPECT_EQ(about.top, 4);
  EXPECT_EQ(Width(about), 128);
  EXPECT_EQ(Height(about), 25);
  EXPECT_EQ(GetParent(harness_.Control(kBitBtn9)), harness_.Window());
  RECT last_tab{};
  SendMessageA(harness_.Control(kPageControl1), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&last_tab));
  EXPECT_GT(about.left, last_tab.right);
  EXPECT_LT(about.bottom, RectInClient(kTabSheet1).top);
}

TEST_F(MainWindow, AboutIsVisibleAndWorksOnBothPages) {
  for (int page : {0, 1}) {
    harness_.SelectPage(page);
    HWND about = harness_.Control(kBitBtn9);
    EXPECT_TRUE(IsWindowVisible(about)) << page;
    // Nothing lies above it: the window's point under its centre is the button itself.
    RECT rect{};
    GetWindowRect(about, &rect);
    POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ScreenToClient(harness_.Window(), &centre);
    EXPECT_EQ(ChildWindowFromPointEx(harness_.Window(), centre, CWP_SKIPINVISIBLE), about) << page;
    harness_.Click(kBitBtn9);
  }
  ASSERT_EQ(harness_.Boxes().size(), 2u);
  EXPECT_EQ(harness_.Boxes()[0].caption, kTitle);
  EXPECT_EQ(harness_.Boxes()[1].caption, kTitle);
}

TEST_F(MainWindow, FieldsStretchAndRightHandButtonsFollowTheRightEdge) {
  SetOuterSize(739 + 200, 317);
  for (const Placement& expected : kPlacements) {
    const bool stretches = expected.id >= kEdit1 && expected.id <= kEdit5;
    const bool follows = expected.left >= 585;
    ExpectPlaced(expected, follows ? 200 : 0, stretches ? 200 : 0);
  }
  for (const Placement& group : kGroupPlacements) ExpectPlaced(group, 0, 200);
  EXPECT_EQ(RectInClient(kBitBtn9).left, 588 + 200);
  EXPECT_EQ(RectIn(kLabel2, harness_.Control(kGroupBox1)).left, 8);
}

TEST_F(MainWindow, AtTheMinimumWidthNothingOverlaps) {
  SetOuterSize(480, 317);
  for (const Placement& first : kPlacements) {
    for (const Placement& second : kPlacements) {
      if (first.id >= second.id || first.parent != second.parent) continue;
      RECT a{}, b{}, overlap{};
      GetWindowRect(harness_.Control(first.id), &a);
      GetWindowRect(harness_.Control(second.id), &b);
      EXPECT_FALSE(IntersectRect(&overlap, &a, &b)) << first.id << " overlaps " << second.id;
    }
  }
  EXPECT_EQ(Width(RectIn(kEdit1, harness_.Control(kGroupBox1))), 446 - 259);
  RECT about = RectInClient(kBitBtn9);
  RECT last_tab{};
  SendMessageA(harness_.Control(kPageControl1), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&last_tab));
  EXPECT_GT(about.left, last_tab.right);
}

// ---- Painting ----

// The colours on screen inside a control, after it has painted.
std::set<COLORREF> ColoursIn(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT client{};
  GetClientRect(window, &client);
  std::set<COLORREF> colours;
  WindowDc dc(window);
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) colours.insert(GetPixel(dc.get(), x, y));
  }
  return colours;
}

constexpr COLORREF kTransparentOlive = RGB(128, 128, 0);

TEST_F(MainWindow, PagesPaintTheButtonFaceBetweenAndInsideTheirGroupBoxes) {
  for (int page : {0, 1}) {
    harness_.SelectPage(page);
    HWND form = harness_.Window();
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    WindowDc dc(form);
    RECT sheet = RectInClient(page == 0 ? kTabSheet1 : kTabSheet2);
    // Inside the first group box, between its label and the bottom edge, and right of the last button.
    for (POINT point : {POINT{sheet.left + 60, sheet.top + 20}, POINT{sheet.left + 300, sheet.top + 55},
                        POINT{sheet.right - 5, sheet.top + 120}}) {
      EXPECT_EQ(GetPixel(dc.get(), point.x, point.y), GetSysColor(COLOR_BTNFACE))
          << page << ": " << point.x << "," << point.y;
    }
  }
}

TEST_F(MainWindow, BitmapButtonsDrawTheirGlyphsWithTheTransparentColourLeftOut) {
  harness_.SelectPage(1);
  struct Expected {
    int id;
    COLORREF colour;
  };
  const Expected kGlyphColours[] = {
      {kBitBtn1, RGB(255, 255, 0)},  // the yellow folder
      {kBitBtn3, RGB(255, 0, 0)},    // the red check mark
      {kBitBtn9, RGB(0, 0, 255)},    // the blue book
  };
  for (const Expected& expected : kGlyphColours) {
    std::set<COLORREF> colours = ColoursIn(harness_.Control(expected.id));
    EXPECT_TRUE(colours.count(expected.colour)) << expected.id;
    EXPECT_FALSE(colours.count(kTransparentOlive)) << expected.id;
    EXPECT_TRUE(colours.count(GetSysColor(COLOR_BTNFACE))) << expected.id;
  }
  harness_.SelectPage(0);
  std::set<COLORREF> help = ColoursIn(harness_.Control(kBitBtn7));
  EXPECT_TRUE(help.count(RGB(255, 255, 0)) && help.count(RGB(255, 0, 0))) << "red question mark on a yellow disc";
  EXPECT_FALSE(help.count(kTransparentOlive));

  EnableWindow(harness_.Control(kBitBtn6), FALSE);
  std::set<COLORREF> disabled = ColoursIn(harness_.Control(kBitBtn6));
  EXPECT_FALSE(disabled.count(RGB(255, 0, 0))) << "the disabled glyph is grey";
  EXPECT_TRUE(disabled.count(RGB(128, 128, 128)));
  EXPECT_FALSE(disabled.count(kTransparentOlive));
}

// ---- Tabs, fonts ----

TEST_F(MainWindow, HasTwoPagesInOrderWithFixedHotTrackingTabs) {
  HWND tabs = harness_.Control(kPageControl1);
  ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
  const char* const kExpected[] = {"MID => PDB", "PDB => MID"};
  for (int index = 0; index < 2; ++index) {
    char text[32] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(text, kExpected[index]);
    EXPECT_EQ(item.iImage, -1) << "no tab images";
    RECT rect{};
    SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    EXPECT_EQ(Width(rect), 128);
    EXPECT_EQ(Height(rect), 32);
    EXPECT_EQ(WindowText(harness_.Control(index == 0 ? kTabSheet1 : kTabSheet2)), kExpected[index]);
  }
  LONG_PTR style = GetWindowLongPtrA(tabs, GWL_STYLE);
  EXPECT_TRUE(style & TCS_HOTTRACK);
  EXPECT_TRUE(style & TCS_FIXEDWIDTH);
  EXPECT_EQ(SendMessageA(tabs, TCM_GETIMAGELIST, 0, 0), 0);
}

TEST_F(MainWindow, UsesAnEightPointRegularFontAndBoldTabCaptions) {
  LOGFONTA tabs = FontOf(harness_.Control(kPageControl1));
  EXPECT_EQ(tabs.lfWeight, FW_BOLD);
  EXPECT_EQ(tabs.lfHeight, -11);
  for (int id : {kEdit1, kEdit5, kBitBtn3, kBitBtn9, kCheckBox1, kLabel1, kGroupBox4}) {
    LOGFONTA font = FontOf(harness_.Control(id));
    EXPECT_EQ(font.lfHeight, -11) << id;
    EXPECT_EQ(font.lfWeight, FW_NORMAL) << id;
    EXPECT_FALSE(font.lfItalic) << id;
    EXPECT_STREQ(font.lfFaceName, tabs.lfFaceName) << id;
  }
  // Where the system has it, the face is "MS Sans Serif"; elsewhere a face that exists.
  char face[LF_FACESIZE] = {};
  {
    WindowDc screen;
    SelectedObject font(screen.get(), reinterpret_cast<HFONT>(SendMessageA(harness_.Control(kEdit1), WM_GETFONT, 0, 0)));
    GetTextFaceA(screen.get(), sizeof face, face);
  }
  if (std::string(FontOf(harness_.Control(kEdit1)).lfFaceName) == "MS Sans Serif") {
    EXPECT_STREQ(face, "MS Sans Serif");
  } else {
    EXPECT_STREQ(face, FontOf(harness_.Control(kEdit1)).lfFaceName) << "the fallback face must exist";
  }
}

TEST_F(MainWindow, ChoosingAPageShowsItAloneAndNoPageHidesBoth) {
  harness_.SelectPage(0);
  EXPECT_EQ(harness_.Form().SelectedPage(), 0);
  EXPECT_TRUE(IsWindowVisible(harness_.Control(kTabSheet1)));
  EXPECT_FALSE(IsWindowVisible(harness_.Control(kTabSheet2)));
  harness_.SelectPage(1);
  EXPECT_EQ(harness_.Form().SelectedPage(), 1);
  EXPECT_FALSE(IsWindowVisible(harness_.Control(kTabSheet1)));
  EXPECT_TRUE(IsWindowVisible(harness_.Control(kTabSheet2)));
  // As an automation tool may do it: the tab row alone, without notification.
  SendMessageA(harness_.Control(kPageControl1), TCM_SETCURSEL, 0, 0);
  EXPECT_TRUE(IsWindowVisible(harness_.Control(kTabSheet1)));
  EXPECT_FALSE(IsWindowVisible(harness_.Control(kTabSheet2)));
  for (int none : {-1, 2, 5}) {
    harness_.Form().SelectPage(none);
    EXPECT_EQ(harness_.Form().SelectedPage(), -1) << none;
    EXPECT_EQ(SendMessageA(harness_.Control(kPageControl1), TCM_GETCURSEL, 0, 0), -1) << none;
    EXPECT_FALSE(IsWindowVisible(harness_.Control(kTabSheet1))) << none;
    EXPECT_FALSE(IsWindowVisible(harness_.Control(kTabSheet2))) << none;
    EXPECT_TRUE(IsWindowVisible(harness_.Control(kBitBtn9))) << none;
  }
}

// ---- Fields ----

TEST_F(MainWindow, Edit5TakesAtMost31TypedOrPastedCharactersButKeepsLongerSetTexts) {
  HWND edit = harness_.Control(kEdit5);
  EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 31);
  harness_.SetText(kEdit5, "");
  SetFocus(edit);
  for (int typed = 0; typed < 35; ++typed) SendMessageA(edit, WM_CHAR, 'a' + typed % 26, 1);
  EXPECT_EQ(harness_.Text(kEdit5), "abcdefghijklmnopqrstuvwxyzabcde");

  harness_.SetText(kEdit5, "");
  const std::string pasted(40, 'p');
  ASSERT_TRUE(OpenClipboard(harness_.Window()));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, pasted.size() + 1);
  lstrcpyA(static_cast<char*>(GlobalLock(memory)), pasted.c_str());
  GlobalUnlock(memory);
  SetClipboardData(CF_TEXT, memory);
  CloseClipboard();
  SendMessageA(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(harness_.Text(kEdit5), std::string(31, 'p'));

  const std::string long_name = "A name of forty characters, set in code";
  harness_.Form().SetFieldText(Field::Edit5, long_name);
  EXPECT_EQ(harness_.Text(kEdit5), long_name);
  EXPECT_EQ(harness_.Form().FieldText(Field::Edit5), long_name);
}

TEST_F(MainWindow, FieldsHoldTheirTextsByteForByte) {
  const std::string text = "C:\\Palm\\B\xe4" "ckup\\ a  b \\";
  for (Field field : {Field::Edit1, Field::Edit2, Field::Edit3, Field::Edit4, Field::Edit5}) {
    harness_.Form().SetFieldText(field, text);
    EXPECT_EQ(harness_.Form().FieldText(field), text);
    EXPECT_EQ(harness_.Form().EditOf(field), harness_.Control(1000 + static_cast<int>(field)));
  }
  harness_.Form().SetSmf0Only(false);
  EXPECT_FALSE(harness_.Checked());
  harness_.SetCheck(true);
  EXPECT_TRUE(harness_.Form().Smf0Only());
}

// ---- Keyboard ----

std::vector<int> FocusWalk(WindowHarness& harness, bool forward, int steps) {
  std::vector<int> ids;
  for (int step = 0; step < steps; ++step) {
    harness.PressKey(VK_TAB, !forward);
    ids.push_back(GetDlgCtrlID(GetFocus()));
  }
  return ids;
}

TEST_F(MainWindow, TabWalksTheCompilePageInTabOrder) {
  harness_.SelectPage(0);
  SetFocus(harness_.Control(kPageControl1));
  EXPECT_EQ(FocusWalk(harness_, true, 11), (std::vector<int>{1003, 1104, 1108, 1201, 1004, 1105, 1005, 1107, 1106,
                                                             1109, 1301}));
  EXPECT_EQ(FocusWalk(harness_, false, 3), (std::vector<int>{1109, 1106, 1107}));
}

TEST_F(MainWindow, TabWalksTheExtractPageInTabOrder) {
  harness_.SelectPage(1);
  SetFocus(harness_.Control(kPageControl1));
  EXPECT_EQ(FocusWalk(harness_, true, 7), (std::vector<int>{1001, 1101, 1002, 1102, 1103, 1109, 1301}));
  EXPECT_EQ(FocusWalk(harness_, false, 2), (std::vector<int>{1109, 1103}));
}

TEST_F(MainWindow, TabIntoAFieldSelectsItsText) {
  harness_.SelectPage(1);
  harness_.SetText(kEdit1, "C:\\a.pdb");
  SetFocus(harness_.Control(kPageControl1));
  harness_.PressKey(VK_TAB);
  DWORD start = 0, end = 0;
  SendMessageA(harness_.Control(kEdit1), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 8u);
}

TEST_F(MainWindow, CtrlTabSwitchesPagesAndFocusLeavesAHiddenPage) {
  harness_.SelectPage(1);
  SetFocus(harness_.Control(kEdit2));
  harness_.PressKey(VK_TAB, false, true);
  EXPECT_EQ(harness_.Form().SelectedPage(), 0);
  EXPECT_EQ(GetFocus(), harness_.Control(kPageControl1));
  harness_.PressKey(VK_TAB, true, true);
  EXPECT_EQ(harness_.Form().SelectedPage(), 1);
}

TEST_F(MainWindow, EnterPressesTheFocusedButtonOnlyAndEscapeDoesNothing) {
  harness_.SelectPage(1);
  SetFocus(harness_.Control(kEdit1));
  harness_.PressKey(VK_RETURN);
  harness_.PressKey(VK_ESCAPE);
  EXPECT_TRUE(harness_.Boxes().empty()) << "no default or cancel button";
  EXPECT_TRUE(IsWindow(harness_.Window()));
  SetFocus(harness_.Control(kBitBtn9));
  harness_.PressKey(VK_RETURN);
  ASSERT_EQ(harness_.Boxes().size(), 1u);
  EXPECT_EQ(harness_.Boxes()[0].caption, kTitle);
  SetFocus(harness_.Control(kBitBtn9));
  harness_.PressKey(VK_SPACE);
  EXPECT_EQ(harness_.Boxes().size(), 2u);
}

TEST_F(MainWindow, AQuickSecondClickOnABitmapButtonIsAClickToo) {
  HWND about = harness_.Control(kBitBtn9);
  SendMessageA(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(about, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  harness_.Pump();
  SendMessageA(about, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(about, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  harness_.Pump();
  EXPECT_EQ(harness_.Boxes().size(), 2u);
}

TEST_F(MainWindow, FocusComesBackToItsFieldWhenTheWindowIsActivatedAgain) {
  harness_.SelectPage(1);
  SetFocus(harness_.Control(kEdit2));
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                               nullptr);
  SetActiveWindow(other);
  harness_.Pump();
  EXPECT_FALSE(harness_.Form().IsActiveWindow());
  SetActiveWindow(harness_.Window());
  harness_.Pump();
  EXPECT_TRUE(harness_.Form().IsActiveWindow());
  EXPECT_EQ(GetFocus(), harness_.Control(kEdit2));
  DestroyWindow(other);
}

// ---- Start-up ----

TEST(StartUp, Form1IsSetBeforeFormCreateRunsAndTheInstallBoxComesFirst) {
  ResetUserRegistry();
  WindowHarness harness;
  EXPECT_EQ(Form1, nullptr);
  TForm1& form = harness.CreateForm();
  EXPECT_EQ(Form1, &form);
  ASSERT_EQ(harness.Boxes().size(), 1u);
  EXPECT_EQ(harness.Boxes()[0],
            ErrorBox("The Palm Desktop software is not correctly installed.", "Install", false));
  EXPECT_EQ(harness.Boxes()[0].form1_window, form.Handle()) << "Form1 already referred to the window";
  EXPECT_TRUE(IsWindowVisible(harness.Window()));
  EXPECT_EQ(GetFocus(), harness.Control(kPageControl1)) << "the first control in tab order";
}

TEST(StartUp, ClosingRunsFormCloseThenEndsTheMessageLoop) {
  ResetUserRegistry();
  WindowHarness harness;
  HWND window = harness.CreateForm().Handle();
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  MSG quit{};
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_TRUE(UserKeyExists("Software\\Veltro\\Carillo2\\MainForm")) << "FormClose saved the settings";
  ResetUserRegistry();
}

}  // namespace
