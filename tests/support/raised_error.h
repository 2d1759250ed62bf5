// What an action raises, for tests of failure paths: the code and text of an InOutError, or the
// text of another AppError.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>

#include "seams/app_error.h"

struct RaisedError {
  int code = -1;  // the InOutError's code; 0 for another AppError; -1 when the action raises nothing
  std::string text;
};

inline RaisedError RaisedBy(const std::function<void()>& action) {
  try {
    action();
  } catch (const InOutError& error) {
    return {error.code(), error.what()};
  } catch (const AppError& error) {
    return {0, error.what()};
  }
  return {};
}

// One action of a table and what it must raise.
struct FailureCase {
  const char* what;
  std::function<void()> action;
  int code;
  const char* text;
};

inline void ExpectFailures(std::span<const FailureCase> cases) {
  for (const FailureCase& c : cases) {
    RaisedError raised = RaisedBy(c.action);
    EXPECT_EQ(raised.code, c.code) << c.what;
    EXPECT_EQ(raised.text, c.text) << c.what;
  }
}
