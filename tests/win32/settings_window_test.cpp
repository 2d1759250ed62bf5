// The settings through the real main window: what a user set survives a restart, placement and
// window state included, and a bad stored value or a refused save is reported as it should be.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/users_file_image.h"
#include "support/window_harness.h"

namespace {

const RecordedBox kInstallBox = ErrorBox("The Palm Desktop software is not correctly installed.", "Install", false);

using Texts = std::vector<std::string>;

// Palm Desktop present but without users: the start shows no box.
void PlantEmptyPalmDesktop() { ASSERT_TRUE(CreateUserKey("Software\\U.S. Robotics")); }

// The rectangle the window comes back to: its normal placement, also while minimised or maximised.
RECT NormalRect(HWND window) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(window, &placement);
  return placement.rcNormalPosition;
}

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

// A rectangle as left, top, width and height, to compare in one piece.
struct Bounds {
  LONG left, top, width, height;
  bool operator==(const Bounds&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Bounds& bounds) {
  return out << bounds.left << "," << bounds.top << " " << bounds.width << "x" << bounds.height;
}
Bounds BoundsOf(const RECT& rect) { return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}; }

class SettingsWindowTest : public testing::Test {
 protected:
  void SetUp() override { ResetUserRegistry(); }
  void TearDown() override {
    if (other_window_) DestroyWindow(other_window_);
    ResetUserRegistry();
  }

  // A user's session: start, let `use` work the window, close; the close must succeed.
  void Session(const std::function<void()>& use) {
    harness_.CreateForm();
    use();
    ASSERT_TRUE(harness_.CloseForm());
    harness_.ClearBoxes();
  }

  void MoveTo(int left, int top, int width) {
    SetWindowPos(harness_.Window(), nullptr, left, top, width, 317, SWP_NOZORDER | SWP_NOACTIVATE);
    harness_.Pump();
  }

  // Another window of the process takes the activation from the main window.
  void ActivateAnotherWindow() {
    other_window_ = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other_window_, nullptr);
    SetForegroundWindow(other_window_);
    SetActiveWindow(other_window_);
    harness_.Pump();
  }

  Texts FieldTexts() const {
    return {harness_.Text(kEdit1), harness_.Text(kEdit2), harness_.Text(kEdit3), harness_.Text(kEdit4),
            harness_.Text(kEdit5)};
  }

  // The only box shown: the general error report over the main window.
  void ExpectGeneralErrorReport(const std::string& text) {
    ASSERT_EQ(harness_.Boxes().size(), 1u);
    const RecordedBox& box = harness_.Boxes()[0];
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, "Veltro:: Carillo for Jinglo 2");
    EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(box.buttons, static_cast<UINT>(MB_OK));
    EXPECT_EQ(box.owner, harness_.Window());
  }

  WindowHarness harness_;
  HWND other_window_ = nullptr;
};

TEST_F(SettingsWindowTest, FirstStartGetsEveryDefaultAndTheFirstCloseWritesThem) {
  TForm1& form = harness_.CreateForm();
  EXPECT_EQ(harness_.Boxes(), std::vector<RecordedBox>{kInstallBox});
  EXPECT_EQ(UserSubkeyCount(kSettingsKey), 0) << "the key path is created by the load, the sections by the first save";
  EXPECT_EQ(FieldTexts(), (Texts{"", "C:\\", "C:\\", "C:\\My_MIDI_Database.pdb", "My MIDI Database"}));
  EXPECT_TRUE(harness_.Checked());
  EXPECT_EQ(form.SelectedPage(), 0);
  EXPECT_FALSE(IsIconic(harness_.Window()));
  EXPECT_FALSE(IsZoomed(harness_.Window()));
  const RECT rect = WindowRect(harness_.Window());
  EXPECT_EQ(rect.right - rect.left, 739);
  EXPECT_EQ(rect.bottom - rect.top, 317);

  ASSERT_TRUE(harness_.CloseForm());
  EXPECT_EQ(SettingTexts("MainForm", {"Status", "Top", "Left", "Height", "Width", "Tab"}),
            (Texts{"1", std::to_string(rect.top), std::to_string(rect.left), "317", "739", "0"}));
  EXPECT_EQ(SettingTexts("PDB2MID", {"Source", "Destination"}), (Texts{"", "C:\\"}));
  EXPECT_EQ(SettingTexts("MID2PDB", {"Source", "Destination", "Palm Name", "SMF0 Only"}),
            (Texts{"C:\\", "C:\\My_MIDI_Database.pdb", "My MIDI Database", "1"}));
}

TEST_F(SettingsWindowTest, FieldsCheckBoxPageAndPlacementSurviveARestart) {
  Session([&] {
    harness_.SetText(kEdit1, "D:\\backup\\System_MIDI_Sounds.pdb");
    harness_.SetText(kEdit2, "D:\\tunes out\\");
    harness_.SetText(kEdit3, "");
    harness_.SetText(kEdit4, " E:\\x.pdb ");
    harness_.SetText(kEdit5, "Ring tones");
    harness_.SetCheck(false);
    harness_.SelectPage(1);
    MoveTo(30, 40, 812);
  });
  EXPECT_EQ(SettingText("MID2PDB", "Destination"), " E:\\x.pdb ");

  TForm1& form = harness_.CreateForm();
  EXPECT_EQ(FieldTexts(),
            (Texts{"D:\\backup\\System_MIDI_Sounds.pdb", "D:\\tunes out\\", "", " E:\\x.pdb ", "Ring tones"}));
  EXPECT_FALSE(harness_.Checked());
  EXPECT_EQ(form.SelectedPage(), 1);
  EXPECT_EQ(BoundsOf(WindowRect(harness_.Window())), (Bounds{30, 40, 812, 317}));
  EXPECT_FALSE(IsIconic(harness_.Window()));
  EXPECT_FALSE(IsZoomed(harness_.Window()));
}

TEST_F(SettingsWindowTest, StoredSizeStillObeysTheSizeLimits) {
  SetSettingTexts("MainForm", {"Top", "Left", "Height", "Width"}, {"15", "25", "600", "300"});
  harness_.CreateForm();
  EXPECT_EQ(BoundsOf(WindowRect(harness_.Window())), (Bounds{25, 15, 480, 317}));
}

TEST_F(SettingsWindowTest, PlacementValuesThatDoNotParseKeepTheWindowsOwn) {
  harness_.CreateForm();
  const RECT first = WindowRect(harness_.Window());
  ASSERT_TRUE(harness_.CloseForm());
  SetSettingTexts("MainForm", {"Top", "Left", "Height", "Width"}, {" 12", "12abc", "", "$300"});
  harness_.CreateForm();
  // The left edge where the system put the window, as the value does not parse.
  EXPECT_EQ(BoundsOf(WindowRect(harness_.Window())), (Bounds{first.left, 12, 0x300, 317}));
}

TEST_F(SettingsWindowTest, SmfFlagAsStored) {
  const std::pair<const char*, bool> cases[] = {{"2", true}, {"-1", true}, {"0", false}, {"yes", true}};
  for (const auto& [text, checked] : cases) {
    SetSettingText("MID2PDB", "SMF0 Only", text);
    harness_.CreateForm();
    EXPECT_EQ(harness_.Checked(), checked) << text;
    ASSERT_TRUE(harness_.CloseForm());
    EXPECT_EQ(SettingText("MID2PDB", "SMF0 Only"), checked ? "1" : "0") << text;
  }
}

TEST_F(SettingsWindowTest, LongStoredPalmNameIsShownWhole) {
  const std::string name = "A Palm database name of forty chars long";
  ASSERT_EQ(name.size(), 40u);
  SetSettingText("MID2PDB", "Palm Name", name);
  harness_.CreateForm();
  EXPECT_EQ(harness_.Text(kEdit5), name);
  ASSERT_TRUE(harness_.CloseForm());
  EXPECT_EQ(SettingText("MID2PDB", "Palm Name"), name);
}

TEST_F(SettingsWindowTest, CloseWhileMaximisedKeepsTheNormalPlacementAndReopensMaximised) {
  Session([&] { MoveTo(60, 70, 700); });
  Session([&] {
    ShowWindow(harness_.Window(), SW_MAXIMIZE);
    harness_.Pump();
    ASSERT_TRUE(IsZoomed(harness_.Window()));
  });
  EXPECT_EQ(SettingTexts("MainForm", {"Status", "Top", "Width"}), (Texts{"3", "70", "700"}));

  harness_.CreateForm();
  EXPECT_TRUE(IsZoomed(harness_.Window()));
  EXPECT_TRUE(IsWindowVisible(harness_.Window()));
  EXPECT_EQ(BoundsOf(NormalRect(harness_.Window())), (Bounds{60, 70, 700, 317}));
  ASSERT_TRUE(harness_.CloseForm());
  EXPECT_EQ(SettingText("MainForm", "Status"), "3");
}

TEST_F(SettingsWindowTest, CloseWhileMinimisedWritesCodeTwoAndNoPlacement) {
  PlantEmptyPalmDesktop();
  Session([&] { MoveTo(61, 71, 701); });
  Session([&] {
    MoveTo(300, 300, 900);
    ShowWindow(harness_.Window(), SW_MINIMIZE);
    harness_.Pump();
    ASSERT_TRUE(IsIconic(harness_.Window()));
  });
  EXPECT_EQ(SettingTexts("MainForm", {"Status", "Top", "Left", "Width"}), (Texts{"2", "71", "61", "701"}));

  harness_.CreateForm();
  EXPECT_TRUE(IsIconic(harness_.Window()));
  EXPECT_EQ(BoundsOf(NormalRect(harness_.Window())), (Bounds{61, 71, 701, 317}));
}

TEST_F(SettingsWindowTest, CodeTwoMinimisesAlsoWhenTheStartShowsABox) {
  // Without Palm Desktop the "Install" box comes up during the load, after the minimise request;
  // the window must still end minimised, not be shown normal over it.
  SetSettingTexts("MainForm", {"Status", "Top"}, {"2", "33"});
  harness_.CreateForm();
  EXPECT_EQ(harness_.Boxes(), std::vector<RecordedBox>{kInstallBox});
  EXPECT_TRUE(IsIconic(harness_.Window()));
  EXPECT_EQ(NormalRect(harness_.Window()).top, 33);
}

TEST_F(SettingsWindowTest, CloseWhileInactiveWritesPlacementAndCodeTwo) {
  PlantEmptyPalmDesktop();
  Session([&] {
    MoveTo(45, 55, 650);
    ActivateAnotherWindow();
    ASSERT_NE(GetActiveWindow(), harness_.Window());
    ASSERT_FALSE(IsIconic(harness_.Window()));
  });
  EXPECT_EQ(SettingTexts("MainForm", {"Status", "Top", "Left", "Width"}), (Texts{"2", "55", "45", "650"}));

  // The next start shows the window at that placement, then the posted request minimises it.
  harness_.CreateForm();
  EXPECT_TRUE(IsIconic(harness_.Window()));
  EXPECT_TRUE(IsWindowVisible(harness_.Window()));
  EXPECT_EQ(BoundsOf(NormalRect(harness_.Window())), (Bounds{45, 55, 650, 317}));
}

TEST_F(SettingsWindowTest, CodeZeroLeavesPlacementAndStateAlone) {
  SetSettingTexts("MainForm", {"Status", "Top", "Left", "Width"}, {"0", "9", "9", "600"});
  SetSettingText("MID2PDB", "Palm Name", "Loaded");
  harness_.CreateForm();
  const RECT rect = WindowRect(harness_.Window());
  EXPECT_FALSE(rect.left == 9 && rect.top == 9);
  EXPECT_EQ(rect.right - rect.left, 739);
  EXPECT_FALSE(IsIconic(harness_.Window()));
  EXPECT_FALSE(IsZoomed(harness_.Window()));
  EXPECT_EQ(harness_.Text(kEdit5), "Loaded");
}

TEST_F(SettingsWindowTest, CodeSevenRestoresPlacementOnly) {
  SetSettingTexts("MainForm", {"Status", "Top", "Left", "Width"}, {"7", "9", "11", "600"});
  harness_.CreateForm();
  EXPECT_EQ(BoundsOf(WindowRect(harness_.Window())), (Bounds{11, 9, 600, 317}));
  EXPECT_FALSE(IsIconic(harness_.Window()));
  EXPECT_FALSE(IsZoomed(harness_.Window()));
  ASSERT_TRUE(harness_.CloseForm());
  EXPECT_EQ(SettingText("MainForm", "Status"), "1");
}

TEST_F(SettingsWindowTest, TabFiveSelectsNoPageAndIsStoredBackAsMinusOne) {
  SetSettingText("MainForm", "Tab", "5");
  Session([&] { EXPECT_EQ(harness_.Form().SelectedPage(), -1); });
  EXPECT_EQ(SettingText("MainForm", "Tab"), "-1");
  Session([&] { EXPECT_EQ(harness_.Form().SelectedPage(), -1); });
}

TEST_F(SettingsWindowTest, StoredEmptySourceStaysEmptyAlthoughABackupIsFound) {
  TempDir palm;
  SetUserValue("Software\\U.S. Robotics\\Pilot Desktop\\Preferences", "LastUserName", REG_SZ, std::string("Ann\0", 4));
  SetUserValue("Software\\U.S. Robotics\\Pilot Desktop\\Core", "Path", REG_SZ, palm.path() + '\0');
  WriteBytes(palm / "users.dat", UsersFileImage({{"Ann", "AnnF"}}));
  MakeDirectory(palm / "AnnF");
  MakeDirectory(palm / "AnnF\\Backup");
  WriteBytes(palm / "AnnF\\Backup\\System_MIDI_Sounds.pdb", {0x00});
  const std::string backup = palm.path() + "\\AnnF\\Backup\\System_MIDI_Sounds.pdb";

  Session([&] {
    EXPECT_TRUE(harness_.Boxes().empty());
    EXPECT_EQ(harness_.Text(kEdit1), backup);
    harness_.SetText(kEdit1, "");
  });
  EXPECT_EQ(SettingText("PDB2MID", "Source"), "");
  harness_.CreateForm();
  EXPECT_EQ(harness_.Text(kEdit1), "");
}

TEST_F(SettingsWindowTest, DwordTopStopsTheLoadWithItsMessage) {
  SetSetting("MainForm", "Top", REG_DWORD, std::string("\x0a\0\0\0", 4));
  SetSettingTexts("MainForm", {"Left", "Width", "Tab"}, {"20", "600", "0"});
  SetSettingText("PDB2MID", "Destination", "D:\\out");
  SetSettingText("MID2PDB", "SMF0 Only", "1");
  TForm1& form = harness_.CreateForm();

  // The general error report only, no "Install" box: the lookup comes after the failing step. The
  // data type message ends in "'" and so gets no full stop.
  ExpectGeneralErrorReport("Invalid data type for 'Top'");
  EXPECT_TRUE(IsWindowVisible(harness_.Window()));
  const RECT rect = WindowRect(harness_.Window());
  EXPECT_NE(rect.left, 20);
  EXPECT_EQ(rect.right - rect.left, 739);
  EXPECT_EQ(FieldTexts(), Texts(5, ""));
  EXPECT_FALSE(harness_.Checked());
  EXPECT_EQ(form.SelectedPage(), 1);
}

TEST_F(SettingsWindowTest, RefusedSaveKeepsTheWindowOpenAndTheNextCloseSavesAgain) {
  harness_.CreateForm();
  harness_.ClearBoxes();
  harness_.SetText(kEdit5, "Second try");
  // A volatile settings key refuses the lasting section subkeys.
  DeleteUserKey(kSettingsKey);
  ASSERT_TRUE(CreateUserKey(kSettingsKey, REG_OPTION_VOLATILE));

  EXPECT_FALSE(harness_.CloseForm());
  ExpectGeneralErrorReport("Failed to create key MainForm.");
  EXPECT_TRUE(IsWindow(harness_.Window()));

  DeleteUserKey(kSettingsKey);
  harness_.ClearBoxes();
  EXPECT_TRUE(harness_.CloseForm());
  EXPECT_TRUE(harness_.Boxes().empty());
  EXPECT_EQ(SettingText("MainForm", "Status"), "1");
  EXPECT_EQ(SettingText("MID2PDB", "Palm Name"), "Second try");
}

}  // namespace
