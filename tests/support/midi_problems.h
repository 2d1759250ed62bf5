// Tables of broken MIDI files and the problem each must be refused with: its byte offset and its
// words, for the reader and the format-0 converter alike.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "midi/smf_reader.h"
#include "support/bytes.h"

struct ProblemCase {
  const char* what;
  Bytes file;
  std::size_t offset;
  std::string text;
};

// `find` gives the problem it meets in a file, or none.
inline void ExpectProblems(std::span<const ProblemCase> cases,
                           const std::function<std::optional<midi::Problem>(const Bytes& file)>& find) {
  for (const ProblemCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<midi::Problem> problem = find(c.file);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->offset, c.offset);
    EXPECT_EQ(problem->text, c.text);
  }
}
