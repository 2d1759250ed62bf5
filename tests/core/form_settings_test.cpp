// The main window's settings load and save: every registry and window step in order, the defaults,
// the window state codes and where an error stops them.
#include "settings/form_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>

#include "seams/app_error.h"
#include "support/fake_settings_form.h"
#include "support/memory_registry.h"
#include "support/raised_error.h"

namespace {

using Log = std::vector<std::string>;

const char kKey[] = "SOFTWARE\\Veltro\\Carillo2";

std::string Section(const std::string& name) { return std::string(kKey) + "\\" + name; }

// Passes every call to a key of the in-memory registry and logs it, with each key's closing.
class RecordingKey : public RegistryKey {
 public:
  RecordingKey(std::unique_ptr<RegistryKey> inner, std::string name, Log* log)
      : inner_(std::move(inner)), name_(std::move(name)), log_(log) {}
  ~RecordingKey() override {
    if (!name_.empty()) log_->push_back("close " + name_);
  }
  RecordingKey(const RecordingKey&) = delete;
  RecordingKey& operator=(const RecordingKey&) = delete;

  std::unique_ptr<RegistryKey> OpenSubKey(const std::string& path, RegistryAccess access) override {
    log_->push_back(std::string("open ") + path + (access == RegistryAccess::All ? "" : " read-only"));
    return Wrap(inner_->OpenSubKey(path, access), path);
  }
  std::unique_ptr<RegistryKey> CreateSubKey(const std::string& path) override {
    log_->push_back("create " + path);
    return Wrap(inner_->CreateSubKey(path), path);
  }
  std::optional<RegistryValue> QueryValue(const std::string& name) override {
    log_->push_back("query " + name);
    return inner_->QueryValue(name);
  }
  bool SetValue(const std::string& name, std::uint32_t type, std::span<const std::uint8_t> data) override {
    std::string text(data.begin(), data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    log_->push_back("set " + name + " " + text);
    return inner_->SetValue(name, type, data);
  }

 private:
  std::unique_ptr<RegistryKey> Wrap(std::unique_ptr<RegistryKey> key, const std::string& name) {
    if (!key) return nullptr;
    return std::make_unique<RecordingKey>(std::move(key), name, log_);
  }

  std::unique_ptr<RegistryKey> inner_;
  std::string name_;
  Log* log_;
};

// Expected log lines, built from the steps they stand for.
void Add(Log& log, std::initializer_list<std::string> lines) { log.insert(log.end(), lines); }
void AddRead(Log& log, const std::string& section, const std::string& ident, bool section_exists = true) {
  log.push_back("open " + section);
  if (section_exists) Add(log, {"query " + ident, "close " + section});
}
void AddWrite(Log& log, const std::string& section, const std::string& ident, const std::string& text) {
  Add(log, {"create " + section, "close " + section, "open " + section, "set " + ident + " " + text,
            "close " + section});
}

// A whole load in its order: the placement read and set to `placement` (top, left, height, width),
// the look-up, each field read and then `applied`, the page selected; `stored`: the sections exist.
Log ExpectedLoad(bool stored, const std::array<const char*, 4>& placement, const std::array<const char*, 6>& applied,
                 const std::string& select) {
  Log expected;
  Add(expected, {std::string("create ") + kKey});
  AddRead(expected, "MainForm", "Status", stored);
  const char* const placement_idents[] = {"Top", "Left", "Height", "Width"};
  for (std::size_t i = 0; i < placement.size(); ++i) {
    expected.push_back(std::string("get ") + placement_idents[i]);
    AddRead(expected, "MainForm", placement_idents[i], stored);
    expected.push_back(std::string("set ") + placement_idents[i] + " " + placement[i]);
  }
  expected.push_back("FindDefaultBackupPath");
  const std::pair<const char*, const char*> fields[] = {{"PDB2MID", "Source"},      {"PDB2MID", "Destination"},
                                                        {"MID2PDB", "Source"},      {"MID2PDB", "Destination"},
                                                        {"MID2PDB", "Palm Name"},   {"MID2PDB", "SMF0 Only"}};
  for (std::size_t i = 0; i < applied.size(); ++i) {
    AddRead(expected, fields[i].first, fields[i].second, stored);
    expected.push_back(applied[i]);
  }
  AddRead(expected, "MainForm", "Tab", stored);
  Add(expected, {select, std::string("close ") + kKey});
  return expected;
}

class FormSettingsTest : public testing::Test {
 protected:
  void Load() { LoadFormSettings(root, form); }
  void Save() { SaveFormSettings(root, form); }
  std::string Stored(const std::string& section, const std::string& ident) {
    MemoryRegistryNode* node = registry.Find(Section(section));
    if (!node || !node->values.count(ident)) return "<absent>";
    const RegistryValue& value = node->values.at(ident);
    EXPECT_EQ(value.type, kRegSz);
    EXPECT_FALSE(value.data.empty());
    EXPECT_EQ(value.data.back(), 0);
    return std::string(value.data.begin(), value.data.end() - 1);
  }
  void StoreAll() {
    const char* const stored[][3] = {
        {"MainForm", "Status", "1"},
        {"MainForm", "Top", "10"},
        {"MainForm", "Left", "20"},
        {"MainForm", "Height", "317"},
        {"MainForm", "Width", "800"},
        {"PDB2MID", "Source", "D:\\in.pdb"},
        {"PDB2MID", "Destination", "D:\\out"},
        {"MID2PDB", "Source", "E:\\tunes"},
        {"MID2PDB", "Destination", "E:\\tunes.pdb"},
        {"MID2PDB", "Palm Name", "Tunes"},
        {"MID2PDB", "SMF0 Only", "0"},
        {"MainForm", "Tab", "1"},
    };
    for (const auto& [section, ident, text] : stored) registry.SetString(Section(section), ident, text);
  }

  Log log;
  MemoryRegistry registry;
  RecordingKey root{registry.Root(), "", &log};
  FakeSettingsForm form{&log};
};

TEST_F(FormSettingsTest, FirstStartCreatesTheKeyAndGivesEveryDefault) {
  form.backup_lookup = [] { return std::string("C:\\Palm\\Ann\\Backup\\System_MIDI_Sounds.pdb"); };
  Load();

  EXPECT_EQ(log, ExpectedLoad(false, {"120", "240", "317", "739"},
                              {"set Edit1 C:\\Palm\\Ann\\Backup\\System_MIDI_Sounds.pdb", "set Edit2 C:\\",
                               "set Edit3 C:\\", "set Edit4 C:\\My_MIDI_Database.pdb", "set Edit5 My MIDI Database",
                               "set SMF0 1"},
                              "select 0"));

  MemoryRegistryNode* key = registry.Find(kKey);
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(key->subkeys.empty()) << "no section before the first save";
  EXPECT_EQ(form.page, 0);
  EXPECT_FALSE(form.minimize_posted);
  EXPECT_FALSE(form.maximized);
}

TEST_F(FormSettingsTest, LoadAppliesEveryStoredSettingInOrder) {
  StoreAll();
  form.backup_lookup = [] { return std::string("C:\\found.pdb"); };
  Load();

  EXPECT_EQ(log, ExpectedLoad(true, {"10", "20", "317", "800"},
                              {"set Edit1 D:\\in.pdb", "set Edit2 D:\\out", "set Edit3 E:\\tunes",
                               "set Edit4 E:\\tunes.pdb", "set Edit5 Tunes", "set SMF0 0"},
                              "select 1"));
}

TEST_F(FormSettingsTest, StateCodeDecidesPlacementAndState) {
  struct {
    const char* code;
    bool placement;
    bool minimize;
    bool maximize;
  } cases[] = {{"0", false, false, false}, {"1", true, false, false}, {"2", true, true, false},
               {"3", true, false, true},   {"7", true, false, false}, {"-1", true, false, false},
               {"abc", true, false, false}};
  for (const auto& c : cases) {
    StoreAll();
    registry.SetString(Section("MainForm"), "Status", c.code);
    FakeSettingsForm fresh;
    LoadFormSettings(root, fresh);
    EXPECT_EQ(fresh.top, c.placement ? 10 : 120) << c.code;
    EXPECT_EQ(fresh.width, c.placement ? 800 : 739) << c.code;
    EXPECT_EQ(fresh.minimize_posted, c.minimize) << c.code;
    EXPECT_EQ(fresh.maximized, c.maximize) << c.code;
    EXPECT_EQ(fresh.field(Field::Edit5), "Tunes") << c.code;
    EXPECT_EQ(fresh.page, 1) << c.code;
  }
}

TEST_F(FormSettingsTest, StateChangeFollowsThePlacementAndPrecedesTheLookup) {
  registry.SetString(Section("MainForm"), "Status", "2");
  Load();
  auto at = [&](const std::string& line) { return std::find(log.begin(), log.end(), line) - log.begin(); };
  EXPECT_LT(at("set Width 739"), at("PostMinimize"));
  EXPECT_LT(at("PostMinimize"), at("FindDefaultBackupPath"));

  log.clear();
  registry.SetString(Section("MainForm"), "Status", "3");
  FakeSettingsForm fresh(&log);
  LoadFormSettings(root, fresh);
  EXPECT_LT(at("set Width 739"), at("SetMaximized"));
  EXPECT_LT(at("SetMaximized"), at("FindDefaultBackupPath"));
}

TEST_F(FormSettingsTest, CodeZeroReadsNoPlacement) {
  StoreAll();
  registry.SetString(Section("MainForm"), "Status", "0");
  Load();
  for (const char* line : {"query Top", "query Left", "query Height", "query Width", "get Top", "set Top 10"}) {
    EXPECT_EQ(std::count(log.begin(), log.end(), line), 0) << line;
  }
}

TEST_F(FormSettingsTest, UnparsablePlacementKeepsTheWindowsValues) {
  registry.SetString(Section("MainForm"), "Top", "abc");
  registry.SetString(Section("MainForm"), "Left", "12abc");
  registry.SetString(Section("MainForm"), "Height", "");
  registry.SetString(Section("MainForm"), "Width", " 900");
  Load();
  EXPECT_EQ(form.top, 120);
  EXPECT_EQ(form.left, 240);
  EXPECT_EQ(form.height, 317);
  EXPECT_EQ(form.width, 900);
}

TEST_F(FormSettingsTest, EmptyStoredSourceStaysEmptyAlthoughTheLookupFindsAPath) {
  registry.SetString(Section("PDB2MID"), "Source", "");
  form.backup_lookup = [] { return std::string("C:\\found.pdb"); };
  Load();
  EXPECT_EQ(form.field(Field::Edit1), "");
  EXPECT_EQ(std::count(log.begin(), log.end(), "FindDefaultBackupPath"), 1) << "looked up at every start";
}

TEST_F(FormSettingsTest, LongPalmNameIsSetWhole) {
  const std::string name(40, 'N');
  registry.SetString(Section("MID2PDB"), "Palm Name", name);
  Load();
  EXPECT_EQ(form.field(Field::Edit5), name);
}

TEST_F(FormSettingsTest, SmfFlagReadsAsAnInteger) {
  const std::pair<const char*, bool> cases[] = {{"2", true}, {"-1", true}, {"0", false}, {"yes", true}, {"1", true}};
  for (const auto& [text, checked] : cases) {
    registry.SetString(Section("MID2PDB"), "SMF0 Only", text);
    FakeSettingsForm fresh;
    LoadFormSettings(root, fresh);
    EXPECT_EQ(fresh.smf0_only, checked) << text;
  }
}

TEST_F(FormSettingsTest, TabOutsideTheTwoPagesSelectsNoneAndIsStoredAsMinusOne) {
  registry.SetString(Section("MainForm"), "Tab", "5");
  Load();
  EXPECT_EQ(form.page, -1);
  Save();
  EXPECT_EQ(Stored("MainForm", "Tab"), "-1");
  FakeSettingsForm next;
  LoadFormSettings(root, next);
  EXPECT_EQ(next.page, -1);

  next.page = 2;  // no such page: stored as none
  SaveFormSettings(root, next);
  EXPECT_EQ(Stored("MainForm", "Tab"), "-1");
}

TEST_F(FormSettingsTest, DwordTopStopsTheLoadThere) {
  StoreAll();
  registry.SetRaw(Section("MainForm"), "Top", kRegDword, {10, 0, 0, 0});
  RaisedError raised = RaisedBy([&] { Load(); });
  EXPECT_EQ(raised.text, "Invalid data type for 'Top'");
  Log expected;
  Add(expected, {std::string("create ") + kKey});
  AddRead(expected, "MainForm", "Status");
  expected.push_back("get Top");
  AddRead(expected, "MainForm", "Top");
  expected.push_back(std::string("close ") + kKey);
  EXPECT_EQ(log, expected);
  EXPECT_EQ(form.top, 120);
  EXPECT_EQ(form.field(Field::Edit2), "");
  EXPECT_FALSE(form.smf0_only);
  EXPECT_EQ(form.page, 1);
}

TEST_F(FormSettingsTest, ErrorLaterInTheLoadKeepsWhatWasApplied) {
  StoreAll();
  registry.SetRaw(Section("MID2PDB"), "Palm Name", kRegBinary, {'A', 0});
  EXPECT_THROW(Load(), AppError);
  EXPECT_EQ(form.width, 800);
  EXPECT_EQ(form.field(Field::Edit4), "E:\\tunes.pdb");
  EXPECT_EQ(form.field(Field::Edit5), "");
  EXPECT_FALSE(form.smf0_only);
  EXPECT_EQ(form.page, 1);
  EXPECT_EQ(log.back(), std::string("close ") + kKey);
}

TEST_F(FormSettingsTest, LookupErrorStopsTheLoadBeforeTheFields) {
  StoreAll();
  registry.SetString(Section("MainForm"), "Status", "2");
  form.backup_lookup = []() -> std::string { throw InOutError(kFileNotOpen); };
  RaisedError raised = RaisedBy([&] { Load(); });
  EXPECT_EQ(raised.text, "I/O error 103");
  EXPECT_EQ(form.top, 10);
  EXPECT_TRUE(form.minimize_posted);
  for (const std::string& text : form.fields) EXPECT_EQ(text, "");
  EXPECT_EQ(log.back(), std::string("close ") + kKey);
}

TEST_F(FormSettingsTest, SaveWritesEverythingInOrder) {
  form.top = 11;
  form.left = 22;
  form.height = 317;
  form.width = 600;
  form.fields = {"a.pdb", "b\\", "", "d.pdb", "A name longer than thirty-one chars"};
  form.smf0_only = true;
  form.page = 0;
  Save();

  Log expected;
  Add(expected, {std::string("create ") + kKey, "get State", "get Top"});
  AddWrite(expected, "MainForm", "Top", "11");
  expected.push_back("get Left");
  AddWrite(expected, "MainForm", "Left", "22");
  expected.push_back("get Height");
  AddWrite(expected, "MainForm", "Height", "317");
  expected.push_back("get Width");
  AddWrite(expected, "MainForm", "Width", "600");
  expected.push_back("get Active");
  AddWrite(expected, "MainForm", "Status", "1");
  expected.push_back("get Edit1");
  AddWrite(expected, "PDB2MID", "Source", "a.pdb");
  expected.push_back("get Edit2");
  AddWrite(expected, "PDB2MID", "Destination", "b\\");
  expected.push_back("get Edit3");
  AddWrite(expected, "MID2PDB", "Source", "");
  expected.push_back("get Edit4");
  AddWrite(expected, "MID2PDB", "Destination", "d.pdb");
  expected.push_back("get Edit5");
  AddWrite(expected, "MID2PDB", "Palm Name", "A name longer than thirty-one chars");
  expected.push_back("get SMF0");
  AddWrite(expected, "MID2PDB", "SMF0 Only", "1");
  expected.push_back("get Page");
  AddWrite(expected, "MainForm", "Tab", "0");
  expected.push_back(std::string("close ") + kKey);
  EXPECT_EQ(log, expected);
  EXPECT_EQ(Stored("MID2PDB", "Source"), "");
}

TEST_F(FormSettingsTest, SaveChoosesTheCodeFromStateAndActivation) {
  struct {
    WindowState state;
    bool active;
    const char* code;
    bool placement;
  } cases[] = {{WindowState::Normal, true, "1", true},      {WindowState::Minimized, true, "2", false},
               {WindowState::Maximized, true, "3", false},  {WindowState::Normal, false, "2", true},
               {WindowState::Minimized, false, "2", false}, {WindowState::Maximized, false, "2", false}};
  for (const auto& c : cases) {
    MemoryRegistry fresh_registry;
    auto fresh_root = fresh_registry.Root();
    FakeSettingsForm window;
    window.state = c.state;
    window.active = c.active;
    window.top = -5;
    SaveFormSettings(*fresh_root, window);
    MemoryRegistryNode* main_form = fresh_registry.Find(Section("MainForm"));
    ASSERT_NE(main_form, nullptr);
    std::string code(main_form->values.at("Status").data.begin(), main_form->values.at("Status").data.end() - 1);
    EXPECT_EQ(code, c.code) << static_cast<int>(c.state) << c.active;
    for (const char* ident : {"Top", "Left", "Height", "Width"}) {
      EXPECT_EQ(main_form->values.count(ident), c.placement ? 1u : 0u) << ident << static_cast<int>(c.state);
    }
    if (c.placement) {
      EXPECT_EQ(main_form->values.at("Top").data, (std::vector<std::uint8_t>{'-', '5', 0}));
    }
  }
}

TEST_F(FormSettingsTest, MaximisedCloseKeepsTheLastNormalPlacement) {
  form.top = 50;
  form.width = 700;
  Save();
  form.state = WindowState::Maximized;
  form.top = 0;
  form.width = 1920;
  Save();
  EXPECT_EQ(Stored("MainForm", "Status"), "3");
  FakeSettingsForm next;
  LoadFormSettings(root, next);
  EXPECT_EQ(next.top, 50);
  EXPECT_EQ(next.width, 700);
  EXPECT_TRUE(next.maximized);
  EXPECT_FALSE(next.minimize_posted);
}

TEST_F(FormSettingsTest, RoundTripRestoresEveryField) {
  form.top = 33;
  form.left = 44;
  form.width = 555;
  form.active = false;
  form.fields = {"a", "b", "c", "d", std::string(40, 'e')};
  form.smf0_only = false;
  form.page = 1;
  Save();
  FakeSettingsForm next;
  next.backup_lookup = [] { return std::string("C:\\found.pdb"); };
  LoadFormSettings(root, next);
  EXPECT_EQ(next.top, 33);
  EXPECT_EQ(next.left, 44);
  EXPECT_EQ(next.width, 555);
  EXPECT_TRUE(next.minimize_posted);
  EXPECT_EQ(next.fields, form.fields);
  EXPECT_FALSE(next.smf0_only);
  EXPECT_EQ(next.page, 1);
}

TEST_F(FormSettingsTest, SaveFailureStopsThereAndTheNextSaveStartsOver) {
  registry.Node(Section("MID2PDB")).deny_set = true;
  form.fields = {"a", "b", "c", "d", "e"};
  RaisedError raised = RaisedBy([&] { Save(); });
  EXPECT_EQ(raised.text, "Failed to set data for 'Source'");
  EXPECT_EQ(Stored("PDB2MID", "Destination"), "b");
  EXPECT_EQ(Stored("MID2PDB", "Palm Name"), "<absent>");
  EXPECT_EQ(Stored("MainForm", "Tab"), "<absent>");
  EXPECT_EQ(log.back(), std::string("close ") + kKey);

  registry.Node(Section("MID2PDB")).deny_set = false;
  log.clear();
  Save();
  EXPECT_EQ(log.front(), std::string("create ") + kKey);
  EXPECT_EQ(Stored("MID2PDB", "Palm Name"), "e");
  EXPECT_EQ(Stored("MainForm", "Tab"), "1");
}

TEST_F(FormSettingsTest, SectionThatCannotBeCreatedStopsTheSave) {
  registry.Node(kKey).deny_create = true;
  RaisedError raised = RaisedBy([&] { Save(); });
  EXPECT_EQ(raised.text, "Failed to create key MainForm");
  EXPECT_EQ(Stored("MainForm", "Top"), "<absent>");
}

TEST_F(FormSettingsTest, SaveCreatesAMissingKeyPath) {
  Save();
  ASSERT_NE(registry.Find(kKey), nullptr);
  EXPECT_EQ(registry.Find(kKey)->subkeys.size(), 3u);
  EXPECT_EQ(Stored("MainForm", "Status"), "1");
}

}  // namespace
