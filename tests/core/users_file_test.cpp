// Reading users.dat images: record layout, the marker scan, the last user and every short file.
#include "desktop/users_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "seams/app_error.h"
#include "support/users_file_image.h"

namespace {

UserEntry Entry(const std::string& name, const std::string& folder, std::uint8_t low = 0x34,
                std::uint8_t high = 0x12) {
  UserEntry entry;
  const std::uint8_t bytes[2] = {low, high};
  std::memcpy(&entry.user_value, bytes, sizeof bytes);
  entry.user_name = name;
  entry.folder_name = folder;
  return entry;
}

// "F12" and the like. (Built by append: GCC 12 warns wrongly about "F" + std::to_string(12).)
std::string Numbered(const char* prefix, std::size_t number) {
  return std::string(prefix).append(std::to_string(number));
}

// The code of the InOutError that parsing raises; 0 when it succeeds.
int ParseErrorCode(const std::vector<std::uint8_t>& image, const std::string& last_user = "") {
  try {
    ParseUsersFile(image, last_user);
  } catch (const InOutError& error) {
    return error.code();
  }
  return 0;
}

TEST(UsersFile, CountZeroGivesNoUsers) {
  for (const std::vector<std::uint8_t>& image :
       {std::vector<std::uint8_t>{0x00}, UsersFileImage({{"Ann", "AnnF"}}, 0)}) {
    UsersList list = ParseUsersFile(image, "Ann");
    EXPECT_TRUE(list.users.empty());
    EXPECT_EQ(list.last_user_index, 0);
  }
}

TEST(UsersFile, EmptyFileIsReadBeyondEnd) {
  EXPECT_EQ(ParseErrorCode({}), kReadBeyondEndOfFile);
  try {
    ParseUsersFile({}, "");
    FAIL();
  } catch (const InOutError& error) {
    EXPECT_STREQ(error.what(), "Read beyond end of file");
  }
}

TEST(UsersFile, OneUserMayEndRightAfterItsIgnoredByte) {
  std::vector<std::uint8_t> image = UsersFileImage({{"Ann", "AnnF", 0xCD, 0xAB, 0x01}});
  ASSERT_EQ(image.size(), 13u + 4 + 1 + 3 + 1 + 4 + 1);
  UsersList list = ParseUsersFile(image, "Ann");
  EXPECT_EQ(list.users, std::vector<UserEntry>{Entry("Ann", "AnnF", 0xCD, 0xAB)});
  EXPECT_EQ(list.last_user_index, 0);
}

TEST(UsersFile, UserValueKeepsTheFileBytes) {
  UsersList list = ParseUsersFile(UsersFileImage({{"A", "B", 0x01, 0xFE}}), "");
  ASSERT_EQ(list.users.size(), 1u);
  std::uint8_t bytes[2];
  std::memcpy(bytes, &list.users[0].user_value, sizeof bytes);
  EXPECT_EQ(bytes[0], 0x01);
  EXPECT_EQ(bytes[1], 0xFE);
}

TEST(UsersFile, MissingIgnoredByteIsReadBeyondEnd) {
  std::vector<std::uint8_t> image = UsersFileImage({{"Ann", "AnnF"}});
  image.pop_back();
  EXPECT_EQ(ParseErrorCode(image, "Ann"), kReadBeyondEndOfFile);
}

TEST(UsersFile, NothingAfterTheLastRecordIsRead) {
  // A lone 0x01 at the end would make a scan fail; after the last user nothing is scanned.
  std::vector<std::uint8_t> image = UsersFileImage({{"Ann", "AnnF", 0x34, 0x12, 0x00, {{0x01}}}});
  EXPECT_EQ(ParseUsersFile(image, "").users.size(), 1u);
}

// Two users with the given bytes after the first one's ignored byte; the second record starts
// right after them only when the scan ends at their last 0x80.
struct SeparatorCase {
  const char* label;
  std::uint8_t ignored;
  std::vector<std::uint8_t> separator;
};

TEST(UsersFile, MarkerScanFindsTheRightPair) {
  const SeparatorCase cases[] = {
      {"plain pair", 0x00, {0x01, 0x80}},
      {"bytes before the pair", 0x00, {0x00, 0x80, 0x7F, 0xFF, 0x02, 0x01, 0x80}},
      {"0x01 takes a 0x01 as partner", 0x00, {0x01, 0x01, 0x80, 0x01, 0x80}},
      {"0x01 takes any partner", 0x00, {0x01, 0x00, 0x80, 0x01, 0x80}},
      {"run of 0x01", 0x00, {0x01, 0x01, 0x01, 0x80}},
      {"ignored 0x01 is not a marker", 0x01, {0x80, 0x01, 0x80}},
      {"lone 0x80", 0x00, {0x80, 0x80, 0x01, 0x80}},
  };
  for (const SeparatorCase& test : cases) {
    SCOPED_TRACE(test.label);
    std::vector<std::uint8_t> image = UsersFileImage(
        {{"Ann", "AnnF", 0x34, 0x12, test.ignored, test.separator}, {"Bob", "BobF", 0x78, 0x56}});
    UsersList list = ParseUsersFile(image, "Bob");
    EXPECT_EQ(list.users, (std::vector<UserEntry>{Entry("Ann", "AnnF"), Entry("Bob", "BobF", 0x78, 0x56)}));
    EXPECT_EQ(list.last_user_index, 1);
  }
}

TEST(UsersFile, MarkerPairThatNeverComesIsReadBeyondEnd) {
  const std::vector<std::uint8_t> separators[] = {{}, {0x00, 0x80}, {0x01}, {0x01, 0x01, 0x80, 0x01}, {0x80, 0x01}};
  for (const std::vector<std::uint8_t>& separator : separators) {
    std::vector<std::uint8_t> image = UsersFileImage({{"Ann", "AnnF", 0x34, 0x12, 0x00, separator}});
    image[0] = 2;
    EXPECT_EQ(ParseErrorCode(image), kReadBeyondEndOfFile) << "separator bytes: " << separator.size();
  }
}

struct LastUserCase {
  const char* label;
  std::vector<std::string> names;
  std::string last_user;
  std::int32_t expected;
};

TEST(UsersFile, LastUserIsTheLastExactMatch) {
  const LastUserCase cases[] = {
      {"first", {"Ann", "Bob", "Cy"}, "Ann", 0},
      {"middle", {"Ann", "Bob", "Cy"}, "Bob", 1},
      {"no match gives the first", {"Ann", "Bob", "Cy"}, "Dee", 0},
      {"later duplicate wins", {"Bob", "Ann", "Bob", "Cy"}, "Bob", 2},
      {"case matters", {"ann", "Ann"}, "Ann", 1},
      {"case matters, other order", {"Ann", "ann"}, "Ann", 0},
      {"lower-case wanted", {"ANN", "Ann"}, "ann", 0},
      {"no prefix match", {"Annabel", "Bob"}, "Ann", 0},
      {"no longer match", {"Bob", "An"}, "Ann", 0},
      {"empty name matches empty last user", {"Ann", "", "Bob"}, "", 1},
      {"empty last user matches nothing else", {"Ann", "Bob"}, "", 0},
      {"zero byte ends the name", {"Bob", std::string("Ann\0xy", 6)}, "Ann", 1},
      {"zero byte ends the last user name", {"Bob", "Ann"}, std::string("Ann\0Bob", 7), 1},
      {"31 characters", {"Bob", std::string(31, 'x')}, std::string(31, 'x'), 1},
      {"long name never matches its first 31", {"Bob", std::string(32, 'x')}, std::string(31, 'x'), 0},
  };
  for (const LastUserCase& test : cases) {
    SCOPED_TRACE(test.label);
    std::vector<UserRecordImage> records;
    for (const std::string& name : test.names) records.push_back({name, Numbered("F", records.size())});
    UsersList list = ParseUsersFile(UsersFileImage(records), test.last_user);
    ASSERT_EQ(list.users.size(), test.names.size());
    EXPECT_EQ(list.last_user_index, test.expected);
  }
}

TEST(UsersFile, EmptyNameAndFolder) {
  UsersList list = ParseUsersFile(UsersFileImage({{"", ""}, {"Bob", ""}}), "Bob");
  EXPECT_EQ(list.users, (std::vector<UserEntry>{Entry("", ""), Entry("Bob", "")}));
  EXPECT_EQ(list.last_user_index, 1);
}

TEST(UsersFile, LongTextsAreReadWholeAndKeptCut) {
  const std::string long_name = std::string(31, 'N') + "overflow";
  const std::string long_folder = std::string(200, 'F') + std::string(55, 'G');
  std::vector<std::uint8_t> image = UsersFileImage(
      {{long_name, long_folder, 0x34, 0x12, 0x00, {{0x01, 0x80}}}, {"Bob", "BobF", 0x78, 0x56}});
  UsersList list = ParseUsersFile(image, "Bob");
  ASSERT_EQ(list.users.size(), 2u);
  EXPECT_EQ(list.users[0].user_name, std::string(31, 'N'));
  EXPECT_EQ(list.users[0].folder_name, std::string(31, 'F'));
  EXPECT_EQ(list.users[1], Entry("Bob", "BobF", 0x78, 0x56));
  EXPECT_EQ(list.last_user_index, 1);
}

TEST(UsersFile, ZeroByteInsideFolderEndsIt) {
  UsersList list = ParseUsersFile(UsersFileImage({{"Ann", std::string("Ann\0Old", 7)}}), "Ann");
  EXPECT_EQ(list.users, std::vector<UserEntry>{Entry("Ann", "Ann")});
}

TEST(UsersFile, MostUsersACountCanName) {
  std::vector<UserRecordImage> records;
  for (std::size_t i = 0; i < 255; ++i) records.push_back({Numbered("U", i), Numbered("F", i)});
  UsersList list = ParseUsersFile(UsersFileImage(records), "U254");
  ASSERT_EQ(list.users.size(), 255u);
  EXPECT_EQ(list.users[200].folder_name, "F200");
  EXPECT_EQ(list.last_user_index, 254);
}

TEST(UsersFile, CountAboveTheRecordsIsReadBeyondEnd) {
  EXPECT_EQ(ParseErrorCode(UsersFileImage({{"Ann", "AnnF"}, {"Bob", "BobF"}}, 3)), kReadBeyondEndOfFile);
}

TEST(UsersFile, EveryTruncationIsReadBeyondEnd) {
  const std::vector<std::uint8_t> images[] = {
      UsersFileImage({{"Ann", "AnnF"}}),
      UsersFileImage({{"Ann", "AnnF", 0x34, 0x12, 0x01, {{0x01, 0x01, 0x80, 0x01, 0x80}}}, {"", "B"}, {"Cy", ""}}),
  };
  for (const std::vector<std::uint8_t>& image : images) {
    ASSERT_EQ(ParseErrorCode(image), 0);
    for (std::size_t length = 0; length < image.size(); ++length) {
      std::vector<std::uint8_t> cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
      EXPECT_EQ(ParseErrorCode(cut), kReadBeyondEndOfFile) << "cut at " << length;
    }
  }
}

// Whatever the bytes, parsing either succeeds within the limits or raises "Read beyond end of
// file"; under the sanitizers this also shows that no byte outside the image is touched. Gives
// whether it succeeded.
bool ExpectCleanOutcome(const std::vector<std::uint8_t>& image, const std::string& last_user) {
  try {
    UsersList list = ParseUsersFile(image, last_user);
    if (image.empty()) {
      ADD_FAILURE() << "an empty image parsed";
      return true;
    }
    EXPECT_EQ(list.users.size(), image[0]);
    EXPECT_GE(list.last_user_index, 0);
    EXPECT_LE(list.last_user_index, std::max(0, static_cast<int>(list.users.size()) - 1));
    for (const UserEntry& user : list.users) {
      EXPECT_LE(user.user_name.size(), kUserTextMaxLength);
      EXPECT_LE(user.folder_name.size(), kUserTextMaxLength);
      EXPECT_EQ(user.user_name.find('\0'), std::string::npos);
      EXPECT_EQ(user.folder_name.find('\0'), std::string::npos);
    }
    return true;
  } catch (const InOutError& error) {
    EXPECT_EQ(error.code(), kReadBeyondEndOfFile);
  }
  return false;
}

TEST(UsersFile, RandomAndFlippedImagesFailCleanly) {
  std::mt19937 random(20240611);
  std::vector<UserRecordImage> records;
  for (int i = 0; i < 6; ++i) {
    records.push_back({std::string(static_cast<std::size_t>(i * 7), 'n'), std::string(static_cast<std::size_t>(i * 9), 'f'),
                       0x34, 0x12, static_cast<std::uint8_t>(i), std::vector<std::uint8_t>{0x01, 0x01, 0x80, 0x01, 0x80}});
  }
  const std::vector<std::uint8_t> seed = UsersFileImage(records);
  std::uniform_int_distribution<int> byte(0, 255);
  int parsed = 0;
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> image = seed;
    const int flips = 1 + round % 8;
    for (int i = 0; i < flips; ++i) {
      std::size_t at = random() % image.size();
      image[at] = round % 2 ? static_cast<std::uint8_t>(image[at] ^ (1u << (random() % 8)))
                            : static_cast<std::uint8_t>(byte(random));
    }
    if (round % 5 == 0) image.resize(random() % (image.size() + 1));
    (ExpectCleanOutcome(image, round % 3 ? "" : std::string(7, 'n')) ? parsed : refused)++;
  }
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> image(random() % 600);
    // Mostly markers and small lengths, so that the scan and the records get exercised.
    for (std::uint8_t& value : image) {
      int pick = byte(random);
      value = pick < 64 ? 0x01 : pick < 128 ? 0x80 : pick < 192 ? static_cast<std::uint8_t>(pick % 8)
                                                                  : static_cast<std::uint8_t>(byte(random));
    }
    (ExpectCleanOutcome(image, "") ? parsed : refused)++;
  }
  // Both outcomes must be common, or the images test little.
  EXPECT_GT(parsed, 500);
  EXPECT_GT(refused, 500);
}

}  // namespace
