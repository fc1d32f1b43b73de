#include "profile/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/test_files.h"

namespace vireno {
namespace {

// Lines laid out the way the settings file has them: the values start at
// characters 5, 14 and 17.
const std::string kDirLine = "DIR=c:\\progdvb\\";              // BaseDir "c:\progdvb\"
const std::string kSctLine = "SCT_FILE   = sct.txt";           // SctFile "sct.txt"
const std::string kExtasiLine = "EXTASI_FILE    =extasi.txt";  // ExtasiFile "extasi.txt"

struct SettingsCase {
  const char* name;
  std::string bytes;
  Settings expected;
};

std::string CrLf(std::initializer_list<std::string> lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line + "\r\n";
  }
  return text;
}

class SettingsColumns : public testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsColumns, CutsFixedColumns) {
  test::TempFolder folder;
  test::WriteBytes(folder / "vireno.ini", GetParam().bytes);
  Settings settings;
  LoadSettings(settings, folder / "vireno.ini");
  EXPECT_EQ(settings.BaseDir, GetParam().expected.BaseDir);
  EXPECT_EQ(settings.SctFile, GetParam().expected.SctFile);
  EXPECT_EQ(settings.ExtasiFile, GetParam().expected.ExtasiFile);
}

const Settings kAll{"c:\\progdvb\\", "sct.txt", "extasi.txt"};

INSTANTIATE_TEST_SUITE_P(
    LoadSettings, SettingsColumns,
    testing::Values(
        SettingsCase{"FourLines", CrLf({"[vireno]", kDirLine, kSctLine, kExtasiLine}), kAll},
        SettingsCase{"LaterLinesIgnored",
                     CrLf({"x", kDirLine, kSctLine, kExtasiLine, "DIR=d:\\other\\dir\\",
                           "SCT_FILE   = other.txt", "EXTASI_FILE    =other.txt"}),
                     kAll},
        SettingsCase{"TwoLines", CrLf({"x", kDirLine}), {"c:\\progdvb\\", "", ""}},
        SettingsCase{"LongLineCut", CrLf({"x", "ABCDEFGHIJKLMNOPQRST"}), {"EFGHIJKLMNOP", "", ""}},
        SettingsCase{"ShortLineShortens", CrLf({"x", "ABCDEFGHIJ"}), {"EFGHIJ", "", ""}},
        SettingsCase{"LineEndingBeforeColumn",
                     CrLf({"x", kDirLine, "SCT_FILE   =", kExtasiLine}),
                     {"c:\\progdvb\\", "", "extasi.txt"}},
        SettingsCase{"SpacesKept",
                     CrLf({"x", "DIR=c:\\data \\  ", "SCT_FILE   =  a b   c"}),
                     {"c:\\data \\  ", " a b   c", ""}},
        SettingsCase{"FirstLineEmpty", CrLf({"", kDirLine, kSctLine, kExtasiLine}), kAll},
        SettingsCase{"LoneCrLineEnds", "x\r" + kDirLine + "\r" + kSctLine + "\r" + kExtasiLine,
                     kAll},
        SettingsCase{"LfOnlyIsOneLine", "x\n" + kDirLine + "\n" + kSctLine + "\n", {"", "", ""}},
        SettingsCase{"EmptyFile", "", {"", "", ""}}),
    test::CaseName());

std::string ManyLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += i == 1 ? kDirLine + "\r\n" : "line\r\n";
  }
  return text;
}

TEST(LoadSettingsTest, CounterOverflowsOnLine32768) {
  test::TempFolder folder;
  test::WriteBytes(folder / "ok.ini", ManyLines(32767));
  test::WriteBytes(folder / "long.ini", ManyLines(32768));

  Settings settings;
  EXPECT_EQ(test::ErrorNumberOf([&] { LoadSettings(settings, folder / "ok.ini"); }), 0);
  EXPECT_EQ(settings.BaseDir, "c:\\progdvb\\");
  EXPECT_EQ(test::ErrorNumberOf([&] { LoadSettings(settings, folder / "long.ini"); }), 6);
}

// Lines far longer than the reader's buffer, the used ones with long tails:
// the columns and the line count come out as with short lines.
TEST(LoadSettingsTest, LinesLongerThanTheBufferKeepColumnsAndCount) {
  const std::string tail(3 * 64 * 1024 + 17, 'z');
  std::string text =
      CrLf({tail, kDirLine + tail, kSctLine + "\n" + tail, kExtasiLine + tail, tail});
  for (int line = 5; line < 32767; ++line) {
    text += "\r\n";
  }
  test::TempFolder folder;
  test::WriteBytes(folder / "ok.ini", text);
  test::WriteBytes(folder / "long.ini", text + "\r\n");

  Settings settings;
  EXPECT_EQ(test::ErrorNumberOf([&] { LoadSettings(settings, folder / "ok.ini"); }), 0);
  EXPECT_EQ(settings.BaseDir, "c:\\progdvb\\z");
  EXPECT_EQ(settings.SctFile, "sct.txt\n");
  EXPECT_EQ(settings.ExtasiFile, "extasi.txt");
  EXPECT_EQ(test::ErrorNumberOf([&] { LoadSettings(settings, folder / "long.ini"); }), 6);
}

TEST(LoadSettingsTest, MissingFileOrFolder) {
  test::TempFolder folder;
  Settings settings;
  EXPECT_EQ(test::ErrorNumberOf([&] { LoadSettings(settings, folder / "vireno.ini"); }), 53);
  EXPECT_EQ(test::ErrorNumberOf([&] {
              LoadSettings(settings, folder / "progdvb" + test::kSeparator + "vireno.ini");
            }),
            76);
}

struct SubstringCase {
  std::string text;
  std::size_t start;
  std::size_t count;
  std::string expected;
};

TEST(SubstringTest, TakesAtMostCountCharactersFromStart) {
  const SubstringCase cases[] = {
      {"abcdef", 1, 3, "abc"}, {"abcdef", 5, 12, "ef"}, {"abcdef", 6, 1, "f"}, {"abcdef", 7, 1, ""},
      {"abcdef", 9, 3, ""},    {"", 1, 5, ""},          {"abc", 2, 0, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Substring(c.text, c.start, c.count), c.expected)
        << "Substring(\"" << c.text << "\", " << c.start << ", " << c.count << ")";
  }
}

}  // namespace
}  // namespace vireno
