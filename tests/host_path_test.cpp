#include "profile/host_path_posix.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "profile/file_name_case.h"
#include "tests/test_files.h"

namespace vireno {
namespace {

// A Wine-style prefix: dosdevices/c: links to drive_c, which holds a folder.
class FakePrefix {
 public:
  FakePrefix() : prefix_(folder_.dir() + "prefix") {
    test::MakeFolder(prefix_ + "/dosdevices");
    test::MakeFolder(prefix_ + "/drive_c/ProgDVB/Profiles");
    test::MakeFolder(prefix_ + "/drive_d/work");
    std::filesystem::create_directory_symlink("../drive_c", prefix_ + "/dosdevices/c:");
    std::filesystem::create_directory_symlink("../drive_d", prefix_ + "/dosdevices/d:");
    for (const char* name : {"vireno.ini", "VIRENO.TXT", "CAF\xc3\x89.TXT",
                             "\xd0\xa4\xd0\x90\xd0\x99\xd0\x9b.TXT", "II.TXT"}) {
      test::WriteBytes(prefix_ + "/drive_c/ProgDVB/" + name, "");
    }
  }
  const std::string& prefix() const { return prefix_; }
  std::string Drive() const { return prefix_ + "/dosdevices/c:/"; }

 private:
  test::TempFolder folder_;
  std::string prefix_;
};

TEST(MapWindowsPathTest, MapsDrivesSeparatorsAndCase) {
  FakePrefix wine;
  const struct {
    std::string windows;
    std::string host;
  } cases[] = {
      {"c:\\ProgDVB\\vireno.ini", wine.Drive() + "ProgDVB/vireno.ini"},
      {"C:\\progdvb\\VIRENO.INI", wine.Drive() + "ProgDVB/vireno.ini"},
      {"c:\\PROGDVB\\profiles\\", wine.Drive() + "ProgDVB/Profiles/"},
      {"c:\\progdvb\\new.txt", wine.Drive() + "ProgDVB/new.txt"},
      {"c:\\missing\\Dir\\File.txt", wine.Drive() + "missing/Dir/File.txt"},
      {"c:/progdvb/vireno.ini", wine.Drive() + "ProgDVB/vireno.ini"},
      {"c:progdvb\\vireno.ini", wine.Drive() + "ProgDVB/vireno.ini"},
      {"D:\\x.txt", wine.prefix() + "/dosdevices/d:/x.txt"},
      // Resolved by text as Windows does: never above the drive's root.
      {"c:\\..\\..\\x", wine.Drive() + "x"},
      {"c:\\nope\\..\\x", wine.Drive() + "x"},
      {"c:\\progdvb.\\x", wine.Drive() + "ProgDVB/x"},
      {"c:\\progdvb . \\vireno.ini ", wine.Drive() + "ProgDVB/vireno.ini"},
      {"c:\\a\\.\\b", wine.Drive() + "a/b"},
      {"..\\x\\..\\y", "../y"},
      // From the root without a drive: on the current drive, here c:.
      {"/usr/bin", wine.Drive() + "usr/bin"},
      {"\\data\\adv\\", wine.Drive() + "data/adv/"},
      // Case as Windows matches file names, in every locale: é É, ф Ф, but
      // not ı I (nor ς Σ, µ Μ, ſ S).
      {"c:\\progdvb\\vireno.txt", wine.Drive() + "ProgDVB/VIRENO.TXT"},
      {"c:\\progdvb\\caf\xc3\xa9.txt", wine.Drive() + "ProgDVB/CAF\xc3\x89.TXT"},
      {"c:\\progdvb\\\xd1\x84\xd0\xb0\xd0\xb9\xd0\xbb.txt",
       wine.Drive() + "ProgDVB/\xd0\xa4\xd0\x90\xd0\x99\xd0\x9b.TXT"},
      {"c:\\progdvb\\\xc4\xb1\xc4\xb1.txt", wine.Drive() + "ProgDVB/\xc4\xb1\xc4\xb1.txt"},
      // After "\\?\" or "\\.\" the rest is taken as it stands.
      {"\\\\?\\c:\\progdvb\\vireno.ini", wine.Drive() + "ProgDVB/vireno.ini"},
      {"\\\\.\\C:\\PROGDVB\\x.", wine.Drive() + "ProgDVB/x."},
      {"relative\\name.txt", "relative/name.txt"},
      {"vireno.txt", "vireno.txt"},
  };
  // The same in Turkish, whose own case rules pair i with İ and ı with I.
  for (const char* locale : {"C", "tr_TR.UTF-8"}) {
    ASSERT_NE(setlocale(LC_ALL, locale), nullptr) << locale << " (scripts/deps.sh makes it)";
    for (const auto& c : cases) {
      EXPECT_EQ(MapWindowsPath(c.windows, wine.prefix()), c.host) << c.windows << " in " << locale;
    }
  }
  setlocale(LC_ALL, "C");
}

TEST(FileNamesMatchTest, CaseAsWindowsMatchesIt) {
  const struct {
    const char* a;
    const char* b;
    bool match;
  } cases[] = {
      {"vireno.txt", "VIRENO.TXT", true},
      {"caf\xc3\xa9", "CAF\xc3\x89", true},
      {"\xc3\xbf", "\xc5\xb8", true},   // ÿ Ÿ
      {"\xc4\xb1", "I", false},         // ı I
      {"\xcf\x82", "\xce\xa3", false},  // ς Σ
      {"\xc2\xb5", "\xce\x9c", false},  // µ Μ
      {"\xc5\xbf", "S", false},         // ſ S
      {"a\xff", "A\xff", false},        // not UTF-8: byte for byte
      {"ab", "abc", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileNamesMatch(c.a, c.b), c.match) << c.a << " " << c.b;
  }
}

TEST(MapWindowsPathTest, RelativeNamesMatchCaseInTheCurrentFolder) {
  FakePrefix wine;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(wine.Drive() + "ProgDVB");
  const std::string mapped = MapWindowsPath("PROFILES\\x.txt", wine.prefix());
  // A folder from the root is on the drive of the current folder.
  std::filesystem::current_path(wine.prefix() + "/drive_d/work");
  const std::string rooted = MapWindowsPath("\\data\\x.txt", wine.prefix());
  std::filesystem::current_path(previous);
  EXPECT_EQ(mapped, "Profiles/x.txt");
  EXPECT_EQ(rooted, wine.prefix() + "/dosdevices/d:/data/x.txt");
}

// Saves an environment variable and puts it back when the test ends.
class SavedVariable {
 public:
  explicit SavedVariable(const char* name) : name_(name) {
    const char* value = std::getenv(name);
    saved_ = value != nullptr;
    value_ = saved_ ? value : "";
  }
  ~SavedVariable() {
    if (saved_) {
      setenv(name_, value_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  SavedVariable(const SavedVariable&) = delete;
  SavedVariable& operator=(const SavedVariable&) = delete;

 private:
  const char* name_;
  std::string value_;
  bool saved_;
};

// Wine's order: $WINEPREFIX, then $HOME/.wine, then the password database.
TEST(WinePrefixTest, TakesThePrefixThenHomeThenThePasswordDatabase) {
  const SavedVariable prefix("WINEPREFIX");
  const SavedVariable home("HOME");

  setenv("WINEPREFIX", "/somewhere/prefix", 1);
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(WinePrefix(), "/somewhere/prefix");
  unsetenv("WINEPREFIX");
  EXPECT_EQ(WinePrefix(), "/home/someone/.wine");
  unsetenv("HOME");
  const passwd* user = getpwuid(getuid());
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(WinePrefix(), std::string(user->pw_dir) + "/.wine");
}

}  // namespace
}  // namespace vireno
