// The open and save dialogs for database files, and the shell's folder browser.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// A file dialog that remembers the file chosen last and offers it again next time.
class TFileDialog {
 public:
  enum class Kind { Open, Save };
  TFileDialog(Kind kind, std::string title);

  // Runs the dialog owned by `owner`, opening in `initial_directory` (empty: where the system
  // chooses). True when the user confirmed; FileName() is then the full path chosen.
  bool Execute(HWND owner, const std::string& initial_directory);
  const std::string& FileName() const { return file_name_; }

  // "Palm Databases (*.pdb)" and "All Files (*.*)", the first one selected.
  static constexpr char kFilter[] = "Palm Databases (*.pdb)\0*.pdb\0All Files (*.*)\0*.*\0";

 private:
  Kind kind_;
  std::string title_;
  std::string file_name_;
};

// The folder browser with `instruction` above the tree, file-system folders only, preselecting
// `current` when it names an existing directory. The chosen path, or nullopt on Cancel.
std::optional<std::string> BrowseForFolder(HWND owner, const std::string& instruction, const std::string& current);
