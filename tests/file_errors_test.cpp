#include <gtest/gtest.h>

#include <string>

#include "profile/error.h"
#include "profile/file_system.h"
#include "tests/test_files.h"

namespace vireno {
namespace {

// The system's refusals, produced with real files, and the numbers the user
// sees for them.
TEST(FileErrorsTest, OpeningForReadingMapsSystemErrors) {
  test::TempFolder folder;
  test::MakeFolder(folder / "sub");
  const struct {
    const char* what;
    std::string path;
    int error;
  } cases[] = {
      {"missing file", folder / "missing.txt", 53},
      {"missing folder", folder / "nodir" + test::kSeparator + "x.txt", 76},
      {"folder", folder / "sub", 75},
      {"folder with separator", folder / "sub" + test::kSeparator, 75},
      {"empty path", "", 52},
#ifdef _WIN32
      {"malformed name", folder / "a<b>|c.txt", 52},
#else
      {"name too long", folder / std::string(300, 'n'), 52},
#endif
  };
  for (const auto& c : cases) {
    EXPECT_EQ(test::ErrorNumberOf([&] { InputFile file(c.path); }), c.error) << c.what;
  }
}

TEST(FileErrorsTest, ErrorCarriesNumberDescriptionAndFile) {
  test::TempFolder folder;
  const std::string path = folder / "missing.txt";
  try {
    InputFile file(path);
    FAIL() << "opening a missing file succeeded";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), 53);
    EXPECT_EQ(error.description(), "File not found");
    EXPECT_EQ(error.file(), path);
  }
}

}  // namespace
}  // namespace vireno
