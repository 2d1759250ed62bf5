#include "seams/app_error.h"

#include <new>

std::string InOutErrorText(int code) {
  switch (code) {
    case kFileNotFound: return "File not found";
    case kInvalidFilename: return "Invalid filename";
    case kTooManyOpenFiles: return "Too many open files";
    case kFileAccessDenied: return "File access denied";
    case kReadBeyondEndOfFile: return "Read beyond end of file";
    case kDiskFull: return "Disk full";
    default: return "I/O error " + std::to_string(code);
  }
}

InOutError::InOutError(int code) : AppError(InOutErrorText(code)), code_(code) {}

std::string GeneralErrorText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
  return text;
}

std::string FailureText(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::bad_alloc&) {
    return "Out of memory";
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "Unexpected failure";
  }
}

std::string FailedPath(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const InOutError& error) {
    return error.path();
  } catch (...) {
    return "";
  }
}
