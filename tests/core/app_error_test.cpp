// The texts of input/output errors and the full-stop rule of the general error report.
#include "seams/app_error.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(InOutErrorText, GivesTheTextOfEachCode) {
  struct Case {
    int code;
    const char* text;
  };
  for (Case c : {Case{2, "File not found"}, Case{3, "Invalid filename"}, Case{4, "Too many open files"},
                 Case{5, "File access denied"}, Case{100, "Read beyond end of file"}, Case{101, "Disk full"},
                 Case{103, "I/O error 103"}, Case{0, "I/O error 0"}, Case{1, "I/O error 1"}, Case{6, "I/O error 6"},
                 Case{32, "I/O error 32"}, Case{99, "I/O error 99"}, Case{102, "I/O error 102"},
                 Case{112, "I/O error 112"}, Case{123, "I/O error 123"}, Case{1392, "I/O error 1392"},
                 Case{-1, "I/O error -1"}}) {
    EXPECT_EQ(InOutErrorText(c.code), c.text) << c.code;
  }
}

TEST(InOutErrorText, NamedCodesAreTheOnesOfTheTable) {
  EXPECT_EQ(kFileNotFound, 2);
  EXPECT_EQ(kInvalidFilename, 3);
  EXPECT_EQ(kTooManyOpenFiles, 4);
  EXPECT_EQ(kFileAccessDenied, 5);
  EXPECT_EQ(kReadBeyondEndOfFile, 100);
  EXPECT_EQ(kDiskFull, 101);
  EXPECT_EQ(kFileNotOpen, 103);
}

TEST(InOutError, CarriesItsCodeAndTextAndIsAnAppError) {
  try {
    throw InOutError(kReadBeyondEndOfFile);
  } catch (const AppError& error) {
    EXPECT_STREQ(error.what(), "Read beyond end of file");
    const auto* in_out = dynamic_cast<const InOutError*>(&error);
    ASSERT_NE(in_out, nullptr);
    EXPECT_EQ(in_out->code(), 100);
  }
  InOutError other(87);
  EXPECT_EQ(other.code(), 87);
  EXPECT_STREQ(other.what(), "I/O error 87");
}

TEST(GeneralErrorText, AddsAFullStopOnlyAfterACharacterAboveTheDot) {
  struct Case {
    std::string text, shown;
  };
  const Case cases[] = {
      {"", ""},
      {"Disk full", "Disk full."},
      {"File access denied", "File access denied."},
      {"Unable to create directory", "Unable to create directory."},
      {"I/O error 103", "I/O error 103."},  // digits come after "."
      {"Done.", "Done."},
      {"Failed (code 5)", "Failed (code 5)"},
      {"Cannot open 'x'", "Cannot open 'x'"},
      {"ends with a dash-", "ends with a dash-"},    // 0x2D
      {"ends with a comma,", "ends with a comma,"},  // 0x2C
      {"ends with a space ", "ends with a space "},
      {"ends with CR LF\r\n", "ends with CR LF\r\n"},
      {"C:\\path/", "C:\\path/."},  // "/" is 0x2F, just above "."
      {"C:\\path\\", "C:\\path\\."},
      {"question?", "question?."},
      {"x", "x."},
      {".", "."},
      {"/", "/."},
      {"ends with \xE9", "ends with \xE9."},  // bytes above 0x7F compare as unsigned
      {"ends with \xFF", "ends with \xFF."},
  };
  for (const Case& c : cases) EXPECT_EQ(GeneralErrorText(c.text), c.shown) << c.text;
}

TEST(GeneralErrorText, ATrailingNulByteIsBelowTheDot) {
  EXPECT_EQ(GeneralErrorText(std::string("abc\0", 4)), std::string("abc\0", 4));
}

}  // namespace
