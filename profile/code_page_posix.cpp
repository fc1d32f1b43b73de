#include "profile/code_page_posix.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>

#include "profile/code_page.h"

namespace vireno {

namespace {

// Languages whose Windows systems use another ANSI code page than 1252.
struct LanguageCodePage {
  std::string_view language;
  unsigned code_page;
};
constexpr LanguageCodePage kLanguageCodePages[] = {
    {"ja", 932},  {"ko", 949},  {"th", 874},  {"vi", 1258}, {"cs", 1250}, {"hu", 1250},
    {"pl", 1250}, {"ro", 1250}, {"sk", 1250}, {"sl", 1250}, {"hr", 1250}, {"sq", 1250},
    {"bs", 1250}, {"ru", 1251}, {"uk", 1251}, {"be", 1251}, {"bg", 1251}, {"mk", 1251},
    {"sr", 1251}, {"kk", 1251}, {"ky", 1251}, {"mn", 1251}, {"tt", 1251}, {"el", 1253},
    {"tr", 1254}, {"az", 1254}, {"he", 1255}, {"yi", 1255}, {"ar", 1256}, {"fa", 1256},
    {"ur", 1256}, {"et", 1257}, {"lv", 1257}, {"lt", 1257},
};

// Chinese depends on the territory: Traditional in Taiwan, Hong Kong and Macau.
unsigned ChineseCodePage(std::string_view territory) {
  return territory == "TW" || territory == "HK" || territory == "MO" ? 950 : 936;
}

// A converter from a code page to UTF-8, closed when it goes away.
class Converter {
 public:
  explicit Converter(unsigned code_page)
      : handle_(iconv_open("UTF-8", ("CP" + std::to_string(code_page)).c_str())) {}
  ~Converter() {
    if (valid()) {
      iconv_close(handle_);
    }
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool valid() const { return reinterpret_cast<std::intptr_t>(handle_) != -1; }
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

}  // namespace

unsigned AnsiCodePageForLocale(std::string_view locale) {
  // language[_territory][.codeset][@modifier]
  const std::string_view name = locale.substr(0, locale.find_first_of(".@"));
  const std::string_view language = name.substr(0, name.find('_'));
  const std::string_view territory = name.find('_') == std::string_view::npos
                                         ? std::string_view()
                                         : name.substr(name.find('_') + 1);
  if (language == "zh") {
    return ChineseCodePage(territory);
  }
  if (language == "sr" && locale.find("@latin") != std::string_view::npos) {
    return 1250;
  }
  for (const LanguageCodePage& entry : kLanguageCodePages) {
    if (entry.language == language) {
      return entry.code_page;
    }
  }
  return 1252;
}

unsigned AnsiCodePage() {
  static const unsigned code_page = [] {
    // The order in which the C library looks for the character type's locale.
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') {
        return AnsiCodePageForLocale(value);
      }
    }
    return 1252U;
  }();
  return code_page;
}

bool CodePageToUtf8(std::string_view text, unsigned code_page, std::string& utf8, bool replace) {
  utf8.clear();
  Converter converter(code_page);
  if (!converter.valid()) {
    return false;
  }
  char* in = const_cast<char*>(text.data());  // iconv's interface, never written
  std::size_t in_left = text.size();
  std::array<char, 256> chunk{};
  bool ok = true;
  while (in_left > 0) {
    char* out = chunk.data();
    std::size_t out_left = chunk.size();
    const std::size_t result = iconv(converter.get(), &in, &in_left, &out, &out_left);
    const int error = errno;
    utf8.append(chunk.data(), chunk.size() - out_left);
    if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
      continue;
    }
    // A byte with no character, or a lead byte at the very end.
    if (!replace) {
      ok = false;
      break;
    }
    utf8 += "\xEF\xBF\xBD";
    ++in;
    --in_left;
  }
  if (ok) {
    // Some converters hold back a character to see whether a mark follows.
    char* out = chunk.data();
    std::size_t out_left = chunk.size();
    iconv(converter.get(), nullptr, nullptr, &out, &out_left);
    utf8.append(chunk.data(), chunk.size() - out_left);
  }
  return ok;
}

std::size_t CharacterSizeIn(unsigned code_page, unsigned char lead) {
  static std::mutex mutex;
  static std::map<unsigned, std::array<unsigned char, 256>> sizes;
  const std::lock_guard<std::mutex> lock(mutex);
  auto found = sizes.find(code_page);
  if (found == sizes.end()) {
    std::array<unsigned char, 256> table{};
    const Converter converter(code_page);
    for (unsigned byte = 0; byte < 256; ++byte) {
      table[byte] = 1;
      if (!converter.valid()) {
        continue;
      }
      // A lead byte alone is an incomplete character to the converter.
      char in_byte = static_cast<char>(byte);
      char* in = &in_byte;
      std::size_t in_left = 1;
      std::array<char, 8> out_bytes{};
      char* out = out_bytes.data();
      std::size_t out_left = out_bytes.size();
      if (iconv(converter.get(), &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1) &&
          errno == EINVAL) {
        table[byte] = 2;
      }
      iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    }
    found = sizes.emplace(code_page, table).first;
  }
  return found->second[lead];
}

std::string ToUtf8(std::string_view text) {
  std::string utf8;
  CodePageToUtf8(text, AnsiCodePage(), utf8, true);
  return utf8;
}

std::size_t CharacterSize(std::string_view text) {
  if (text.empty()) {
    return 0;
  }
  const std::size_t size = CharacterSizeIn(AnsiCodePage(), static_cast<unsigned char>(text[0]));
  return size < text.size() ? size : text.size();
}

}  // namespace vireno
