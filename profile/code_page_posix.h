#pragma once

// The Windows ANSI code page on a POSIX system: the one Wine gives the
// user's locale, so that the native program reads the settings file's bytes
// as the same characters, and opens the same files, as the Windows program.

#include <cstddef>
#include <string>
#include <string_view>

namespace vireno {

// The ANSI code page Wine uses for `locale`, a POSIX locale name such as
// "ja_JP.UTF-8"; 1252 for "C", "POSIX" and languages of Western Europe.
unsigned AnsiCodePageForLocale(std::string_view locale);

// The code page for this process's locale (LC_ALL, LC_CTYPE, LANG), read
// once.
unsigned AnsiCodePage();

// Converts `text`, in code page `code_page`, to UTF-8. Returns false when a
// byte or a pair of bytes has no character in that code page; with
// `replace`, such bytes become U+FFFD instead and the result is true.
bool CodePageToUtf8(std::string_view text, unsigned code_page, std::string& utf8, bool replace);

// Size in bytes of the character whose first byte is `lead` in `code_page`:
// 2 for the lead byte of a double-byte character, otherwise 1.
std::size_t CharacterSizeIn(unsigned code_page, unsigned char lead);

}  // namespace vireno
