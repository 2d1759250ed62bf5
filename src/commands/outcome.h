// What a command did, for the face that ran it: what it wrote, its counts, what it passed over and
// why, and how it ended. A failed file operation raises InOutError instead, and ends it there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "commands/prompts.h"

enum class Ending {
  Done,       // everything asked was done; files skipped or kept by an answer or a flag included
  Refused,    // the inputs would not do; nothing was written after the refusal
  Cancelled,  // a question was answered Cancel
  Failed,     // a file or directory operation failed; the run stopped there
};

struct SkippedFile {
  std::string path;
  std::string reason;  // in plain words, as the note said it
  bool unusable = false;  // it could not be read or named, rather than passed over by an answer
};

struct Outcome {
  Ending ending = Ending::Done;
  std::string written;             // the database or file written, or the directory tunes went to; "" for none
  std::size_t tunes = 0;           // tunes written or stored
  std::size_t replaced = 0;        // records replaced (add)
  std::size_t removed = 0;         // records removed (remove)
  std::size_t kept = 0;            // existing files or records kept by an answer No
  std::size_t not_converted = 0;   // records the run met but could not convert, each reported
  std::vector<SkippedFile> skipped;

  // Ends the run this way, unless it already ended otherwise.
  void End(Ending how) {
    if (ending == Ending::Done) ending = how;
  }
};

// Shows a refusal at `field`, and the run ends refused.
void Refuse(Prompts& prompts, Outcome& outcome, Field field, const Message& message);
// Notes a file passed over (Topic::Skipped, SkippedFormat, SkippedUnusable), and counts it.
void NoteSkipped(Prompts& prompts, Outcome& outcome, Topic topic, const std::string& path, std::string_view reason);
// Notes an existing output kept by an answer No, and counts it: the run has done what was asked.
void NoteKept(Prompts& prompts, Outcome& outcome, const std::string& path);
