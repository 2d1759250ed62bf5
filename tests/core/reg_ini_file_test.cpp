// The registry INI store over an in-memory registry: integer parsing, reading and writing rules.
#include "settings/reg_ini_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "seams/app_error.h"
#include "support/memory_registry.h"
#include "support/raised_error.h"

namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

const char kKey[] = "SOFTWARE\\Veltro\\Carillo2";
const char kSection[] = "SOFTWARE\\Veltro\\Carillo2\\MainForm";

TEST(ParseInteger, GivesTheValueOrNothing) {
  const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
      {"352", 352}, {"0", 0}, {"-1", -1}, {"+17", 17}, {"-0", 0}, {"007", 7}, {" 12", 12}, {"    -12", -12},
      {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt}, {"99999999999999999999999", std::nullopt}, {"$1F", 31}, {"$1f", 31},
      {"0x1f", 31}, {"0X1F", 31}, {"x1F", 31}, {"X1f", 31}, {" $10", 16}, {"$FFFFFFFF", -1},
      {"$80000000", INT_MIN}, {"$7FFFFFFF", INT_MAX}, {"$00000000001F", 31}, {"$100000000", std::nullopt},
      {"$", std::nullopt}, {"0x", std::nullopt}, {"x", std::nullopt}, {"$1G", std::nullopt},
      {"-$1F", std::nullopt}, {"+0x1F", std::nullopt}, {"0x-1", std::nullopt}, {"abc", std::nullopt},
      {"12abc", std::nullopt}, {"", std::nullopt}, {"   ", std::nullopt}, {"-", std::nullopt},
      {"+", std::nullopt}, {"--1", std::nullopt}, {"12 ", std::nullopt}, {"1 2", std::nullopt},
      {"\t12", std::nullopt}, {"1.5", std::nullopt}, {"1e3", std::nullopt}, {"yes", std::nullopt},
      {"12\r\n", std::nullopt}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ParseInteger(text), expected) << '"' << text << '"';
  }
}

TEST(RegIniFileRead, TextOrDataTypeError) {
  struct {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    const char* text;  // nullptr: the data type error
  } cases[] = {
      {kRegSz, Bytes(std::string_view("abc\0", 4)), "abc"},
      {kRegSz, {0}, ""},
      {kRegSz, {}, ""},
      {kRegSz, Bytes(std::string_view("ab\0cd\0", 6)), "ab"},
      {kRegSz, Bytes("abc"), "abc"},
      {kRegSz, Bytes(std::string_view(" a b \0", 6)), " a b "},
      {kRegExpandSz, Bytes(std::string_view("%TEMP%\\x\0", 9)), "%TEMP%\\x"},
      {kRegSz, {0xE9, 0xFF, 0x80, 0}, "\xE9\xFF\x80"},
      {kRegDword, {}, ""},  // no data: empty text whatever the type
      {kRegDword, {12, 0, 0, 0}, nullptr},
      {kRegBinary, Bytes(std::string_view("12\0", 3)), nullptr},
      {7, Bytes(std::string_view("12\0\0", 4)), nullptr},  // REG_MULTI_SZ
      {0, {'1', 0}, nullptr},                               // REG_NONE
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.type) + ", " + std::to_string(c.data.size()) + " bytes");
    MemoryRegistry registry;
    registry.SetRaw(kSection, "Top", c.type, c.data);
    auto root = registry.Root();
    TRegIniFile store(*root, kKey);
    if (c.text) {
      EXPECT_EQ(store.ReadString("MainForm", "Top", "default"), c.text);
      continue;
    }
    RaisedError raised = RaisedBy([&] { store.ReadString("MainForm", "Top", "default"); });
    EXPECT_EQ(raised.text, "Invalid data type for 'Top'");
  }
}

TEST(RegIniFileRead, MissingKeySectionOrValueGivesDefault) {
  MemoryRegistry registry;
  auto root = registry.Root();
  {
    TRegIniFile store(*root, kKey);
    EXPECT_EQ(store.ReadString("MainForm", "Top", "d"), "d");
    EXPECT_EQ(store.ReadInteger("MainForm", "Top", 42), 42);
  }
  registry.Node(kSection);
  registry.SetString(kKey + std::string("\\PDB2MID"), "Other", "x");
  TRegIniFile store(*root, kKey);
  EXPECT_EQ(store.ReadString("MainForm", "Top", "d"), "d");
  EXPECT_EQ(store.ReadString("PDB2MID", "Source", "d"), "d");
  EXPECT_EQ(store.ReadBool("MID2PDB", "SMF0 Only", true), true);
  EXPECT_EQ(store.ReadBool("MID2PDB", "SMF0 Only", false), false);
}

TEST(RegIniFileRead, IntegerFallsBackToDefaultWhenItDoesNotParse) {
  MemoryRegistry registry;
  registry.SetString(kSection, "A", "abc");
  registry.SetString(kSection, "B", "12abc");
  registry.SetString(kSection, "C", "");
  registry.SetString(kSection, "D", " 12");
  registry.SetString(kSection, "E", "$1F");
  registry.SetRaw(kSection, "F", kRegSz, {});
  registry.SetRaw(kSection, "G", kRegExpandSz, Bytes(std::string_view("-5\0", 3)));
  auto root = registry.Root();
  TRegIniFile store(*root, kKey);
  EXPECT_EQ(store.ReadInteger("MainForm", "A", 7), 7);
  EXPECT_EQ(store.ReadInteger("MainForm", "B", 7), 7);
  EXPECT_EQ(store.ReadInteger("MainForm", "C", 7), 7);
  EXPECT_EQ(store.ReadInteger("MainForm", "D", 7), 12);
  EXPECT_EQ(store.ReadInteger("MainForm", "E", 7), 31);
  EXPECT_EQ(store.ReadInteger("MainForm", "F", 7), 7);
  EXPECT_EQ(store.ReadInteger("MainForm", "G", 7), -5);
}

TEST(RegIniFileRead, FlagIsTrueWhenTheIntegerIsNotZero) {
  struct {
    const char* text;
    bool default_value;
    bool expected;
  } cases[] = {{"2", false, true},  {"-1", false, true}, {"1", false, true},  {"0", true, false},
               {"yes", true, true}, {"yes", false, false}, {"", true, true}, {"$0", true, false},
               {"x10", false, true}};
  MemoryRegistry registry;
  auto root = registry.Root();
  for (const auto& c : cases) {
    registry.SetString(kSection, "Flag", c.text);
    TRegIniFile store(*root, kKey);
    EXPECT_EQ(store.ReadBool("MainForm", "Flag", c.default_value), c.expected) << c.text;
  }
}

TEST(RegIniFileRead, DataTypeErrorNamesTheIdentifierForEveryKindOfRead) {
  MemoryRegistry registry;
  registry.SetRaw(kSection, "Palm Name", kRegDword, {1, 0, 0, 0});
  auto root = registry.Root();
  TRegIniFile store(*root, kKey);
  const std::function<void()> reads[] = {
      [&] { store.ReadString("MainForm", "Palm Name", ""); },
      [&] { store.ReadInteger("MainForm", "Palm Name", 0); },
      [&] { store.ReadBool("MainForm", "Palm Name", true); },
  };
  for (const auto& read : reads) EXPECT_EQ(RaisedBy(read).text, "Invalid data type for 'Palm Name'");
}

TEST(RegIniFileOpen, CreatesTheKeyPathBeforeAnythingIsWritten) {
  MemoryRegistry registry;
  auto root = registry.Root();
  TRegIniFile store(*root, kKey);
  MemoryRegistryNode* key = registry.Find(kKey);
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(key->subkeys.empty());
  EXPECT_TRUE(key->values.empty());
}

TEST(RegIniFileOpen, UnopenableKeyFallsBackToTheRootWithoutComplaint) {
  MemoryRegistry registry;
  registry.Node("SOFTWARE\\Veltro").deny_create = true;
  registry.SetString("MainForm", "Top", "33");
  auto root = registry.Root();
  TRegIniFile store(*root, kKey);
  EXPECT_EQ(registry.Find(kKey), nullptr);
  EXPECT_EQ(store.ReadInteger("MainForm", "Top", 0), 33);
  store.WriteString("PDB2MID", "Source", "a");
  ASSERT_NE(registry.Find("PDB2MID"), nullptr);
  EXPECT_EQ(registry.Find("PDB2MID")->values.at("Source").data, Bytes(std::string_view("a\0", 2)));
}

TEST(RegIniFileWrite, StoresTextWithItsClosingZeroAsRegSz) {
  struct {
    std::function<void(TRegIniFile&)> write;
    const char* ident;
    std::string_view bytes;
  } cases[] = {
      {[](TRegIniFile& s) { s.WriteInteger("MainForm", "A", 352); }, "A", std::string_view("352\0", 4)},
      {[](TRegIniFile& s) { s.WriteInteger("MainForm", "B", 0); }, "B", std::string_view("0\0", 2)},
      {[](TRegIniFile& s) { s.WriteInteger("MainForm", "C", -1); }, "C", std::string_view("-1\0", 3)},
      {[](TRegIniFile& s) { s.WriteInteger("MainForm", "D", INT_MIN); }, "D", std::string_view("-2147483648\0", 12)},
      {[](TRegIniFile& s) { s.WriteBool("MainForm", "E", true); }, "E", std::string_view("1\0", 2)},
      {[](TRegIniFile& s) { s.WriteBool("MainForm", "F", false); }, "F", std::string_view("0\0", 2)},
      {[](TRegIniFile& s) { s.WriteString("MainForm", "G", ""); }, "G", std::string_view("\0", 1)},
      {[](TRegIniFile& s) { s.WriteString("MainForm", "H", " C:\\a b "); }, "H", std::string_view(" C:\\a b \0", 9)},
  };
  MemoryRegistry registry;
  auto root = registry.Root();
  TRegIniFile store(*root, kKey);
  for (const auto& c : cases) {
    c.write(store);
    const RegistryValue& value = registry.Find(kSection)->values.at(c.ident);
    EXPECT_EQ(value.type, kRegSz) << c.ident;
    EXPECT_EQ(value.data, Bytes(c.bytes)) << c.ident;
  }
}

TEST(RegIniFileWrite, ReplacesAValueOfAnotherType) {
  MemoryRegistry registry;
  registry.SetRaw(kSection, "Top", kRegDword, {1, 0, 0, 0});
  auto root = registry.Root();
  TRegIniFile store(*root, kKey);
  store.WriteInteger("MainForm", "Top", 5);
  EXPECT_EQ(store.ReadInteger("MainForm", "Top", 0), 5);
}

TEST(RegIniFileWrite, SectionThatCannotBeCreatedRaises) {
  MemoryRegistry registry;
  registry.Node(kKey).deny_create = true;
  auto root = registry.Root();
  TRegIniFile store(*root, kKey);
  RaisedError raised = RaisedBy([&] { store.WriteInteger("MainForm", "Top", 1); });
  EXPECT_EQ(raised.text, "Failed to create key MainForm");
}

TEST(RegIniFileWrite, ValueThatCannotBeSetRaises) {
  MemoryRegistry registry;
  registry.Node(kSection).deny_set = true;
  auto root = registry.Root();
  TRegIniFile store(*root, kKey);
  RaisedError raised = RaisedBy([&] { store.WriteString("MainForm", "Palm Name", "x"); });
  EXPECT_EQ(raised.text, "Failed to set data for 'Palm Name'");
}

// Lets a section be created but refuses to open it afterwards.
class CreateOnlyKey : public RegistryKey {
 public:
  explicit CreateOnlyKey(std::unique_ptr<RegistryKey> inner) : inner_(std::move(inner)) {}
  std::unique_ptr<RegistryKey> OpenSubKey(const std::string&, RegistryAccess) override { return nullptr; }
  std::unique_ptr<RegistryKey> CreateSubKey(const std::string& path) override {
    auto key = inner_->CreateSubKey(path);
    if (!key) return nullptr;
    return std::make_unique<CreateOnlyKey>(std::move(key));
  }
  std::optional<RegistryValue> QueryValue(const std::string& name) override { return inner_->QueryValue(name); }
  bool SetValue(const std::string& name, std::uint32_t type, std::span<const std::uint8_t> data) override {
    return inner_->SetValue(name, type, data);
  }

 private:
  std::unique_ptr<RegistryKey> inner_;
};

TEST(RegIniFileWrite, SectionCreatedButNotOpenedWritesNothingSilently) {
  MemoryRegistry registry;
  CreateOnlyKey root(registry.Root());
  TRegIniFile store(root, kKey);
  EXPECT_NO_THROW(store.WriteString("MainForm", "Top", "1"));
  ASSERT_NE(registry.Find(kSection), nullptr);
  EXPECT_TRUE(registry.Find(kSection)->values.empty());
  EXPECT_EQ(store.ReadString("MainForm", "Top", "d"), "d");
}

}  // namespace
