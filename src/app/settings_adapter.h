// The settings' view of the real main window: placement, state, fields, check box and page.
#pragma once

#include <windows.h>

#include <string>

#include "settings/form_settings.h"

class TForm1;

class TFormSettings : public SettingsForm {
 public:
  explicit TFormSettings(TForm1& form) : form_(form) {}

  int Top() override;
  int Left() override;
  int Height() override;
  int Width() override;
  void SetTop(int value) override;
  void SetLeft(int value) override;
  void SetHeight(int value) override;
  void SetWidth(int value) override;
  WindowState State() override;
  bool IsActiveWindow() override;
  void PostMinimize() override;
  void SetMaximized() override;
  std::string FindDefaultBackupPath() override;
  std::string FieldText(Field field) override;
  void SetFieldText(Field field, const std::string& text) override;
  bool Smf0Only() override;
  void SetSmf0Only(bool checked) override;
  int SelectedPage() override;
  void SelectPage(int index) override;

 private:
  RECT Bounds();
  void Place(int left, int top, int width);

  TForm1& form_;
};
