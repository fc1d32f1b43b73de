#include "profile/code_page_posix.h"

#include <gtest/gtest.h>

#include <string>

#include "profile/profile_copy.h"
#include "profile/settings.h"
#include "tests/test_files.h"

namespace vireno {
namespace {

TEST(CodePageTest, LocalesGetTheCodePageOfTheirWindows) {
  const struct {
    const char* locale;
    unsigned code_page;
  } cases[] = {
      {"C", 1252},
      {"POSIX", 1252},
      {"it_IT.UTF-8", 1252},
      {"de_DE@euro", 1252},
      {"ja_JP.UTF-8", 932},
      {"zh_CN.UTF-8", 936},
      {"zh_TW.UTF-8", 950},
      {"ko_KR.UTF-8", 949},
      {"pl_PL.UTF-8", 1250},
      {"ru_RU.UTF-8", 1251},
      {"el_GR.UTF-8", 1253},
      {"tr_TR.UTF-8", 1254},
      {"he_IL.UTF-8", 1255},
      {"ar_EG.UTF-8", 1256},
      {"lt_LT.UTF-8", 1257},
      {"th_TH.UTF-8", 874},
      // Wine's own answers: UTF-8 where a locale has no ANSI code page, a
      // territory's own, and 1252 for a locale Wine does not know.
      {"hi_IN.UTF-8", 65001},
      {"ka_GE.UTF-8", 65001},
      {"tg_TJ.UTF-8", 1251},
      {"kk_KZ", 65001},
      {"sr_RS@latin", 1252},
      {"ru_XX.UTF-8", 1252},
      {"tk_TM", 1250},
      {"zh_SG.GB2312", 936},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AnsiCodePageForLocale(c.locale), c.code_page) << c.locale;
  }
}

// Run once in the C locale (code page 1252) and once with LC_ALL=ja_JP.UTF-8
// (932): the settings' bytes are characters of that code page, counted as
// such, and name the file that Wine keeps under that name in UTF-8.
TEST(CodePageTest, NamesInTheAnsiCodePageOpenTheirUtf8Files) {
  const bool japanese = AnsiCodePage() == 932;
  // "テスト.txt" in Shift-JIS: 7 characters in 10 bytes; "sé.txt" in 1252.
  const std::string name = japanese ? "\x83\x65\x83\x58\x83\x67.txt" : "s\xe9.txt";
  const std::string on_disk =
      japanese ? "\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88.txt" : "s\xc3\xa9.txt";
  // A lead byte with no second byte; in 1252 every byte is a character, and
  // a control character no name's.
  const std::string bad_name = japanese ? "x\x83" : "x\t";
  test::TempFolder folder;
  test::WriteBytes(folder / "vireno.ini", "x\r\nDIR=x\r\nSCT_FILE   = " + name +
                                              "\r\nEXTASI_FILE    =" + bad_name + "\r\n");
  test::WriteBytes(folder / on_disk, "profile\r\n");
  Settings settings;
  LoadSettings(settings, folder / "vireno.ini");
  ASSERT_EQ(settings.SctFile, name);
  settings.BaseDir = folder.dir();  // longer than the settings' 12 characters

  CopyProfile(settings, Profile::Sct);
  EXPECT_EQ(test::ReadBytes(folder / "vireno.txt"), "profile\r\n");
  EXPECT_EQ(test::ErrorNumberOf([&] { CopyProfile(settings, Profile::Extasi); }), 52);
}

// Each byte as Windows converts it: the bytes glibc leaves out have their
// Windows characters, and no mark is composed with the letter before it.
TEST(CodePageTest, BytesConvertAsWindowsConvertsThem) {
  const struct {
    unsigned code_page;
    const char* bytes;
    const char* utf8;
  } cases[] = {
      {1252, "x\x81\x8d\x8f\x90\x9d", "x\u0081\u008d\u008f\u0090\u009d"},
      {1251, "\x98", "\u0098"},
      {1253, "\xaa", "\uf8f9"},
      {1255, "\xd9", "\uf88d"},
      {874, "\xdb", "\uf8c1"},
      {1258, "\xea\xec", "\u00ea\u0301"},  // ê and a combining acute, not ế
      {65001, "\xe2\x82\xac", "\u20ac"},
      {932, "\x83\x65", "\u30c6"},
  };
  for (const auto& c : cases) {
    std::string utf8;
    EXPECT_TRUE(CodePageToUtf8(c.bytes, c.code_page, utf8, false)) << c.code_page;
    EXPECT_EQ(utf8, c.utf8) << c.code_page << " " << c.bytes;
  }
  std::string utf8;
  EXPECT_FALSE(CodePageToUtf8("\xe2\x82", 65001, utf8, false)) << "a cut UTF-8 character";
}

}  // namespace
}  // namespace vireno
