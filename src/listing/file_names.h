// Record names (Windows-1252) and UTF-8 file names, mapped one way and back the same way wherever
// files carry UTF-8 names: the command line on Linux and macOS, and the page in the browser.
#pragma once

#include <optional>
#include <string>

// The UTF-8 file name for a name made from record text. The five bytes Windows-1252 leaves
// undefined and control characters become "_", as the characters Windows refuses already have.
std::string Utf8NameFromText(const std::string& text);

// The record text for a UTF-8 file name: none when Windows-1252 cannot hold it, and none for a "\",
// which would split it into a directory and a file, or a control character, which no record name
// should carry.
std::optional<std::string> RecordTextFromUtf8Name(const std::string& utf8_name);
// Why RecordTextFromUtf8Name gives none for this name, in plain words.
const char* UnholdableNameReason(const std::string& utf8_name);
