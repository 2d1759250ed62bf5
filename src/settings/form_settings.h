// Loading and saving the main window's settings under "SOFTWARE\Veltro\Carillo2".
#pragma once

#include <string>

#include "seams/fields.h"
#include "seams/registry.h"

enum class WindowState { Normal, Minimized, Maximized };

// What the load and the save need of the main window.
class SettingsForm {
 public:
  virtual ~SettingsForm() = default;
  // Outer placement in screen pixels; setting one applies it at once, within the size limits.
  virtual int Top() = 0;
  virtual int Left() = 0;
  virtual int Height() = 0;
  virtual int Width() = 0;
  virtual void SetTop(int value) = 0;
  virtual void SetLeft(int value) = 0;
  virtual void SetHeight(int value) = 0;
  virtual void SetWidth(int value) = 0;
  virtual WindowState State() = 0;
  virtual bool IsActiveWindow() = 0;
  // Posts WM_SYSCOMMAND SC_MINIMIZE: the window first appears, then minimises.
  virtual void PostMinimize() = 0;
  // The window will open maximised.
  virtual void SetMaximized() = 0;
  // The Palm Desktop backup database, or "" when there is none; may raise AppError.
  virtual std::string FindDefaultBackupPath() = 0;
  virtual std::string FieldText(Field field) = 0;
  virtual void SetFieldText(Field field, const std::string& text) = 0;  // set whole, never cut
  virtual bool Smf0Only() = 0;
  virtual void SetSmf0Only(bool checked) = 0;
  // 0 "MID => PDB", 1 "PDB => MID", -1 none.
  virtual int SelectedPage() = 0;
  virtual void SelectPage(int index) = 0;  // any value other than 0 or 1 selects no page
};

// FormCreate's load; an AppError ends it at the failing step and passes to the caller.
void LoadFormSettings(RegistryKey& current_user, SettingsForm& form);
// FormClose's save; an AppError ends it at the failing step and passes to the caller.
void SaveFormSettings(RegistryKey& current_user, SettingsForm& form);
