#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "profile/code_page.h"
#include "profile/file_system.h"
#include "profile/settings.h"
#include "tests/test_files.h"

namespace vireno {
namespace {

// "テスト.txt" in Shift-JIS: three double-byte characters and four single ones.
const char kShiftJisName[] = "\x83\x65\x83\x58\x83\x67.txt";

bool DoubleByteCodePage() {
  return IsDBCSLeadByteEx(GetACP(), 0x83) != 0;
}

// Run once in the default (single-byte) code page and once in code page 932
// (the test suite sets LC_ALL=ja_JP.UTF-8 for Wine): columns count characters
// of whichever code page is in force.
TEST(CodePageTest, ColumnsCountCharactersOfTheAnsiCodePage) {
  test::TempFolder folder;
  test::WriteBytes(folder / "vireno.ini",
                   std::string("x\r\nDIR=c:\\x\\\r\nSCT_FILE   = ") + kShiftJisName + "\r\n");
  Settings settings;
  LoadSettings(settings, folder / "vireno.ini");
  if (DoubleByteCodePage()) {
    EXPECT_EQ(GetACP(), 932U);
    EXPECT_EQ(settings.SctFile, kShiftJisName);  // 7 characters: all of it
    EXPECT_EQ(Substring("\x83\x65\x83\x58xy", 2, 2), "\x83\x58x");
  } else {
    EXPECT_EQ(settings.SctFile, std::string(kShiftJisName, 8));  // 8 bytes
    EXPECT_EQ(Substring("\x83\x65\x83\x58xy", 2, 2), "\x65\x83");
  }
}

// A file name in the ANSI code page opens through the wide-character API.
TEST(CodePageTest, NamesInTheAnsiCodePageOpen) {
  test::TempFolder folder;
  const std::string path = folder / (DoubleByteCodePage() ? kShiftJisName : "caf\xe9.txt");
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  HANDLE file = CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE && DoubleByteCodePage()) {
    // Wine stores the name in the Unix locale's charset, which must exist.
    GTEST_SKIP() << "the host lacks the ja_JP.UTF-8 locale for Japanese file names";
  }
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  DWORD written = 0;
  WriteFile(file, "line\r\n", 6, &written, nullptr);
  CloseHandle(file);

  InputFile input(path);
  char buffer[16] = {};
  EXPECT_EQ(input.Read(buffer, sizeof buffer), 6U);
  EXPECT_EQ(test::ErrorNumberOf([&] { InputFile missing(path + "x"); }), 53);
}

}  // namespace
}  // namespace vireno
