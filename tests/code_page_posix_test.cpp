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
      {"C", 1252},           {"POSIX", 1252},       {"it_IT.UTF-8", 1252}, {"de_DE@euro", 1252},
      {"ja_JP.UTF-8", 932},  {"zh_CN.UTF-8", 936},  {"zh_TW.UTF-8", 950},  {"ko_KR.UTF-8", 949},
      {"pl_PL.UTF-8", 1250}, {"sr_RS@latin", 1250}, {"ru_RU.UTF-8", 1251}, {"el_GR.UTF-8", 1253},
      {"tr_TR.UTF-8", 1254}, {"he_IL.UTF-8", 1255}, {"ar_EG.UTF-8", 1256}, {"lt_LT.UTF-8", 1257},
      {"th_TH.UTF-8", 874},
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
  // A byte with no character of its own in that code page.
  const std::string bad_name = japanese ? "x\x83" : "x\x81";
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

}  // namespace
}  // namespace vireno
