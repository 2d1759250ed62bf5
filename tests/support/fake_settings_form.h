// A main window stand-in for the settings load and save: holds the state they read and set, and
// logs every call in order (shared with other recorders through an optional log).
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "settings/form_settings.h"

class FakeSettingsForm : public SettingsForm {
 public:
  explicit FakeSettingsForm(std::vector<std::string>* log = nullptr) : log_(log) {}

  // As the window's layout gives them before the load.
  int top = 120;
  int left = 240;
  int height = 317;
  int width = 739;
  WindowState state = WindowState::Normal;
  bool active = true;
  bool minimize_posted = false;
  bool maximized = false;
  std::array<std::string, 5> fields;
  bool smf0_only = false;
  int page = 1;
  std::function<std::string()> backup_lookup = [] { return std::string(); };

  std::string& field(Field f) { return fields[static_cast<int>(f) - 1]; }

  int Top() override { return Get("Top", top); }
  int Left() override { return Get("Left", left); }
  int Height() override { return Get("Height", height); }
  int Width() override { return Get("Width", width); }
  void SetTop(int value) override { Set("Top", top, value); }
  void SetLeft(int value) override { Set("Left", left, value); }
  void SetHeight(int value) override { Set("Height", height, value); }
  void SetWidth(int value) override { Set("Width", width, value); }
  WindowState State() override {
    Log("get State");
    return state;
  }
  bool IsActiveWindow() override {
    Log("get Active");
    return active;
  }
  void PostMinimize() override {
    Log("PostMinimize");
    minimize_posted = true;
  }
  void SetMaximized() override {
    Log("SetMaximized");
    maximized = true;
  }
  std::string FindDefaultBackupPath() override {
    Log("FindDefaultBackupPath");
    return backup_lookup();
  }
  std::string FieldText(Field f) override {
    Log("get Edit" + std::to_string(static_cast<int>(f)));
    return field(f);
  }
  void SetFieldText(Field f, const std::string& text) override {
    Log("set Edit" + std::to_string(static_cast<int>(f)) + " " + text);
    field(f) = text;
  }
  bool Smf0Only() override {
    Log("get SMF0");
    return smf0_only;
  }
  void SetSmf0Only(bool checked) override {
    Log(std::string("set SMF0 ") + (checked ? "1" : "0"));
    smf0_only = checked;
  }
  int SelectedPage() override {
    Log("get Page");
    return page;
  }
  void SelectPage(int index) override {
    Log("select " + std::to_string(index));
    page = index == 0 || index == 1 ? index : -1;
  }

 private:
  void Log(const std::string& entry) {
    if (log_) log_->push_back(entry);
  }
  int Get(const char* name, int value) {
    Log(std::string("get ") + name);
    return value;
  }
  void Set(const char* name, int& member, int value) {
    Log(std::string("set ") + name + " " + std::to_string(value));
    member = value;
  }

  std::vector<std::string>* log_;
};
