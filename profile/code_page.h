#pragma once

// Text in the system's 8-bit (ANSI) code page, the encoding of every name
// the program reads from its files.

#include <cstddef>
#include <string>
#include <string_view>

namespace vireno {

// `text`, in the system's 8-bit code page, as UTF-8; what has no character
// there shows as U+FFFD.
std::string ToUtf8(std::string_view text);

// Size in bytes of the character that begins `text`, in the system's 8-bit
// code page (2 for the lead byte of a double-byte character, otherwise 1).
std::size_t CharacterSize(std::string_view text);

// The most bytes one character can take in any code page the system may use
// (UTF-8 takes up to four).
inline constexpr std::size_t kMaxCharacterSize = 4;

}  // namespace vireno
