// Common dialogs and the folder browser, in their ANSI forms.
#include "app/file_dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "seams/paths.h"

namespace {

// Long enough for any path the dialog can return in a single selection.
constexpr std::size_t kFileBufferSize = 4096;

bool IsExistingDirectory(const std::string& path) {
  if (path.empty()) return false;
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int CALLBACK SelectExistingDirectory(HWND browser, UINT message, LPARAM, LPARAM data) noexcept {
  if (message == BFFM_INITIALIZED) {
    const std::string& current = *reinterpret_cast<const std::string*>(data);
    if (IsExistingDirectory(current)) {
      SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(current.c_str()));
    }
  }
  return 0;
}

}  // namespace

TFileDialog::TFileDialog(Kind kind, std::string title) : kind_(kind), title_(std::move(title)) {}

bool TFileDialog::Execute(HWND owner, const std::string& initial_directory) {
  // The last name is offered again; with a directory of its own it would override the initial
  // directory, so that part goes when the field gives one.
  const std::string offered = initial_directory.empty() ? file_name_ : ExtractFileName(file_name_);
  std::vector<char> buffer(kFileBufferSize, '\0');
  offered.copy(buffer.data(), buffer.size() - 1);

  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrInitialDir = initial_directory.empty() ? nullptr : initial_directory.c_str();
  dialog.lpstrTitle = title_.c_str();
  // The read-only check box stays visible and is ignored; the compile command asks before
  // overwriting, and no extension is added to what the user typed.
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_ENABLESIZING;
  if (kind_ == Kind::Open) dialog.Flags |= OFN_FILEMUSTEXIST;

  BOOL confirmed = kind_ == Kind::Open ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
  if (!confirmed) return false;
  file_name_ = buffer.data();
  return true;
}

std::optional<std::string> BrowseForFolder(HWND owner, const std::string& instruction, const std::string& current) {
  char display_name[MAX_PATH] = {};
  BROWSEINFOA browse{};
  browse.hwndOwner = owner;
  browse.pidlRoot = nullptr;  // the whole namespace, from the desktop down
  browse.pszDisplayName = display_name;
  browse.lpszTitle = instruction.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  browse.lpfn = SelectExistingDirectory;
  browse.lParam = reinterpret_cast<LPARAM>(&current);

  LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
  if (!chosen) return std::nullopt;
  char path[MAX_PATH] = {};
  BOOL is_path = SHGetPathFromIDListA(chosen, path);
  CoTaskMemFree(chosen);
  if (!is_path) return std::nullopt;
  return std::string(path);
}
