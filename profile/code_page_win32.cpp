#include "profile/code_page_win32.h"

#include <windows.h>

#include "profile/code_page.h"

namespace vireno {

std::wstring AnsiToUtf16(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  const int size =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string ToUtf8(std::string_view text) {
  const std::wstring wide = AnsiToUtf16(text);
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

std::size_t CharacterSize(std::string_view text) {
  if (text.empty()) {
    return 0;
  }
  static const UINT code_page = GetACP();
  const auto lead = static_cast<unsigned char>(text.front());
  std::size_t size = 1;
  if (code_page == CP_UTF8) {
    size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  } else if (IsDBCSLeadByteEx(code_page, lead)) {
    size = 2;
  }
  return size < text.size() ? size : text.size();
}

}  // namespace vireno
