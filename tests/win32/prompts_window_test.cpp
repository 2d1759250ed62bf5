// The shared ways of asking and reporting, as real message boxes: the marked field and its
// colour, every box kind with owner, icon and buttons, the help and About texts, the busy-cursor
// bracket and the general error report.
#include <windows.h>

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "app/app_cursor.h"
#include "seams/app_error.h"
#include "win32/support/window_harness.h"

namespace {

constexpr char kTitle[] = "Veltro:: Carillo for Jinglo 2";

class Prompting : public ::testing::Test {
 protected:
  void SetUp() override { harness_.CreateFreshForm(); }
  void TearDown() override { EXPECT_TRUE(harness_.ScriptUsedUp()); }

  TForm1& form() { return harness_.Form(); }

  // The page that holds the field, as when a command of that page runs.
  void ShowPageOf(Field field) { harness_.SelectPage(field == Field::Edit1 || field == Field::Edit2 ? 1 : 0); }

  COLORREF BackgroundOf(Field field) { return ::BackgroundOf(form().EditOf(field)); }

  WindowHarness harness_;
};

const Field kFields[] = {Field::Edit1, Field::Edit2, Field::Edit3, Field::Edit4, Field::Edit5};

// ---- The marked field ----

TEST_F(Prompting, ShowInputErrorMarksTheFieldRedAroundAWarningAndLeavesItFocusedInItsNormalColour) {
  for (Field field : kFields) {
    const int number = static_cast<int>(field);
    ShowPageOf(field);
    harness_.ClearBoxes();
    form().ShowInputError(field, "No database selected!");
    ASSERT_EQ(harness_.Boxes().size(), 1u) << number;
    const RecordedBox& box = harness_.Boxes()[0];
    EXPECT_EQ(box, OwnedBox("No database selected!", "Unable to continue", MB_ICONWARNING, MB_OK, "OK", number));
    EXPECT_EQ(box.focused_field, number) << "the field has the focus while the box is up";
    EXPECT_EQ(harness_.ShownBoxes(), (std::vector<ShownBox>{InputErrorBox(number, "No database selected!")}));
    EXPECT_EQ(BackgroundOf(field), GetSysColor(COLOR_WINDOW)) << number;
    EXPECT_EQ(GetFocus(), form().EditOf(field)) << number;
  }
}

TEST_F(Prompting, TheMarkIsTheSystemWindowColourAfterwardsNotARememberedOne) {
  harness_.SelectPage(0);
  form().ShowInputError(Field::Edit3, "first");
  form().ShowInputError(Field::Edit3, "second");
  EXPECT_EQ(harness_.Boxes()[1].marked_field, 3);
  EXPECT_EQ(BackgroundOf(Field::Edit3), GetSysColor(COLOR_WINDOW));
  for (Field other : kFields) EXPECT_EQ(BackgroundOf(other), GetSysColor(COLOR_WINDOW));
}

TEST_F(Prompting, TheMarkedQuestionReturnsTheAnswerAndTheFieldKeepsTheFocus) {
  harness_.SelectPage(0);
  const std::string question = "Directory does not exist!\r\nWould you like to create it now?";
  for (const char* answer : {"OK", "Cancel"}) {
    harness_.ClearBoxes();
    harness_.Script({answer});
    SetFocus(harness_.Control(kPageControl1));
    const bool result = form().AskMarkedQuestion(Field::Edit4, question);
    EXPECT_EQ(result, std::string(answer) == "OK");
    ASSERT_EQ(harness_.Boxes().size(), 1u);
    EXPECT_EQ(harness_.Boxes()[0], OwnedBox(question, "Unable to continue", MB_ICONWARNING, MB_OKCANCEL, answer, 4));
    EXPECT_EQ(harness_.ShownBoxes(), (std::vector<ShownBox>{MarkedQuestionBox(4, question, answer)}));
    EXPECT_EQ(GetFocus(), form().EditOf(Field::Edit4)) << answer;
    EXPECT_EQ(BackgroundOf(Field::Edit4), GetSysColor(COLOR_WINDOW)) << answer;
  }
}

// ---- Box kinds ----

TEST_F(Prompting, EachBoxKindHasItsIconButtonsAndTheMainWindowAsOwner) {
  form().ShowWarning("Not a MIDI record:\rtune", "MIDI Error");
  harness_.Script({"OK", "Cancel"});
  EXPECT_TRUE(form().AskOkCancel("Wrong MIDI format:\rx.mid", "MIDI Error"));
  EXPECT_FALSE(form().AskOkCancel("Wrong MIDI format:\ry.mid", "MIDI Error"));
  harness_.Script({"Yes", "No", "Cancel"});
  EXPECT_EQ(form().AskYesNoCancel("File exists", "Overwrite Problem"), Answer::Yes);
  EXPECT_EQ(form().AskYesNoCancel("File exists", "Overwrite Problem"), Answer::No);
  EXPECT_EQ(form().AskYesNoCancel("File exists", "Overwrite Problem"), Answer::Cancel);
  form().ShowInformation("3 MIDI files successfully extracted.", "Success");

  const std::vector<RecordedBox> expected = {
      OwnedBox("Not a MIDI record:\rtune", "MIDI Error", MB_ICONWARNING, MB_OK, "OK"),
      OwnedBox("Wrong MIDI format:\rx.mid", "MIDI Error", MB_ICONWARNING, MB_OKCANCEL, "OK"),
      OwnedBox("Wrong MIDI format:\ry.mid", "MIDI Error", MB_ICONWARNING, MB_OKCANCEL, "Cancel"),
      OwnedBox("File exists", "Overwrite Problem", MB_ICONQUESTION, MB_YESNOCANCEL, "Yes"),
      OwnedBox("File exists", "Overwrite Problem", MB_ICONQUESTION, MB_YESNOCANCEL, "No"),
      OwnedBox("File exists", "Overwrite Problem", MB_ICONQUESTION, MB_YESNOCANCEL, "Cancel"),
      OwnedBox("3 MIDI files successfully extracted.", "Success", MB_ICONINFORMATION, MB_OK, "OK"),
  };
  EXPECT_EQ(harness_.Boxes(), expected);
  EXPECT_EQ(harness_.ShownBoxes(),
            (std::vector<ShownBox>{WarningBox("Not a MIDI record:\rtune", "MIDI Error"),
                                   OkCancelBox("Wrong MIDI format:\rx.mid", "MIDI Error", "OK"),
                                   OkCancelBox("Wrong MIDI format:\ry.mid", "MIDI Error", "Cancel"),
                                   YesNoCancelBox("File exists", "Overwrite Problem", "Yes"),
                                   YesNoCancelBox("File exists", "Overwrite Problem", "No"),
                                   YesNoCancelBox("File exists", "Overwrite Problem", "Cancel"),
                                   InformationBox("3 MIDI files successfully extracted.", "Success")}));
}

TEST_F(Prompting, EscapeOrTheCloseButtonAnswerCancel) {
  harness_.Script({"Escape", "Close", "Escape", "Close"});
  EXPECT_FALSE(form().AskOkCancel("Stop?", "MIDI Error"));
  EXPECT_FALSE(form().AskOkCancel("Stop?", "MIDI Error"));
  EXPECT_EQ(form().AskYesNoCancel("Overwrite?", "Overwrite Problem"), Answer::Cancel);
  EXPECT_EQ(form().AskYesNoCancel("Overwrite?", "Overwrite Problem"), Answer::Cancel);
  harness_.SelectPage(0);
  harness_.Script({"Escape"});
  EXPECT_FALSE(form().AskMarkedQuestion(Field::Edit3, "Create?"));
  EXPECT_EQ(harness_.Boxes().size(), 5u);
}

TEST_F(Prompting, OwnedBoxesDisableTheMainWindowWhileTheyAreUp) {
  harness_.Script({"OK"});
  form().AskOkCancel("Go on?", "MIDI Error");
  form().ShowInformation("Done", "Success");
  form().ShowErrorReport("Disk full");
  for (const RecordedBox& box : harness_.Boxes()) EXPECT_FALSE(box.form_was_enabled) << Describe(box);
  EXPECT_TRUE(IsWindowEnabled(harness_.Window()));
}

// ---- Help and About ----

TEST_F(Prompting, HelpButtonsShowTheirTextsInInformationBoxes) {
  harness_.SelectPage(0);
  harness_.Click(kBitBtn7);
  harness_.Click(kBitBtn8);
  EXPECT_EQ(harness_.Boxes(),
            (std::vector<RecordedBox>{
                OwnedBox("The name you enter here must be a unique database name on your handheld.\r\n\r\n"
                         "If the name is not unique and you install the database to your handheld, the\r\n"
                         "other database will be completely overwritten.",
                         "Palm database name", MB_ICONINFORMATION, MB_OK, "OK"),
                OwnedBox("Most Palm OS handhelds recognize only the SMF0 MIDI subformat, so\r\n"
                         "it is usually pointless to include the non-SMF0 files in your compilation.",
                         "SMF0 only", MB_ICONINFORMATION, MB_OK, "OK"),
            }));
}

TEST_F(Prompting, AboutShowsVersionNoticeContactAndWhereToFindAnswers) {
  harness_.Click(kBitBtn9);
  ASSERT_EQ(harness_.Boxes().size(), 1u);
  const RecordedBox& box = harness_.Boxes()[0];
  EXPECT_EQ(box, OwnedBox(box.text, kTitle, MB_ICONINFORMATION, MB_OK, "OK"));
  EXPECT_EQ(box.text,
            "Version 2.0\r\n"
            "Copyright (c) Veltro. Free to use and to pass on.\r\n"
            "Questions and suggestions: carillo@veltro.example\r\n"
            "\r\n"
            "How do I install phone ringtones and alarms on my handheld?\r\n"
            "See the questions and answers of Jinglo: http://www.veltro.example/jinglo/faq.html");
}

// ---- The busy-cursor bracket and the general error report ----

TEST_F(Prompting, TheBracketFocusesTheTabControlAndShowsTheHourglassWhileTheCommandWorks) {
  harness_.SelectPage(1);
  SetFocus(harness_.Control(kEdit1));
  bool ran = false;
  form().RunBusy([&] {
    ran = true;
    EXPECT_EQ(GetFocus(), harness_.Control(kPageControl1));
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    // Over any of the program's windows the hourglass stays.
    HWND edit = harness_.Control(kEdit2);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    EXPECT_TRUE(SendMessageA(edit, WM_SETCURSOR, reinterpret_cast<WPARAM>(edit), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
  });
  EXPECT_TRUE(ran);
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
  EXPECT_FALSE(app_cursor::IsBusy());
  EXPECT_TRUE(harness_.Boxes().empty());
  EXPECT_EQ(GetFocus(), harness_.Control(kPageControl1));
}

TEST_F(Prompting, AfterFailedChecksTheCursorIsNormalAndTheFieldKeepsTheFocus) {
  harness_.SelectPage(1);
  form().RunBusy([&] { form().ShowInputError(Field::Edit2, "No directory selected!"); });
  ASSERT_EQ(harness_.Boxes().size(), 1u);
  EXPECT_FALSE(harness_.Boxes()[0].cursor_was_normal) << "the checks run under the hourglass";
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
  EXPECT_EQ(GetFocus(), harness_.Control(kEdit2));
}

struct Failure {
  const char* name;
  std::function<void()> raise;
  const char* shown;
};

TEST_F(Prompting, AFailureEndsTheCommandRestoresTheCursorAndReachesTheGeneralErrorReport) {
  const Failure kFailures[] = {
      {"access denied", [] { throw InOutError(kFileAccessDenied); }, "File access denied."},
      {"disk full", [] { throw InOutError(kDiskFull); }, "Disk full."},
      {"code 103", [] { throw InOutError(103); }, "I/O error 103."},
      {"ends in a quote", [] { throw AppError("Invalid data type for 'Top'"); }, "Invalid data type for 'Top'"},
      {"ends in a full stop", [] { throw AppError("Unable to create directory."); }, "Unable to create directory."},
      {"ends in a bracket", [] { throw AppError("Too large (64KB)"); }, "Too large (64KB)"},
      {"empty", [] { throw AppError(""); }, ""},
      {"no memory", [] { throw std::bad_alloc(); }, "Out of memory."},
      {"library failure", [] { throw std::length_error("vector too long"); }, "vector too long."},
  };
  for (const Failure& failure : kFailures) {
    harness_.ClearBoxes();
    bool after_failure = false;
    form().RunBusy([&] {
      failure.raise();
      after_failure = true;
    });
    EXPECT_FALSE(after_failure) << failure.name;
    ASSERT_EQ(harness_.Boxes().size(), 1u) << failure.name;
    EXPECT_EQ(harness_.Boxes()[0], ErrorBox(failure.shown, kTitle, true)) << failure.name;
    EXPECT_TRUE(harness_.Boxes()[0].cursor_was_normal) << failure.name << ": normal cursor before the report";
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW)) << failure.name;
    EXPECT_TRUE(IsWindowEnabled(harness_.Window())) << failure.name << ": the program goes on";
  }
}

TEST_F(Prompting, AFailureAfterABoxStillReachesTheReport) {
  harness_.SelectPage(0);
  harness_.Script({"OK"});
  form().RunBusy([&] {
    if (form().AskMarkedQuestion(Field::Edit4, "File already exists!\r\nOverwrite?")) throw InOutError(kFileAccessDenied);
  });
  ASSERT_EQ(harness_.Boxes().size(), 2u);
  EXPECT_EQ(harness_.Boxes()[0].marked_field, 4);
  EXPECT_EQ(harness_.Boxes()[1], ErrorBox("File access denied.", kTitle, true));
  EXPECT_EQ(BackgroundOf(Field::Edit4), GetSysColor(COLOR_WINDOW));
}

TEST(StartFailure, AFailingFormCreateIsReportedAndTheWindowStillOpens) {
  ResetUserRegistry();
  SetUserValue("Software\\Veltro\\Carillo2\\MainForm", "Top", REG_DWORD, std::string("\x05\0\0\0", 4));

  WindowHarness harness;
  harness.CreateForm();
  ASSERT_EQ(harness.Boxes().size(), 1u);
  EXPECT_EQ(harness.Boxes()[0], ErrorBox("Invalid data type for 'Top'", kTitle, true));
  EXPECT_TRUE(IsWindowVisible(harness.Window()));
  EXPECT_EQ(harness.Text(kEdit2), "") << "later settings are not applied";
  EXPECT_EQ(harness.Form().SelectedPage(), 1) << "the page of the layout";
  EXPECT_FALSE(harness.Checked());
  ResetUserRegistry();
}

}  // namespace
