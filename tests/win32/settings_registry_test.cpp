// The settings store, load and save against the real registry of the current user.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "seams/app_error.h"
#include "seams/registry.h"
#include "settings/form_settings.h"
#include "settings/reg_ini_file.h"
#include "support/fake_settings_form.h"
#include "support/raised_error.h"
#include "win32/handles.h"
#include "win32/support/user_registry.h"

namespace {

const char kVeltro[] = "SOFTWARE\\Veltro";
using Texts = std::vector<std::string>;

class SettingsRegistryTest : public testing::Test {
 protected:
  void SetUp() override { DeleteUserKey(kVeltro); }
  void TearDown() override { DeleteUserKey(kVeltro); }

  void Load(FakeSettingsForm& form) { LoadFormSettings(*current_user, form); }
  void Save(FakeSettingsForm& form) { SaveFormSettings(*current_user, form); }

  std::unique_ptr<RegistryKey> current_user = OpenCurrentUserKey();
};

TEST_F(SettingsRegistryTest, FirstStartCreatesTheKeyPathAndGivesEveryDefault) {
  ASSERT_FALSE(UserKeyExists(kVeltro));
  FakeSettingsForm form;
  form.backup_lookup = [] { return std::string("C:\\Palm\\Ann\\Backup\\System_MIDI_Sounds.pdb"); };
  Load(form);

  UniqueKey key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.out()), ERROR_SUCCESS);
  DWORD subkeys = 99, values = 99;
  ASSERT_EQ(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 0u);
  EXPECT_EQ(values, 0u);

  EXPECT_EQ(form.top, 120);
  EXPECT_EQ(form.left, 240);
  EXPECT_EQ(form.height, 317);
  EXPECT_EQ(form.width, 739);
  EXPECT_EQ(form.fields, (std::array<std::string, 5>{"C:\\Palm\\Ann\\Backup\\System_MIDI_Sounds.pdb", "C:\\",
                                                     "C:\\", "C:\\My_MIDI_Database.pdb", "My MIDI Database"}));
  EXPECT_TRUE(form.smf0_only);
  EXPECT_EQ(form.page, 0);
  EXPECT_FALSE(form.minimize_posted);
  EXPECT_FALSE(form.maximized);
}

TEST_F(SettingsRegistryTest, ReadsTextOfEveryStoredKind) {
  struct {
    const char* name;
    DWORD type;
    std::string bytes;
    const char* text;  // nullptr: the data type error
  } cases[] = {
      {"Plain", REG_SZ, std::string("C:\\a b\0", 7), "C:\\a b"},
      {"Empty", REG_SZ, std::string(1, '\0'), ""},
      {"ZeroSize", REG_SZ, "", ""},
      {"NoClosingZero", REG_SZ, "abc", "abc"},
      {"TwoTexts", REG_SZ, std::string("ab\0cd\0", 6), "ab"},
      {"Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\x\0", 15), "%SystemRoot%\\x"},
      {"ZeroSizeDword", REG_DWORD, "", ""},
      {"Dword", REG_DWORD, std::string("\x0c\0\0\0", 4), nullptr},
      {"Binary", REG_BINARY, std::string("12\0", 3), nullptr},
      {"MultiSz", REG_MULTI_SZ, std::string("12\0\0", 4), nullptr},
  };
  for (const auto& c : cases) SetSetting("PDB2MID", c.name, c.type, c.bytes);
  TRegIniFile store(*current_user, kSettingsKey);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.text) {
      EXPECT_EQ(store.ReadString("PDB2MID", c.name, "default"), c.text);
    } else {
      EXPECT_EQ(RaisedBy([&] { store.ReadString("PDB2MID", c.name, "default"); }).text,
                "Invalid data type for '" + std::string(c.name) + "'");
    }
  }
  EXPECT_EQ(store.ReadString("PDB2MID", "Absent", "default"), "default");
  EXPECT_EQ(store.ReadString("NoSuchSection", "Plain", "default"), "default");
}

TEST_F(SettingsRegistryTest, IntegersAndFlagsParseOrFallBack) {
  const std::pair<const char*, std::int32_t> integers[] = {
      {"abc", -7},        {"12abc", -7}, {"", -7},         {" 12", 12},         {"$1F", 31},
      {"0x1f", 31},       {"X1F", 31},   {"-2147483648", INT_MIN}, {"2147483648", -7}, {"$FFFFFFFF", -1},
      {"$100000000", -7}, {"12 ", -7},   {"+5", 5}};
  for (const auto& [text, expected] : integers) SetSettingText("MainForm", std::string("I") + text, text);
  const std::pair<const char*, bool> flags[] = {{"2", true}, {"-1", true}, {"0", false}, {"yes", true}};
  for (const auto& [text, expected] : flags) SetSettingText("MID2PDB", std::string("F") + text, text);

  TRegIniFile store(*current_user, kSettingsKey);
  for (const auto& [text, expected] : integers) {
    EXPECT_EQ(store.ReadInteger("MainForm", std::string("I") + text, -7), expected) << '"' << text << '"';
  }
  for (const auto& [text, expected] : flags) {
    EXPECT_EQ(store.ReadBool("MID2PDB", std::string("F") + text, true), expected) << '"' << text << '"';
  }
}

TEST_F(SettingsRegistryTest, WritesRegSzWithTheClosingZeroCounted) {
  {
    TRegIniFile store(*current_user, kSettingsKey);
    store.WriteInteger("MainForm", "Top", 352);
    store.WriteInteger("MainForm", "Tab", -1);
    store.WriteBool("MID2PDB", "SMF0 Only", true);
    store.WriteString("MID2PDB", "Source", "");
    store.WriteString("PDB2MID", "Source", "C:\\x\xE9.pdb");
  }
  const std::pair<const char*, std::string> expected[] = {
      {"MainForm\tTop", std::string("352\0", 4)},
      {"MainForm\tTab", std::string("-1\0", 3)},
      {"MID2PDB\tSMF0 Only", std::string("1\0", 2)},
      {"MID2PDB\tSource", std::string(1, '\0')},
      {"PDB2MID\tSource", std::string("C:\\x\xE9.pdb\0", 10)},
  };
  for (const auto& [where, bytes] : expected) {
    std::string section(where, std::string(where).find('\t'));
    std::string name(std::string(where).substr(section.size() + 1));
    auto stored = ReadUserValue(std::string(kSettingsKey) + "\\" + section, name);
    ASSERT_TRUE(stored) << where;
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ)) << where;
    EXPECT_EQ(stored->bytes, bytes) << where;
  }
}

TEST_F(SettingsRegistryTest, SectionThatCannotBeCreatedStopsTheSave) {
  // A volatile settings key refuses lasting subkeys, as a key without the right to create them would.
  ASSERT_TRUE(CreateUserKey(kSettingsKey, REG_OPTION_VOLATILE));
  FakeSettingsForm form;
  EXPECT_EQ(RaisedBy([&] { Save(form); }).text, "Failed to create key MainForm");
  EXPECT_FALSE(UserKeyExists(std::string(kSettingsKey) + "\\MainForm"));
  EXPECT_FALSE(UserKeyExists(std::string(kSettingsKey) + "\\PDB2MID"));
}

TEST_F(SettingsRegistryTest, SaveThenLoadRestoresEverything) {
  FakeSettingsForm closing;
  closing.top = 40;
  closing.left = 50;
  closing.width = 812;
  closing.fields = {"D:\\in.pdb", "D:\\out\\", "E:\\midi", "", std::string(40, 'P')};
  closing.smf0_only = false;
  closing.page = 1;
  Save(closing);
  EXPECT_EQ(SettingTexts("MainForm", {"Status", "Top", "Left", "Height", "Width", "Tab"}),
            (Texts{"1", "40", "50", "317", "812", "1"}));
  EXPECT_EQ(SettingText("MID2PDB", "SMF0 Only"), "0");

  FakeSettingsForm opening;
  opening.backup_lookup = [] { return std::string("C:\\found.pdb"); };
  Load(opening);
  EXPECT_EQ(opening.top, 40);
  EXPECT_EQ(opening.left, 50);
  EXPECT_EQ(opening.width, 812);
  EXPECT_EQ(opening.fields, closing.fields);
  EXPECT_FALSE(opening.smf0_only);
  EXPECT_EQ(opening.page, 1);
}

TEST_F(SettingsRegistryTest, StateCodesAtStartAndClose) {
  SetSettingTexts("MainForm", {"Top", "Width"}, {"10", "900"});
  const struct {
    const char* code;
    bool placement, minimize, maximize;
  } starts[] = {{"0", false, false, false}, {"2", true, true, false}, {"3", true, false, true},
                {"7", true, false, false}};
  for (const auto& c : starts) {
    SetSettingText("MainForm", "Status", c.code);
    FakeSettingsForm form;
    Load(form);
    EXPECT_EQ(form.top, c.placement ? 10 : 120) << c.code;
    EXPECT_EQ(form.width, c.placement ? 900 : 739) << c.code;
    EXPECT_EQ(form.minimize_posted, c.minimize) << c.code;
    EXPECT_EQ(form.maximized, c.maximize) << c.code;
  }

  FakeSettingsForm maximised;
  maximised.state = WindowState::Maximized;
  maximised.top = 0;
  Save(maximised);
  EXPECT_EQ(SettingTexts("MainForm", {"Status", "Top"}), (Texts{"3", "10"}));

  FakeSettingsForm inactive;
  inactive.active = false;
  inactive.top = 77;
  Save(inactive);
  EXPECT_EQ(SettingTexts("MainForm", {"Status", "Top"}), (Texts{"2", "77"}));
}

TEST_F(SettingsRegistryTest, TabFiveSelectsNoPageAndIsStoredBackAsMinusOne) {
  SetSettingText("MainForm", "Tab", "5");
  FakeSettingsForm form;
  Load(form);
  EXPECT_EQ(form.page, -1);
  Save(form);
  EXPECT_EQ(SettingText("MainForm", "Tab"), "-1");
}

TEST_F(SettingsRegistryTest, EmptyStoredSourceStaysEmpty) {
  SetSettingText("PDB2MID", "Source", "");
  FakeSettingsForm form;
  form.backup_lookup = [] { return std::string("C:\\found.pdb"); };
  Load(form);
  EXPECT_EQ(form.field(Field::Edit1), "");
}

TEST_F(SettingsRegistryTest, DwordTopStopsTheLoad) {
  SetSetting("MainForm", "Top", REG_DWORD, std::string("\x0a\0\0\0", 4));
  SetSettingText("MainForm", "Left", "20");
  SetSettingText("MID2PDB", "Palm Name", "Tunes");
  FakeSettingsForm form;
  EXPECT_EQ(RaisedBy([&] { Load(form); }).text, "Invalid data type for 'Top'");
  EXPECT_EQ(form.top, 120);
  EXPECT_EQ(form.left, 240);
  EXPECT_EQ(form.field(Field::Edit5), "");
  EXPECT_FALSE(form.smf0_only);
  EXPECT_EQ(form.page, 1);
}

TEST_F(SettingsRegistryTest, UnopenableSettingsKeyFallsBackToTheRootSilently) {
  // A volatile "Veltro" cannot hold a lasting "Carillo2", so the settings key never opens.
  ASSERT_TRUE(CreateUserKey(kVeltro, REG_OPTION_VOLATILE));
  for (const char* section : {"MainForm", "PDB2MID", "MID2PDB"}) ASSERT_FALSE(UserKeyExists(section)) << section;

  FakeSettingsForm form;
  EXPECT_NO_THROW(Load(form));
  EXPECT_FALSE(UserKeyExists(kSettingsKey));
  EXPECT_EQ(form.field(Field::Edit2), "C:\\");
  form.fields[4] = "Kept";
  EXPECT_NO_THROW(Save(form));
  FakeSettingsForm next;
  EXPECT_NO_THROW(Load(next));
  EXPECT_EQ(next.field(Field::Edit5), "Kept");
  auto stored = ReadUserValue("MID2PDB", "Palm Name");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->bytes, std::string("Kept\0", 5));
  for (const char* section : {"MainForm", "PDB2MID", "MID2PDB"}) DeleteUserKey(section);
}

}  // namespace
