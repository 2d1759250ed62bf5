// Both programs of this build read back the way Explorer and the loader read them: the version
// resource through GetFileVersionInfoA and VerQueryValueA, the manifest through an activation
// context built from the file.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "carillo_version.h"

namespace {

struct Program {
  const char* name;  // for the test names
  const char* path;
  const char* original_filename;
  const char* internal_name;
  const char* description;
  bool dpi_aware;
};

const Program kPrograms[] = {
    {"Window", CARILLO_APP_EXE, "carillo.exe", "carillo",
     "Carillo for Jinglo: MIDI tunes in and out of Palm OS handhelds", true},
    {"CommandLine", CARILLO_CLI_EXE, "carillo-cli.exe", "carillo-cli",
     "Carillo for Jinglo, command line: MIDI tunes in and out of Palm OS handhelds", false},
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.name; }

// "Version 2.0" of the About box, then this build's number.
std::string ExpectedVersionText() { return "2.0." + std::to_string(CARILLO_VERSION_BUILD) + ".0"; }

std::vector<char> ReadVersionInfo(const char* path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return {};
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path, 0, size, block.data())) return {};
  return block;
}

class ProgramFile : public ::testing::TestWithParam<Program> {};

TEST_P(ProgramFile, FixedVersionFieldsAre2_0_BuildNumber_0OfAnApplication) {
  std::vector<char> block = ReadVersionInfo(GetParam().path);
  ASSERT_FALSE(block.empty()) << GetParam().path << ": no version resource, error " << GetLastError();
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD low = static_cast<DWORD>(CARILLO_VERSION_BUILD) << 16;
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u);
  EXPECT_EQ(fixed->dwProductVersionLS, low);
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);  // no debug, pre-release or private build
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

// Properties finds the texts under the language and code page that the translation table names,
// so they are looked up through it, not under a block name of our own.
TEST_P(ProgramFile, TextsStandUnderTheTranslationTheTableNames) {
  std::vector<char> block = ReadVersionInfo(GetParam().path);
  ASSERT_FALSE(block.empty()) << GetParam().path;
  WORD* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 2 * sizeof(WORD));
  EXPECT_EQ(translation[0], 0x0409);  // US English
  EXPECT_EQ(translation[1], 1252);    // Windows-1252, the ANSI code page of the texts

  char prefix[64];
  wsprintfA(prefix, "\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  const std::string version = ExpectedVersionText();
  const struct {
    const char* key;
    const char* expected;
  } fields[] = {
      {"CompanyName", "Veltro"},
      {"ProductName", "Carillo for Jinglo"},
      {"FileVersion", version.c_str()},
      {"ProductVersion", version.c_str()},
      {"LegalCopyright", "Copyright (c) Veltro. Free to use and to pass on."},  // the About box's line
      {"FileDescription", GetParam().description},
      {"OriginalFilename", GetParam().original_filename},
      {"InternalName", GetParam().internal_name},
  };
  for (const auto& field : fields) {
    char* text = nullptr;
    UINT chars = 0;
    const std::string key = prefix + std::string(field.key);
    ASSERT_TRUE(VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&text), &chars)) << key;
    EXPECT_EQ(std::string(text), field.expected) << key;
  }
}

class ActivationContext {
 public:
  explicit ActivationContext(const char* path) {
    ACTCTXA request{};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path;
    request.lpResourceName = MAKEINTRESOURCEA(1);  // the manifest the loader reads for a program
    handle_ = CreateActCtxA(&request);
  }
  ~ActivationContext() {
    if (handle_ != INVALID_HANDLE_VALUE) ReleaseActCtx(handle_);
  }
  ActivationContext(const ActivationContext&) = delete;
  ActivationContext& operator=(const ActivationContext&) = delete;

  HANDLE handle() const { return handle_; }

  std::vector<unsigned char> Query(ULONG info_class) const {
    SIZE_T size = 0;
    QueryActCtxW(0, handle_, nullptr, info_class, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !QueryActCtxW(0, handle_, nullptr, info_class, buffer.data(), size, &size)) return {};
    return buffer;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

bool Contains(const std::vector<unsigned char>& bytes, const GUID& id) {
  if (bytes.size() < sizeof(id)) return false;
  for (std::size_t at = 0; at + sizeof(id) <= bytes.size(); ++at) {
    if (std::memcmp(bytes.data() + at, &id, sizeof(id)) == 0) return true;
  }
  return false;
}

TEST_P(ProgramFile, ManifestRunsAsInvokerOnWindows7To11WithNoOtherAssembly) {
  ActivationContext context(GetParam().path);
  ASSERT_NE(context.handle(), INVALID_HANDLE_VALUE) << "no usable manifest, error " << GetLastError();

  std::vector<unsigned char> run_level = context.Query(RunlevelInformationInActivationContext);
  ASSERT_GE(run_level.size(), sizeof(ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION));
  ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
  std::memcpy(&level, run_level.data(), sizeof(level));
  EXPECT_EQ(level.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
  EXPECT_EQ(level.UiAccess, 0u);

  // The element layout differs between SDKs; the count leads and the ids are searched for.
  std::vector<unsigned char> compatibility = context.Query(CompatibilityInformationInActivationContext);
  ASSERT_GE(compatibility.size(), sizeof(DWORD));
  DWORD count = 0;
  std::memcpy(&count, compatibility.data(), sizeof(count));
  EXPECT_EQ(count, 4u);
  const struct {
    const char* system;
    GUID id;
  } systems[] = {
      {"Windows 7", {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}}},
      {"Windows 8", {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}}},
      {"Windows 8.1", {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}}},
      {"Windows 10 and 11", {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}}},
  };
  for (const auto& system : systems) EXPECT_TRUE(Contains(compatibility, system.id)) << system.system;

  // The program's own assembly only: a Common Controls 6 dependency would be a second one.
  std::vector<unsigned char> detail = context.Query(ActivationContextDetailedInformation);
  ASSERT_GE(detail.size(), sizeof(ACTIVATION_CONTEXT_DETAILED_INFORMATION));
  ACTIVATION_CONTEXT_DETAILED_INFORMATION information{};
  std::memcpy(&information, detail.data(), sizeof(information));
  EXPECT_EQ(information.ulAssemblyCount, 1u);
}

TEST_P(ProgramFile, OnlyTheWindowDeclaresSystemDpiAwareness) {
  // Vista and later; looked up so that the build may keep targeting older headers.
  using QuerySettings = BOOL(WINAPI*)(DWORD, HANDLE, PCWSTR, PCWSTR, PWSTR, SIZE_T, SIZE_T*);
  const auto query = reinterpret_cast<QuerySettings>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW")));
  ASSERT_NE(query, nullptr);
  ActivationContext context(GetParam().path);
  ASSERT_NE(context.handle(), INVALID_HANDLE_VALUE) << GetLastError();

  wchar_t value[32] = {};
  SIZE_T written = 0;
  const BOOL found = query(0, context.handle(), nullptr, L"dpiAware", value, 32, &written);
  if (GetParam().dpi_aware) {
    ASSERT_TRUE(found) << GetLastError();
    EXPECT_EQ(std::wstring(value), L"true");
  } else {
    EXPECT_FALSE(found);
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramFile, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& param) { return std::string(param.param.name); });

}  // namespace
