#include "profile/code_page_posix.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>

#include "profile/code_page.h"

namespace vireno {

namespace {

// The locales whose ANSI code page under Wine is not 1252, by the name Wine
// gives a POSIX locale ("ll" or "ll-TT"), as Wine's GetLocaleInfoEx answers
// LOCALE_IDEFAULTANSICODEPAGE for them; 65001 (UTF-8) where a locale has no
// ANSI code page. A name Wine does not know (sr-RS, ru-XX) gets 1252, as in
// Wine.
struct CodePageLocales {
  unsigned code_page;
  const char* names;  // each between spaces
};
constexpr CodePageLocales kCodePageLocales[] = {
    {874, " th th-TH "},
    {932, " ja ja-JP "},
    {936, " zh zh-CN zh-SG "},
    {949, " ko ko-KR "},
    {950, " zh-HK zh-MO zh-TW "},
    {1250,
     " bs cs cs-CZ hr hr-BA hr-HR hu hu-HU pl pl-PL ro ro-MD ro-RO sk sk-SK sl sl-SI sq "
     " sq-AL sq-MK sq-XK sr tk tk-TM "},
    {1251,
     " ba ba-RU be be-BY bg bg-BG ky ky-KG mk mk-MK mn mn-MN ru ru-BY ru-KG ru-KZ ru-MD "
     " ru-RU ru-UA sah sah-RU tg tg-TJ tt tt-RU uk uk-UA "},
    {1253, " el el-CY el-GR "},
    {1254, " az tr tr-CY tr-TR uz "},
    {1255, " he he-IL "},
    {1256,
     " ar ar-AE ar-BH ar-DJ ar-DZ ar-EG ar-EH ar-ER ar-IL ar-IQ ar-JO ar-KM ar-KW ar-LB "
     " ar-LY ar-MA ar-MR ar-OM ar-PS ar-QA ar-SA ar-SD ar-SO ar-SS ar-SY ar-TD ar-TN "
     " ar-YE fa fa-IR ku prs prs-AF sd sd-PK ug ug-CN ur ur-IN ur-PK "},
    {1257, " et et-EE lt lt-LT lv lv-LV "},
    {1258, " vi vi-VN "},
    {65001,
     " aa aa-DJ aa-ER aa-ET agq agq-CM ak ak-GH am am-ET as as-IN asa asa-TZ ast ast-ES "
     " bas bas-CM bem bem-ZM bez bez-TZ bm bm-ML bn bn-BD bn-IN bo bo-CN bo-IN brx brx-IN "
     " byn byn-ER ccp ccp-BD ccp-IN ce ce-RU ceb ceb-PH cgg cgg-UG chr chr-US cu cu-RU "
     " dav dav-KE de-IT dje dje-NE doi doi-IN dua dua-CM dv dv-MV dyo dyo-SN dz dz-BT ebu "
     " ebu-KE ee ee-GH ee-TG en-AE en-AT en-BI en-CH en-CY en-DE en-DK en-FI en-IL en-NL "
     " en-SE en-SI eo es-BR es-BZ ewo ewo-CM fo-DK fur fur-IT ga-GB gu gu-IN guz guz-KE "
     " gv gv-GB gv-IM hi hi-IN hy hy-AM ia ii ii-CN it-VA jgo jgo-CM jmc jmc-TZ ka ka-GE "
     " kab kab-DZ kam kam-KE kde kde-TZ kea kea-CV kgp kgp-BR khq khq-ML ki ki-KE kk "
     " kk-KZ kkj kkj-CM kln kln-KE km km-KH kn kn-IN ko-KP kok kok-IN ks ks-IN ksb ksb-TZ "
     " ksf ksf-CM ksh ksh-DE kw kw-GB lag lag-TZ lg lg-UG lkt lkt-US ln ln-AO ln-CD ln-CF "
     " ln-CG lo lo-LA lrc lrc-IQ lrc-IR lu lu-CD luo luo-KE luy luy-KE mai mai-IN mas "
     " mas-KE mas-TZ mer mer-KE mfe mfe-MU mg mg-MG mgh mgh-MZ mgo mgo-CM mi mi-NZ ml "
     " ml-IN mni mni-IN mr mr-IN mt mt-MT mua mua-CM my my-MM mzn mzn-IR naq naq-NA nd "
     " nd-ZW nds nds-DE nds-NL ne ne-IN ne-NP nmg nmg-CM nnh nnh-CM nqo nqo-GN nr nr-ZA "
     " nus nus-SS nyn nyn-UG om om-ET om-KE or or-IN os os-GE os-RU pa pa-IN pcm pcm-NG "
     " ps ps-AF ps-PK pt-CH pt-GQ pt-LU rn rn-BI rof rof-TZ rwk rwk-TZ sa sa-IN saq "
     " saq-KE sat sbp sbp-TZ sc sc-IT seh seh-MZ ses ses-ML sg sg-CF shi si si-LK sn "
     " sn-ZW so so-DJ so-ET so-KE so-SO ss ss-SZ ss-ZA ssy ssy-ER st st-LS st-ZA su syr "
     " syr-SY ta ta-IN ta-LK ta-MY ta-SG te te-IN teo teo-KE teo-UG ti ti-ER ti-ET tig "
     " tig-ER to to-TO ts ts-ZA twq twq-NE tzm-MA vai ve ve-ZA vo vun vun-TZ wae wae-CH "
     " wal wal-ET xog xog-UG yav yav-CM yi yrl yrl-BR yrl-CO yrl-VE yue zgh zgh-MA "},
};

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

  // One byte on its own: its UTF-8, empty where it has none; `incomplete`
  // where the converter takes it for the first of a longer character.
  std::string ConvertByte(unsigned char byte, bool& incomplete) const {
    char in_byte = static_cast<char>(byte);
    char* in = &in_byte;
    std::size_t in_left = 1;
    std::array<char, 16> out_bytes{};
    char* out = out_bytes.data();
    std::size_t out_left = out_bytes.size();
    const bool converted =
        iconv(handle_, &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1);
    incomplete = !converted && errno == EINVAL;
    if (converted) {
      iconv(handle_, nullptr, nullptr, &out, &out_left);  // what it held back
    }
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return converted ? std::string(out_bytes.data(), out_bytes.size() - out_left) : std::string();
  }

 private:
  iconv_t handle_;
};

}  // namespace

unsigned AnsiCodePageForLocale(std::string_view locale) {
  // language[_territory][.codeset][@modifier], named by Wine "language-territory".
  std::string name(locale.substr(0, locale.find_first_of(".@")));
  std::replace(name.begin(), name.end(), '_', '-');
  const std::string key = " " + name + " ";
  for (const CodePageLocales& entry : kCodePageLocales) {
    if (std::string_view(entry.names).find(key) != std::string_view::npos) {
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

namespace {

constexpr unsigned kUtf8 = 65001;
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool IsDoubleByte(unsigned code_page) {
  return code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950;
}

// Bytes that Windows defines and glibc leaves out: undefined bytes from 0x80
// to 0x9F stand for the C1 control of the same number, and these for the
// characters below (measured with MultiByteToWideChar under Wine).
struct WindowsByte {
  unsigned code_page;
  unsigned char byte;
  char16_t character;
};
constexpr WindowsByte kWindowsBytes[] = {
    {874, 0xDB, 0xF8C1},  {874, 0xDC, 0xF8C2},  {874, 0xDD, 0xF8C3},  {874, 0xDE, 0xF8C4},
    {874, 0xFC, 0xF8C5},  {874, 0xFD, 0xF8C6},  {874, 0xFE, 0xF8C7},  {874, 0xFF, 0xF8C8},
    {1253, 0xAA, 0xF8F9}, {1253, 0xD2, 0xF8FA}, {1253, 0xFF, 0xF8FB}, {1255, 0xCA, 0x05BA},
    {1255, 0xD9, 0xF88D}, {1255, 0xDA, 0xF88E}, {1255, 0xDB, 0xF88F}, {1255, 0xDC, 0xF890},
    {1255, 0xDD, 0xF891}, {1255, 0xDE, 0xF892}, {1255, 0xDF, 0xF893}, {1255, 0xFB, 0xF894},
    {1255, 0xFC, 0xF895}, {1255, 0xFF, 0xF896}, {1257, 0xA1, 0xF8FC}, {1257, 0xA5, 0xF8FD}};

std::string Utf8Of(char32_t character) {
  std::string utf8;
  if (character < 0x80) {
    utf8 += static_cast<char>(character);
  } else if (character < 0x800) {
    utf8 += static_cast<char>(0xC0 | (character >> 6));
    utf8 += static_cast<char>(0x80 | (character & 0x3F));
  } else {
    utf8 += static_cast<char>(0xE0 | (character >> 12));
    utf8 += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    utf8 += static_cast<char>(0x80 | (character & 0x3F));
  }
  return utf8;
}

// The UTF-8 of each byte of a single-byte code page; empty for none. Each
// byte is converted alone: glibc would compose a mark with the letter before
// it in 1255 and 1258, and Windows never does.
using ByteTable = std::array<std::string, 256>;
const ByteTable& ByteTableOf(unsigned code_page) {
  static std::mutex mutex;
  static std::map<unsigned, ByteTable> tables;
  const std::lock_guard<std::mutex> lock(mutex);
  auto found = tables.find(code_page);
  if (found == tables.end()) {
    ByteTable table;
    const Converter converter(code_page);
    for (unsigned byte = 0; byte < 256 && converter.valid(); ++byte) {
      bool incomplete = false;
      table[byte] = converter.ConvertByte(static_cast<unsigned char>(byte), incomplete);
      if (table[byte].empty() && byte >= 0x80 && byte <= 0x9F) {
        table[byte] = Utf8Of(byte);
      }
    }
    for (const WindowsByte& entry : kWindowsBytes) {
      if (entry.code_page == code_page) {
        table[entry.byte] = Utf8Of(entry.character);
      }
    }
    found = tables.emplace(code_page, std::move(table)).first;
  }
  return found->second;
}

// The length of the well-formed UTF-8 character at the start of `text`, or 0.
std::size_t Utf8CharacterLength(std::string_view text) {
  const auto byte = [&text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
  const unsigned char lead = byte(0);
  std::size_t size = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;  // the range of the second byte
  if (lead < 0x80) {
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  }
  if (size == 0 || text.size() < size || byte(1) < low || byte(1) > high) {
    return 0;
  }
  for (std::size_t at = 2; at < size; ++at) {
    if (byte(at) < 0x80 || byte(at) > 0xBF) {
      return 0;
    }
  }
  return size;
}

bool DoubleByteToUtf8(std::string_view text, unsigned code_page, std::string& utf8, bool replace) {
  Converter converter(code_page);
  if (!converter.valid()) {
    return false;
  }
  char* in = const_cast<char*>(text.data());  // iconv's interface, never written
  std::size_t in_left = text.size();
  std::array<char, 256> chunk{};
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
      return false;
    }
    utf8 += kReplacement;
    ++in;
    --in_left;
  }
  return true;
}

}  // namespace

bool CodePageToUtf8(std::string_view text, unsigned code_page, std::string& utf8, bool replace) {
  utf8.clear();
  if (IsDoubleByte(code_page)) {
    return DoubleByteToUtf8(text, code_page, utf8, replace);
  }
  const ByteTable* table = code_page == kUtf8 ? nullptr : &ByteTableOf(code_page);
  while (!text.empty()) {
    const std::size_t size = table != nullptr
                                 ? ((*table)[static_cast<unsigned char>(text[0])].empty() ? 0 : 1)
                                 : Utf8CharacterLength(text);
    if (size == 0 && !replace) {
      return false;
    }
    if (size == 0) {
      utf8 += kReplacement;
    } else if (table != nullptr) {
      utf8 += (*table)[static_cast<unsigned char>(text[0])];
    } else {
      utf8 += text.substr(0, size);
    }
    text.remove_prefix(size == 0 ? 1 : size);
  }
  return true;
}

std::size_t CharacterSizeIn(unsigned code_page, unsigned char lead) {
  if (code_page == kUtf8) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  }
  if (!IsDoubleByte(code_page)) {
    return 1;
  }
  static std::mutex mutex;
  static std::map<unsigned, std::array<unsigned char, 256>> sizes;
  const std::lock_guard<std::mutex> lock(mutex);
  auto found = sizes.find(code_page);
  if (found == sizes.end()) {
    std::array<unsigned char, 256> table{};
    const Converter converter(code_page);
    for (unsigned byte = 0; byte < 256; ++byte) {
      // A lead byte alone is an incomplete character to the converter.
      bool incomplete = false;
      if (converter.valid()) {
        converter.ConvertByte(static_cast<unsigned char>(byte), incomplete);
      }
      table[byte] = incomplete ? 2 : 1;
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
