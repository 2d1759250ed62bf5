// The errors that end a command and reach the general error report, with their texts.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

// A failure that no command handles itself; what() is the text the user sees.
class AppError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int kFileNotFound = 2;
inline constexpr int kInvalidFilename = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kFileAccessDenied = 5;
inline constexpr int kFileNotOpen = 103;
inline constexpr int kReadBeyondEndOfFile = 100;  // a read returned fewer bytes than asked
inline constexpr int kDiskFull = 101;             // a write stored fewer bytes than asked

// Directory creation failing for a path that cannot be one, for either command.
inline constexpr char kUnableToCreateDirectory[] = "Unable to create directory";

// "File not found", "Read beyond end of file", ..., "I/O error %d" for any other code.
std::string InOutErrorText(int code);

// A file operation that failed, with the operating system's code or one of the codes above.
class InOutError : public AppError {
 public:
  explicit InOutError(int code);
  // The same failure, naming the file it befell; what() stays the window's text.
  InOutError(int code, std::string path) : InOutError(code) { path_ = std::move(path); }
  int code() const { return code_; }
  const std::string& path() const { return path_; }  // empty when not known

 private:
  int code_;
  std::string path_;
};

// What the general error report says of a failure that ended a command: the text of an AppError
// (an I/O error's included), "Out of memory", any other exception's own text, or "Unexpected
// failure" for what is no exception at all.
std::string FailureText(std::exception_ptr failure);
// The file a failure befell, when it is known.
std::string FailedPath(std::exception_ptr failure);

// The text of the general error report: a full stop is added when the text is not empty and its
// last character comes after "." in character-code order.
std::string GeneralErrorText(std::string_view message);
