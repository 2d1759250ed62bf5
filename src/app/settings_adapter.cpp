// Placement goes through SetWindowPos with the size limits applied here as well, so that a stored
// size can never open the window taller, shorter or narrower than it may be. Stored sizes are
// pixels, taken as they are at any DPI; only the limits follow the DPI.
#include "app/settings_adapter.h"

#include <algorithm>

#include "app/form_layout.h"
#include "app/unit1.h"

RECT TFormSettings::Bounds() {
  RECT bounds{};
  GetWindowRect(form_.Handle(), &bounds);
  return bounds;
}

// Only the width can change, and not below its minimum; the height is fixed.
void TFormSettings::Place(int left, int top, int width) {
  SetWindowPos(form_.Handle(), nullptr, left, top, std::max(width, form_.Size().min_width), form_.Size().height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

int TFormSettings::Top() { return Bounds().top; }
int TFormSettings::Left() { return Bounds().left; }
int TFormSettings::Height() { return Bounds().bottom - Bounds().top; }
int TFormSettings::Width() { return Bounds().right - Bounds().left; }

void TFormSettings::SetTop(int value) {
  RECT bounds = Bounds();
  Place(bounds.left, value, bounds.right - bounds.left);
}

void TFormSettings::SetLeft(int value) {
  RECT bounds = Bounds();
  Place(value, bounds.top, bounds.right - bounds.left);
}

void TFormSettings::SetHeight(int) {
  RECT bounds = Bounds();
  Place(bounds.left, bounds.top, bounds.right - bounds.left);
}

void TFormSettings::SetWidth(int value) {
  RECT bounds = Bounds();
  Place(bounds.left, bounds.top, value);
}

WindowState TFormSettings::State() { return form_.State(); }
bool TFormSettings::IsActiveWindow() { return form_.IsActiveWindow(); }
void TFormSettings::PostMinimize() { PostMessageA(form_.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0); }
void TFormSettings::SetMaximized() { form_.RequestMaximized(); }

std::string TFormSettings::FindDefaultBackupPath() {
  std::string path;
  form_.FindDefaultBackupPath(path);
  return path;
}

std::string TFormSettings::FieldText(Field field) { return form_.FieldText(field); }
void TFormSettings::SetFieldText(Field field, const std::string& text) { form_.SetFieldText(field, text); }
bool TFormSettings::Smf0Only() { return form_.Smf0Only(); }
void TFormSettings::SetSmf0Only(bool checked) { form_.SetSmf0Only(checked); }
int TFormSettings::SelectedPage() { return form_.SelectedPage(); }
void TFormSettings::SelectPage(int index) { form_.SelectPage(index); }
