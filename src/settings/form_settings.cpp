// The main window's load at creation and save at close, in their fixed order.
#include "settings/form_settings.h"

#include <cstdint>

#include "settings/reg_ini_file.h"

namespace {

const char kSettingsKey[] = "SOFTWARE\\Veltro\\Carillo2";
const char kMainForm[] = "MainForm";
const char kPdb2Mid[] = "PDB2MID";
const char kMid2Pdb[] = "MID2PDB";

// Window state codes of "MainForm" "Status".
constexpr std::int32_t kStateUntouched = 0;
constexpr std::int32_t kStateNormal = 1;
constexpr std::int32_t kStateMinimized = 2;
constexpr std::int32_t kStateMaximized = 3;

}  // namespace

void LoadFormSettings(RegistryKey& current_user, SettingsForm& form) {
  TRegIniFile store(current_user, kSettingsKey);

  std::int32_t state = store.ReadInteger(kMainForm, "Status", kStateNormal);
  if (state != kStateUntouched) {
    // Each default is read only now: an earlier step may have moved or resized the window.
    form.SetTop(store.ReadInteger(kMainForm, "Top", form.Top()));
    form.SetLeft(store.ReadInteger(kMainForm, "Left", form.Left()));
    form.SetHeight(store.ReadInteger(kMainForm, "Height", form.Height()));
    form.SetWidth(store.ReadInteger(kMainForm, "Width", form.Width()));
    if (state == kStateMinimized) form.PostMinimize();
    if (state == kStateMaximized) form.SetMaximized();
  }

  std::string backup_path = form.FindDefaultBackupPath();
  form.SetFieldText(Field::Edit1, store.ReadString(kPdb2Mid, "Source", backup_path));
  form.SetFieldText(Field::Edit2, store.ReadString(kPdb2Mid, "Destination", "C:\\"));
  form.SetFieldText(Field::Edit3, store.ReadString(kMid2Pdb, "Source", "C:\\"));
  form.SetFieldText(Field::Edit4, store.ReadString(kMid2Pdb, "Destination", "C:\\My_MIDI_Database.pdb"));
  form.SetFieldText(Field::Edit5, store.ReadString(kMid2Pdb, "Palm Name", kDefaultDatabaseName));
  form.SetSmf0Only(store.ReadBool(kMid2Pdb, "SMF0 Only", true));
  form.SelectPage(store.ReadInteger(kMainForm, "Tab", 0));
}

void SaveFormSettings(RegistryKey& current_user, SettingsForm& form) {
  TRegIniFile store(current_user, kSettingsKey);

  std::int32_t state = kStateNormal;
  switch (form.State()) {
    case WindowState::Normal:
      // A minimised or maximised window's rectangle is not the one to come back to.
      store.WriteInteger(kMainForm, "Top", form.Top());
      store.WriteInteger(kMainForm, "Left", form.Left());
      store.WriteInteger(kMainForm, "Height", form.Height());
      store.WriteInteger(kMainForm, "Width", form.Width());
      break;
    case WindowState::Minimized:
      state = kStateMinimized;
      break;
    case WindowState::Maximized:
      state = kStateMaximized;
      break;
  }
  if (!form.IsActiveWindow()) state = kStateMinimized;
  store.WriteInteger(kMainForm, "Status", state);

  store.WriteString(kPdb2Mid, "Source", form.FieldText(Field::Edit1));
  store.WriteString(kPdb2Mid, "Destination", form.FieldText(Field::Edit2));
  store.WriteString(kMid2Pdb, "Source", form.FieldText(Field::Edit3));
  store.WriteString(kMid2Pdb, "Destination", form.FieldText(Field::Edit4));
  store.WriteString(kMid2Pdb, "Palm Name", form.FieldText(Field::Edit5));
  store.WriteBool(kMid2Pdb, "SMF0 Only", form.Smf0Only());
  int page = form.SelectedPage();
  store.WriteInteger(kMainForm, "Tab", page == 0 || page == 1 ? page : -1);
}
