// The four "Browse..." buttons against the real common dialogs and folder browser: titles,
// options, filter, initial directory, preselection, remembered names, and Cancel.
#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_text.h"
#include "support/temp_dir.h"
#include "win32/support/window_harness.h"

namespace {

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct Search {
  int id;
  const char* window_class;
  std::string text;
  HWND found = nullptr;
};

BOOL CALLBACK Match(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  if (search->id && GetDlgCtrlID(window) != search->id) return TRUE;
  if (search->window_class && lstrcmpiA(ClassOf(window).c_str(), search->window_class) != 0) return TRUE;
  if (!search->text.empty() && WindowText(window) != search->text) return TRUE;
  search->found = window;
  return FALSE;
}

HWND Find(HWND dialog, int id, const char* window_class, const std::string& text = "") {
  Search search{id, window_class, text};
  EnumChildWindows(dialog, Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The file name box: an edit inside the combo box cmb13 on current systems, edt1 on old ones.
HWND FileNameBox(HWND dialog) {
  if (HWND edit = Find(dialog, cmb13, "Edit")) return edit;
  return Find(dialog, edt1, "Edit");
}

std::string FolderOf(HWND dialog) {
  char folder[MAX_PATH] = {};
  SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
  return folder;
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// What the test saw of a dialog while it was up.
struct SeenDialog {
  std::string title;
  std::string folder;
  std::string file_name;
  std::vector<std::string> filters;
  int filter_selected = -2;
  bool read_only_shown = false;
  bool owned_by_form = false;
  bool form_enabled = true;
  std::string instruction;  // folder browser: the static showing the instruction
};

class Browsing : public ::testing::Test {
 protected:
  void SetUp() override { harness_.CreateFreshForm(); }
  void TearDown() override { EXPECT_TRUE(harness_.Boxes().empty()) << "no message box comes from browsing"; }

  // Runs `button`; the dialog is looked at, then typed into (when `type` is given) and ended with `press`.
  SeenDialog Browse(int button, int press, const std::string& type = "", const char* instruction = nullptr) {
    SeenDialog seen;
    HWND form = harness_.Window();
    harness_.OnDialog([&](HWND dialog) {
      seen.title = WindowText(dialog);
      seen.folder = FolderOf(dialog);
      seen.file_name = WindowText(FileNameBox(dialog));
      if (HWND filter = GetDlgItem(dialog, cmb1)) {
        LRESULT count = SendMessageA(filter, CB_GETCOUNT, 0, 0);
        for (LRESULT index = 0; index < count; ++index) {
          char entry[128] = {};
          SendMessageA(filter, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry));
          seen.filters.push_back(entry);
        }
        seen.filter_selected = static_cast<int>(SendMessageA(filter, CB_GETCURSEL, 0, 0));
      }
      HWND read_only = GetDlgItem(dialog, chx1);
      seen.read_only_shown = read_only && (GetWindowLongPtrA(read_only, GWL_STYLE) & WS_VISIBLE);
      seen.owned_by_form = GetWindow(dialog, GW_OWNER) == form;
      seen.form_enabled = IsWindowEnabled(form);
      if (instruction && Find(dialog, 0, "Static", instruction)) seen.instruction = instruction;
      if (!type.empty()) SetWindowTextA(FileNameBox(dialog), type.c_str());
      Press(dialog, press);
    });
    harness_.Click(button);
    harness_.OnDialog(nullptr);
    return seen;
  }

  WindowHarness harness_;
  TempDir temp_;
};

// ---- Database files ----

TEST_F(Browsing, TheOpenDialogHasItsTitleFilterAndReadOnlyBoxAndOpensInTheFieldsDirectory) {
  MakeDirectory(temp_ / "backup");
  harness_.SetText(kEdit1, temp_ / "backup\\System_MIDI_Sounds.pdb");
  SeenDialog seen = Browse(kBitBtn1, IDCANCEL);
  EXPECT_EQ(seen.title, "Extract MIDI files from:");
  EXPECT_EQ(seen.filters, (std::vector<std::string>{"Palm Databases (*.pdb)", "All Files (*.*)"}));
  EXPECT_EQ(seen.filter_selected, 0);
  EXPECT_TRUE(seen.read_only_shown);
  EXPECT_TRUE(seen.owned_by_form);
  EXPECT_FALSE(seen.form_enabled);
  EXPECT_EQ(seen.folder, temp_ / "backup");
  EXPECT_EQ(seen.file_name, "") << "the file name box is not filled from the field";
  EXPECT_EQ(harness_.Text(kEdit1), temp_ / "backup\\System_MIDI_Sounds.pdb");
}

TEST_F(Browsing, ConfirmingPutsTheFullPathInTheFieldAndTheDialogOffersItAgain) {
  WriteBytes(temp_ / "tunes.pdb", {1, 2, 3});
  harness_.SetText(kEdit1, "");
  Browse(kBitBtn1, IDOK, temp_ / "tunes.pdb");
  EXPECT_EQ(harness_.Text(kEdit1), temp_ / "tunes.pdb");

  harness_.SetText(kEdit1, "elsewhere.pdb");
  SeenDialog again = Browse(kBitBtn1, IDCANCEL);
  EXPECT_NE(again.file_name.find("tunes.pdb"), std::string::npos) << again.file_name;
  EXPECT_EQ(harness_.Text(kEdit1), "elsewhere.pdb");

  // The remembered name does not take the dialog away from the field's directory.
  MakeDirectory(temp_ / "other");
  harness_.SetText(kEdit1, temp_ / "other\\x.pdb");
  again = Browse(kBitBtn1, IDCANCEL);
  EXPECT_EQ(again.folder, temp_ / "other");
  EXPECT_EQ(again.file_name, "tunes.pdb");
}

TEST_F(Browsing, CancelLeavesAFieldThatNamesAMissingPathExactlyAsItWas) {
  const std::string missing = "C:\\no such dir\\  odd name .pdb ";
  harness_.SetText(kEdit1, missing);
  Browse(kBitBtn1, IDCANCEL);
  EXPECT_EQ(harness_.Text(kEdit1), missing);
  harness_.SelectPage(0);
  harness_.SetText(kEdit4, missing);
  Browse(kBitBtn5, IDCANCEL);
  EXPECT_EQ(harness_.Text(kEdit4), missing);
}

TEST_F(Browsing, TheSaveDialogAddsNoExtensionAndDoesNotAskBeforeOverwriting) {
  harness_.SelectPage(0);
  harness_.SetText(kEdit4, temp_ / "old.pdb");
  SeenDialog seen = Browse(kBitBtn5, IDOK, temp_ / "newdb");
  EXPECT_EQ(seen.title, "Compile MIDI files to:");
  EXPECT_EQ(seen.filters, (std::vector<std::string>{"Palm Databases (*.pdb)", "All Files (*.*)"}));
  EXPECT_EQ(seen.filter_selected, 0);
  EXPECT_EQ(seen.folder, temp_.path());
  EXPECT_EQ(harness_.Text(kEdit4), temp_ / "newdb");

  WriteBytes(temp_ / "existing.pdb", {0});
  Browse(kBitBtn5, IDOK, temp_ / "existing.pdb");
  EXPECT_EQ(harness_.Text(kEdit4), temp_ / "existing.pdb");
  EXPECT_EQ(ReadBytes(temp_ / "existing.pdb"), std::vector<std::uint8_t>{0});
}

// ---- Directories ----

TEST_F(Browsing, TheFolderBrowserShowsItsInstructionAndPreselectsAnExistingDirectory) {
  MakeDirectory(temp_ / "midi out");
  harness_.SetText(kEdit2, temp_ / "midi out");
  SeenDialog seen = Browse(kBitBtn2, IDOK, "", "Extract MIDI files to:");
  EXPECT_EQ(seen.instruction, "Extract MIDI files to:");
  EXPECT_TRUE(seen.owned_by_form);
  EXPECT_FALSE(seen.form_enabled);
  EXPECT_EQ(harness_.Text(kEdit2), temp_ / "midi out") << "OK right away confirms the preselected directory";

  harness_.SelectPage(0);
  MakeDirectory(temp_ / "source");
  harness_.SetText(kEdit3, temp_ / "source");
  seen = Browse(kBitBtn4, IDOK, "", "Use MIDI files from:");
  EXPECT_EQ(seen.instruction, "Use MIDI files from:");
  EXPECT_EQ(harness_.Text(kEdit3), temp_ / "source");
}

TEST_F(Browsing, AMissingDirectoryIsNotPreselectedAndCancelKeepsIt) {
  const std::string missing = temp_ / "not there";
  harness_.SetText(kEdit2, missing);
  Browse(kBitBtn2, IDCANCEL);
  EXPECT_EQ(harness_.Text(kEdit2), missing);
  // With nothing preselected (not even the existing parent) OK has no folder to return.
  Browse(kBitBtn2, IDOK);
  EXPECT_EQ(harness_.Text(kEdit2), missing);
}

TEST_F(Browsing, CancellingTheFolderBrowserLeavesAnExistingDirectoryAsItWas) {
  harness_.SelectPage(0);
  const std::string typed = temp_.path() + "\\";
  harness_.SetText(kEdit3, typed);
  Browse(kBitBtn4, IDCANCEL);
  EXPECT_EQ(harness_.Text(kEdit3), typed);
}

}  // namespace
