#include "profile/host_path_posix.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/test_files.h"

namespace vireno {
namespace {

// A Wine-style prefix: dosdevices/c: links to drive_c, which holds a folder.
class FakePrefix {
 public:
  FakePrefix() : prefix_(folder_.dir() + "prefix") {
    test::MakeFolder(prefix_ + "/dosdevices");
    test::MakeFolder(prefix_ + "/drive_c/ProgDVB/Profiles");
    std::filesystem::create_directory_symlink("../drive_c", prefix_ + "/dosdevices/c:");
    test::WriteBytes(prefix_ + "/drive_c/ProgDVB/vireno.ini", "");
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
      {"/usr/bin", "/usr/bin"},
      {"relative\\name.txt", "relative/name.txt"},
      {"vireno.txt", "vireno.txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MapWindowsPath(c.windows, wine.prefix()), c.host) << c.windows;
  }
}

TEST(MapWindowsPathTest, RelativeNamesMatchCaseInTheCurrentFolder) {
  FakePrefix wine;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(wine.Drive() + "ProgDVB");
  const std::string mapped = MapWindowsPath("PROFILES\\x.txt", wine.prefix());
  std::filesystem::current_path(previous);
  EXPECT_EQ(mapped, "Profiles/x.txt");
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
