// Palm text is Windows-1252; terminals and POSIX file names speak UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Why a file name cannot become a record's: "\\" separates a path's parts on Windows, and a
// control character has no business in a name the handheld shows.
inline constexpr char kNameWithBackslash[] = "a name with \"\\\" cannot be a record's";
inline constexpr char kNameWithControl[] = "a control character cannot be in a record name";

namespace palm {

// Windows-1252 bytes as UTF-8. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) have no character: they become `undefined`, or are kept as their C1 code points when
// `undefined` is 0.
std::string PalmTextToUtf8(std::string_view text, char undefined = 0);

// UTF-8 as Windows-1252, composing a letter and a following combining accent into the one
// precomposed letter that the code page holds (macOS hands out decomposed names). nullopt when the
// text is not valid UTF-8 or holds a character the code page cannot.
std::optional<std::string> Utf8ToPalmText(std::string_view text);

// Windows-1252 text as NTFS compares file names: each character upper-cased by Unicode's simple
// mapping; equal keys name one file on Windows (and on macOS's default file system).
std::u32string NtfsNameKey(std::string_view text);

}  // namespace palm
