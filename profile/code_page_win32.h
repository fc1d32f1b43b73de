#pragma once

#include <string>
#include <string_view>

namespace vireno {

// Text in the ANSI code page as UTF-16, for the wide-character API, so that
// names in that code page work whatever the C runtime's locale.
std::wstring AnsiToUtf16(std::string_view text);

}  // namespace vireno
