// How the commands ask and tell the user. The main window answers with real message boxes, the
// tests with a scripted recorder; the commands never touch a window themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "commands/messages.h"
#include "seams/fields.h"

enum class Answer { Yes, No, Cancel };

class Prompts {
 public:
  virtual ~Prompts() = default;
  // The field turns red and takes the focus; a warning box "Unable to continue" shows `message`.
  virtual void ShowInputError(Field field, const std::string& message) = 0;
  // The same marking around an OK/Cancel warning box "Unable to continue"; true for OK.
  virtual bool AskMarkedQuestion(Field field, const std::string& question) = 0;
  // Warning box, OK only.
  virtual void ShowWarning(const std::string& text, const std::string& caption) = 0;
  // OK/Cancel warning box; true for OK (Escape and closing the box answer Cancel).
  virtual bool AskOkCancel(const std::string& text, const std::string& caption) = 0;
  // Yes/No/Cancel question box (Escape and closing the box answer Cancel).
  virtual Answer AskYesNoCancel(const std::string& text, const std::string& caption) = 0;
  // Information box, OK only.
  virtual void ShowInformation(const std::string& text, const std::string& caption) = 0;
  // How far a run has come: `done` of `total` items, `bytes` written so far. A window shows the
  // busy cursor instead, so only a terminal listens.
  virtual void ReportProgress(std::size_t /*done*/, std::size_t /*total*/, std::uint64_t /*bytes*/) {}
};
