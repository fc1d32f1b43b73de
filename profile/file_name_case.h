#pragma once

// File names compared as Windows under Wine compares them: blind to case by
// one table in every locale, never by the process's locale (Turkish pairs i
// with İ, not with I).

#include <string_view>

namespace vireno {

// The capital of `character` as file names match it; itself where it has none.
char32_t FileNameUpperCase(char32_t character);

// Whether two names in UTF-8 name one file: the same letters, whatever their
// case. Names that are not UTF-8 match only byte for byte.
bool FileNamesMatch(std::string_view a, std::string_view b);

}  // namespace vireno
