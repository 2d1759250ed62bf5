// The main window at 96, 120 and 144 DPI, under Wine in a prefix of its own. A process keeps the
// DPI it started with, so each measurement is taken by this program started again ("--measure")
// after the prefix's display DPI (LogPixels) has been set. That process declares itself DPI-aware,
// as the shipped program's manifest does, builds the real window and prints what it finds as
// lines of numbers; the tests compare them across the settings.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/form_layout.h"
#include "app/resource.h"
#include "app/settings_adapter.h"
#include "win32/support/window_harness.h"

namespace {

using Values = std::vector<long>;
using Measurements = std::map<std::string, Values>;

// The width every measurement lays the window out at, as a client width at 96 DPI: narrower than
// designed, so that the scaled window fits Wine's 1024-pixel virtual screen at every setting.
constexpr int kLayoutClientWidth = 640;

std::string Key(const char* what, long id) { return std::string(what) + " " + std::to_string(id); }

// ---- The measuring process ----

void Put(const std::string& key, const Values& values) {
  std::string line = key;
  for (long value : values) line += " " + std::to_string(value);
  std::printf("%s\n", line.c_str());
}

Values Edges(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

// `window`'s rectangle in the client coordinates of its parent.
RECT RectInParent(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

SIZE TextExtent(HWND control, const std::string& text) {
  SIZE size{};
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size;
}

LONG FontHeight(HWND control) {
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight;
}

// The box (right and bottom exclusive) around what a bitmap button paints inside its 2-pixel
// frame; all -1 when it paints nothing there.
Values PaintedContent(HWND button) {
  RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT client{};
  GetClientRect(button, &client);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  RECT box{LONG_MAX, LONG_MAX, -1, -1};
  HDC dc = GetDC(button);
  for (int y = 2; y < client.bottom - 2; ++y) {
    for (int x = 2; x < client.right - 2; ++x) {
      if (GetPixel(dc, x, y) == face) continue;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  ReleaseDC(button, dc);
  if (box.right < 0) return {-1, -1, -1, -1};
  return Edges(box);
}

// The width of the icon image Windows picks from the program's icon for `size`.
long IconEntryWidth(int size) {
  HRSRC group = FindResourceA(nullptr, MAKEINTRESOURCEA(IDI_CARILLO), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  if (!group) return -1;
  auto* directory = static_cast<BYTE*>(LockResource(LoadResource(nullptr, group)));
  const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
  HRSRC image = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));  // RT_ICON
  if (!image) return -1;
  return static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, image)))->biWidth;
}

int Measure() {
  // Before anything reads the DPI; Vista and later, so looked up.
  using SetAware = BOOL(WINAPI*)();
  const auto set_aware = reinterpret_cast<SetAware>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDPIAware")));
  if (!set_aware || !set_aware()) return 2;

  ResetUserRegistry();
  WindowHarness harness;
  TForm1& form = harness.CreateForm();
  HWND window = harness.Window();
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  Put("dpi", {dpi});
  RECT outer{}, client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  const long frame_width = (outer.right - outer.left) - client.right;
  Put("window", {outer.right - outer.left, outer.bottom - outer.top});
  Put("client", {client.right, client.bottom});
  Put("max-track", {GetSystemMetrics(SM_CXMAXTRACK)});
  MINMAXINFO limits{};
  limits.ptMaxTrackSize = {5000, 5000};
  SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  Put("limits", {limits.ptMinTrackSize.x, limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y});
  Put("font", {FontHeight(harness.Control(kEdit1)), FontHeight(harness.Control(kPageControl1))});
  Put("icon", {GetSystemMetrics(SM_CXICON), IconEntryWidth(GetSystemMetrics(SM_CXICON))});
  Put("small-icon", {GetSystemMetrics(SM_CXSMICON), IconEntryWidth(GetSystemMetrics(SM_CXSMICON))});
  Put("check-mark", {GetSystemMetrics(SM_CXMENUCHECK)});

  // Stored widths: far below the narrowest, and one that only 144 DPI's limit raises.
  TFormSettings settings(form);
  for (int stored : {100, 700}) {
    settings.SetWidth(stored);
    settings.SetHeight(2000);
    Put(Key("stored", stored), {settings.Width(), settings.Height()});
  }

  SetWindowPos(window, nullptr, 0, 0, MulDiv(kLayoutClientWidth, dpi, 96) + frame_width, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  harness.Pump();
  GetClientRect(window, &client);
  Put("layout-client", {client.right, client.bottom});
  // No button may wear the focus look while it is painted.
  SetFocus(harness.Control(kPageControl1));
  for (int page = 0; page < kPageCount; ++page) {
    harness.SelectPage(page);
    harness.Pump();
    Put(Key("rect", kPageIds[page]), Edges(RectInParent(harness.Control(kPageIds[page]))));
    for (const ControlEntry& entry : kControls) {
      if (entry.page != page && !(entry.page == kOnWindow && page == 0)) continue;
      HWND control = harness.Control(entry.id);
      RECT parent{};
      GetClientRect(GetParent(control), &parent);
      Put(Key("rect", entry.id), Edges(RectInParent(control)));
      Put(Key("parent", entry.id), {parent.right, parent.bottom});
      const std::string text = entry.kind == Kind::Edit ? "Ag" : entry.caption;
      if (!text.empty()) {
        SIZE extent = TextExtent(control, text);
        Put(Key("text", entry.id), {extent.cx, extent.cy});
      }
      if (entry.kind == Kind::BitBtn) Put(Key("content", entry.id), PaintedContent(control));
    }
  }
  HWND tabs = harness.Control(kPageControl1);
  for (int index = 0; index < kPageCount; ++index) {
    RECT item{};
    SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    Put(Key("tab", index), Edges(item));
    SIZE extent = TextExtent(tabs, kPageCaptions[index]);
    Put(Key("tab-text", index), {extent.cx, extent.cy});
  }
  return 0;
}

// ---- The tests ----

class DpiSetting {
 public:
  explicit DpiSetting(int dpi) { Set(dpi); }
  ~DpiSetting() { Set(96); }
  DpiSetting(const DpiSetting&) = delete;
  DpiSetting& operator=(const DpiSetting&) = delete;

 private:
  static void Set(int dpi) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      return;
    }
    const DWORD value = static_cast<DWORD>(dpi);
    RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
  }
};

// This program started again with the prefix at `dpi`; what it printed, by key. Empty when it
// did not run to its end.
Measurements RunMeasurement(int dpi) {
  DpiSetting setting(dpi);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return {};
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string command = std::string("\"") + self + "\" --measure";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  CloseHandle(write_end);
  std::string output;
  if (started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    WaitForSingleObject(process.hProcess, 60000);
  }
  DWORD status = 1;
  if (started) {
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(read_end);
  if (status != 0) return {};
  Measurements measurements;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string key, id;
    words >> key;
    if (key == "rect" || key == "parent" || key == "text" || key == "content" || key == "tab" || key == "tab-text" ||
        key == "stored") {
      words >> id;
      key += " " + id;
    }
    Values values;
    for (long value; words >> value;) values.push_back(value);
    measurements[key] = values;
  }
  return measurements;
}

// Measured once per test process for each setting.
const Measurements& At(int dpi) {
  static std::map<int, Measurements> taken;
  auto found = taken.find(dpi);
  if (found == taken.end()) found = taken.emplace(dpi, RunMeasurement(dpi)).first;
  return found->second;
}

// `value` design pixels at `dpi`, to the nearest pixel.
long Px(long value, int dpi) { return std::lround(static_cast<double>(value) * dpi / 96.0); }

Values Get(const Measurements& measurements, const std::string& key) {
  auto found = measurements.find(key);
  return found == measurements.end() ? Values{} : found->second;
}

TEST(DpiWindow, At96TheAwareWindowIsAsDesigned) {
  const Measurements& m = At(96);
  ASSERT_FALSE(m.empty()) << "the measuring process failed";
  EXPECT_EQ(Get(m, "dpi"), Values{96});
  EXPECT_EQ(Get(m, "window"), (Values{739, 317}));
  EXPECT_EQ(Get(m, "client"), (Values{731, 290}));
  EXPECT_EQ(Get(m, "limits"), (Values{480, 317, 317}));
  EXPECT_EQ(Get(m, "font"), (Values{-11, -11}));
  EXPECT_EQ(Get(m, Key("rect", kEdit1)), (Values{128, 25, 128 + 446 - 91, 46})) << "91 narrower than designed";
  EXPECT_EQ(Get(m, Key("rect", kBitBtn6)), (Values{128, 196, 256, 228}));
}

class ScaledWindow : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(At(96).empty()) << "the measuring process failed at 96 DPI";
    ASSERT_FALSE(At(dpi()).empty()) << "the measuring process failed at " << dpi() << " DPI";
    ASSERT_EQ(Get(m(), "dpi"), Values{dpi()}) << "the prefix's LogPixels did not reach the process";
  }
  int dpi() const { return GetParam(); }
  const Measurements& m() const { return At(dpi()); }
  const Measurements& m96() const { return At(96); }
  long px(long value) const { return Px(value, dpi()); }
};

TEST_P(ScaledWindow, OpensAtTheScaledClientSizeInTheSystemsFrame) {
  const Values window = Get(m(), "window"), client = Get(m(), "client"), limits = Get(m(), "limits");
  ASSERT_EQ(window.size(), 2u);
  ASSERT_EQ(client.size(), 2u);
  ASSERT_EQ(limits.size(), 3u);
  const long frame_width = window[0] - client[0], frame_height = window[1] - client[1];
  EXPECT_EQ(client[1], px(290));
  // Windows keeps a window within the screen's width (Wine's virtual screen is 1024 wide).
  if (px(731) + frame_width <= Get(m(), "max-track")[0]) {
    EXPECT_EQ(client[0], px(731));
  } else {
    EXPECT_EQ(window[0], Get(m(), "max-track")[0]);
  }
  EXPECT_GT(frame_height, Get(m96(), "window")[1] - Get(m96(), "client")[1]) << "the caption grows with the DPI";
  EXPECT_EQ(limits[0] - frame_width, px(472)) << "the narrowest client area";
  EXPECT_EQ(limits[1], window[1]);
  EXPECT_EQ(limits[2], window[1]);
}

TEST_P(ScaledWindow, StoredWidthsAreRestoredAsStoredWithinTheScaledLimits) {
  const long narrowest = Get(m(), "limits")[0], height = Get(m(), "window")[1];
  EXPECT_EQ(Get(m(), Key("stored", 100)), (Values{narrowest, height}));
  EXPECT_EQ(Get(m(), Key("stored", 700)), (Values{std::max(700L, narrowest), height}));
}

// Left edges, tops and bottoms scale. A right edge scales where the control keeps its width; where
// it follows the right of what it sits on, its distance to it scales (that width also holds the
// tab control's margins, which the system does not scale).
TEST_P(ScaledWindow, EveryControlKeepsItsPlaceInProportion) {
  EXPECT_EQ(Get(m(), "layout-client")[0], px(kLayoutClientWidth));
  for (const ControlEntry& entry : kControls) {
    const Values at96 = Get(m96(), Key("rect", entry.id)), here = Get(m(), Key("rect", entry.id));
    ASSERT_EQ(at96.size(), 4u) << entry.id;
    ASSERT_EQ(here.size(), 4u) << entry.id;
    const long width96 = Get(m96(), Key("parent", entry.id))[0], width = Get(m(), Key("parent", entry.id))[0];
    const auto expect_scaled = [&](int edge, bool from_right) {
      if (from_right) {
        EXPECT_NEAR(width - here[edge], px(width96 - at96[edge]), 1) << entry.id << " edge " << edge << " from the right";
      } else {
        EXPECT_NEAR(here[edge], px(at96[edge]), 1) << entry.id << " edge " << edge;
      }
    };
    expect_scaled(0, entry.anchor == Anchor::Right);
    expect_scaled(1, false);
    // A label is as large as its text, which hinting does not scale exactly.
    if (entry.kind == Kind::Label) continue;
    expect_scaled(2, entry.anchor != Anchor::Fixed);
    expect_scaled(3, false);
  }
  // The pages sit below the tab row, whose margins are the system's own.
  for (int page : kPageIds) {
    const Values at96 = Get(m96(), Key("rect", page)), here = Get(m(), Key("rect", page));
    ASSERT_EQ(here.size(), 4u) << page;
    for (int edge = 0; edge < 4; ++edge) EXPECT_NEAR(here[edge], px(at96[edge]), 3) << page << " edge " << edge;
  }
}

TEST_P(ScaledWindow, NothingIsClippedAndNothingOverlaps) {
  for (const ControlEntry& entry : kControls) {
    const Values rect = Get(m(), Key("rect", entry.id)), parent = Get(m(), Key("parent", entry.id));
    ASSERT_EQ(rect.size(), 4u) << entry.id;
    EXPECT_GE(rect[0], 0) << entry.id;
    EXPECT_GE(rect[1], 0) << entry.id;
    EXPECT_LE(rect[2], parent[0]) << entry.id << " runs off the right of what it sits on";
    EXPECT_LE(rect[3], parent[1]) << entry.id << " runs off the bottom of what it sits on";
    if (entry.group) {
      const Values group = Get(m(), Key("rect", entry.group));
      EXPECT_TRUE(rect[0] >= group[0] && rect[1] >= group[1] && rect[2] <= group[2] && rect[3] <= group[3])
          << entry.id << " leaves its group box";
    }
    for (const ControlEntry& other : kControls) {
      if (other.id <= entry.id || other.page != entry.page || other.group != entry.group) continue;
      const Values b = Get(m(), Key("rect", other.id));
      const bool apart = rect[2] <= b[0] || b[2] <= rect[0] || rect[3] <= b[1] || b[3] <= rect[1];
      EXPECT_TRUE(apart) << entry.id << " overlaps " << other.id << " at " << dpi();
    }
  }
}

TEST_P(ScaledWindow, CaptionsAreWhole) {
  const long check_mark = Get(m(), "check-mark")[0];
  for (const ControlEntry& entry : kControls) {
    const Values text = Get(m(), Key("text", entry.id));
    if (text.empty()) continue;
    const Values rect = Get(m(), Key("rect", entry.id));
    const long width = rect[2] - rect[0], height = rect[3] - rect[1];
    switch (entry.kind) {
      case Kind::Label:
        EXPECT_GE(width, text[0]) << entry.id;
        EXPECT_GE(height, text[1]) << entry.id;
        break;
      case Kind::GroupBox:
        EXPECT_GE(width, text[0] + 2 * px(8)) << entry.id;
        break;
      case Kind::CheckBox:
        EXPECT_GE(width, check_mark + text[0]) << entry.id;
        EXPECT_GE(height, text[1]) << entry.id;
        break;
      case Kind::Edit:
        EXPECT_GE(height, text[1] + 4) << entry.id << ": a line of text and the sunken edge";
        break;
      case Kind::BitBtn: {
        // What the button paints stays clear of its frame on every side.
        const Values content = Get(m(), Key("content", entry.id));
        ASSERT_EQ(content.size(), 4u) << entry.id;
        EXPECT_TRUE(content[0] > 2 && content[1] > 2 && content[2] < width - 2 && content[3] < height - 2)
            << entry.id << ": content " << content[0] << "," << content[1] << "-" << content[2] << "," << content[3]
            << " in " << width << " x " << height;
        EXPECT_GE(content[2] - content[0], text[0]) << entry.id << ": the caption is painted whole";
        break;
      }
    }
  }
  for (int index = 0; index < kPageCount; ++index) {
    const Values tab = Get(m(), Key("tab", index)), text = Get(m(), Key("tab-text", index));
    ASSERT_EQ(tab.size(), 4u);
    EXPECT_GE(tab[2] - tab[0], text[0] + 2 * px(3)) << "tab " << index;
    EXPECT_GE(tab[3] - tab[1], text[1]) << "tab " << index;
  }
}

TEST_P(ScaledWindow, FontsGlyphsAndIconsFollowTheDpi) {
  const long eight_points = std::lround(8.0 * dpi() / 72.0);
  EXPECT_EQ(Get(m(), "font"), (Values{-eight_points, -eight_points}));
  // The help buttons show a glyph only: it is drawn at the size nearest to 16 pixels scaled,
  // which at 120 and 144 DPI is that size exactly.
  for (int id : {kBitBtn7, kBitBtn8}) {
    const Values at96 = Get(m96(), Key("content", id)), here = Get(m(), Key("content", id));
    ASSERT_EQ(here.size(), 4u) << id;
    EXPECT_NEAR(here[2] - here[0], px(at96[2] - at96[0]), 1) << id;
    EXPECT_NEAR(here[3] - here[1], px(at96[3] - at96[1]), 1) << id;
  }
  for (const char* key : {"icon", "small-icon"}) {
    const Values icon = Get(m(), key);
    ASSERT_EQ(icon.size(), 2u) << key;
    EXPECT_GT(icon[0], Get(m96(), key)[0]) << key << " grows with the DPI";
    EXPECT_EQ(icon[1], icon[0]) << key << ": the icon holds an image of exactly the system's size";
  }
}

INSTANTIATE_TEST_SUITE_P(Dpi, ScaledWindow, ::testing::Values(120, 144),
                         [](const ::testing::TestParamInfo<int>& param) { return std::to_string(param.param); });

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--measure") return Measure();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
