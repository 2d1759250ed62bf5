// Palm text is Windows-1252; terminals and POSIX file names speak UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace palm {

// Windows-1252 bytes as UTF-8. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) have no character: they become `undefined`, or are kept as their C1 code points when
// `undefined` is 0.
std::string PalmTextToUtf8(std::string_view text, char undefined = 0);

// UTF-8 as Windows-1252, composing a letter and a following combining accent into the one
// precomposed letter that the code page holds (macOS hands out decomposed names). nullopt when the
// text is not valid UTF-8 or holds a character the code page cannot.
std::optional<std::string> Utf8ToPalmText(std::string_view text);

}  // namespace palm
