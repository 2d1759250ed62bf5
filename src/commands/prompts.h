// How the commands ask and tell the user. The main window answers with real message boxes, the
// command line on the terminal, the page in dialogs, the tests with a scripted recorder; the
// commands never touch a window themselves. Each message carries its kind and its subject, so that
// every face lays it out its own way without reading meaning back out of a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "commands/messages.h"
#include "seams/fields.h"

enum class Answer { Yes, No, Cancel };

// What a run is busy with: reading its inputs (the files collected, the tunes to add), or writing.
enum class Phase { Reading, Writing };

class Prompts {
 public:
  virtual ~Prompts() = default;
  // The field turns red and takes the focus; a warning box "Unable to continue" shows the message.
  virtual void ShowInputError(Field field, const Message& message) = 0;
  // The same marking around an OK/Cancel warning box "Unable to continue": Yes for OK. A face may
  // also answer No to replacing an existing output (Topic::ReplaceFile): keep it, and the run is done.
  virtual Answer AskMarkedQuestion(Field field, const Message& question) = 0;
  // Warning box, OK only.
  virtual void ShowWarning(const Message& message, const std::string& caption) = 0;
  // OK/Cancel warning box; true for OK (Escape and closing the box answer Cancel).
  virtual bool AskOkCancel(const Message& question, const std::string& caption) = 0;
  // Yes/No/Cancel question box (Escape and closing the box answer Cancel).
  virtual Answer AskYesNoCancel(const Message& question, const std::string& caption) = 0;
  // Information box, OK only.
  virtual void ShowInformation(const Message& message, const std::string& caption) = 0;
  // What the window passes over in silence (a skipped file, two files of one record name): a face
  // that names every skipped file listens.
  virtual void Note(const Message& /*note*/) {}
  // How far a run has come: in `phase`, `done` of `total` items, `bytes` written so far (Writing).
  // A window shows the busy cursor instead, so only a terminal listens.
  virtual void ReportProgress(Phase /*phase*/, std::size_t /*done*/, std::size_t /*total*/, std::uint64_t /*bytes*/) {}
};
