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

// Record names and UTF-8 file names, mapped one way and back the same way wherever files carry
// UTF-8 names: the command line on Linux and macOS, and the page in the browser.
//
// The UTF-8 file name for a name made from record text. The five bytes Windows-1252 leaves
// undefined and control characters become "_", as the characters Windows refuses already have.
std::string Utf8NameFromText(const std::string& text);
// The record text for a UTF-8 file name: none when Windows-1252 cannot hold it, and none for a "\",
// which would split it into a directory and a file, or a control character, which no record name
// should carry.
std::optional<std::string> RecordTextFromUtf8Name(const std::string& utf8_name);
// Why RecordTextFromUtf8Name gives none for this name, in plain words.
const char* UnholdableNameReason(const std::string& utf8_name);

// Windows-1252 text as NTFS compares file names: each character upper-cased by Unicode's simple
// mapping; equal keys name one file on Windows (and on macOS's default file system).
std::u32string NtfsNameKey(std::string_view text);

}  // namespace palm
