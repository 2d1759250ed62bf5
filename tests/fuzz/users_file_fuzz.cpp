// libFuzzer entry for the users.dat parser: any bytes must parse or raise Read beyond end of file.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "desktop/users_file.h"
#include "seams/app_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks a last user name, so that matching is exercised too.
  std::string last_user = size > 0 ? std::string(data[0] % 8, 'a') : "";
  try {
    UsersList list = ParseUsersFile({data, size}, last_user);
    if (list.users.size() != data[0]) std::abort();
    const int users = static_cast<int>(list.users.size());
    if (list.last_user_index < 0 || list.last_user_index >= std::max(users, 1)) std::abort();
    for (const UserEntry& user : list.users) {
      if (user.user_name.size() > kUserTextMaxLength || user.folder_name.size() > kUserTextMaxLength) std::abort();
    }
  } catch (const InOutError& error) {
    if (error.code() != kReadBeyondEndOfFile) std::abort();
  }
  return 0;
}
