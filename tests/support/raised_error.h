// The code and text of the InOutError that an action raises, for tests of failure paths.
#pragma once

#include <functional>
#include <string>

#include "seams/app_error.h"

struct RaisedError {
  int code = -1;  // -1 when the action raises nothing
  std::string text;
};

inline RaisedError RaisedBy(const std::function<void()>& action) {
  try {
    action();
  } catch (const InOutError& error) {
    return {error.code(), error.what()};
  }
  return {};
}
