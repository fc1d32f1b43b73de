#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "profile/file_system.h"
#include "profile/profile_copy.h"
#include "tests/test_files.h"

namespace vireno {
namespace {

using Entries = std::vector<std::string>;

// Another program holding a file open with the given access and sharing.
class OpenElsewhere {
 public:
  OpenElsewhere(const std::string& path, DWORD access, DWORD share)
      : handle_(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~OpenElsewhere() { CloseHandle(handle_); }
  OpenElsewhere(const OpenElsewhere&) = delete;
  OpenElsewhere& operator=(const OpenElsewhere&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

TEST(FileErrorsWin32Test, SourceInUseIsPermissionDenied) {
  test::TempFolder folder;
  test::WriteBytes(folder / "sct.txt", "sct\r\n");
  OpenElsewhere source(folder / "sct.txt", GENERIC_READ | GENERIC_WRITE, 0);
  ASSERT_TRUE(source.ok());
  EXPECT_EQ(test::ErrorNumberOf([&] { InputFile file(folder / "sct.txt"); }), 70);
}

// A device opens like a file, and reading it would wait for ever.
TEST(FileErrorsWin32Test, DeviceAsSourceIsRefusedWithoutReading) {
  test::TempFolder folder;
  const Settings settings{folder.dir(), "AUX", "extasi.txt"};
  EXPECT_EQ(test::ErrorNumberOf([&] { CopyProfile(settings, Profile::Sct); }), 75);
  EXPECT_TRUE(folder.Entries().empty());
}

// The target held open by another program while a profile is chosen. Most
// programs share reading and writing but not deletion, which rules out a
// rename and leaves a rewrite in place.
struct HeldTargetCase {
  const char* name;
  DWORD access;
  DWORD share;
  int error;
  const char* target_after;
};

class HeldTarget : public testing::TestWithParam<HeldTargetCase> {};

TEST_P(HeldTarget, SwitchesWhereSharingAllowsWriting) {
  test::TempFolder folder;
  test::WriteBytes(folder / "sct.txt", "sct\r\n");
  test::WriteBytes(folder / "vireno.txt", "a longer old profile\r\n");
  const Settings settings{folder.dir(), "sct.txt", "extasi.txt"};
  {
    OpenElsewhere target(folder / "vireno.txt", GetParam().access, GetParam().share);
    ASSERT_TRUE(target.ok());
    EXPECT_EQ(test::ErrorNumberOf([&] { CopyProfile(settings, Profile::Sct); }), GetParam().error);
  }
  EXPECT_EQ(test::ReadBytes(folder / "vireno.txt"), GetParam().target_after);
  EXPECT_EQ(folder.Entries(), (Entries{"sct.txt", "vireno.txt"}));
}

INSTANTIATE_TEST_SUITE_P(
    CopyProfile, HeldTarget,
    testing::Values(HeldTargetCase{"ReadSharingReadWrite", GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, 0, "sct\r\n"},
                    HeldTargetCase{"SharingEverything", GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                                   "sct\r\n"},
                    HeldTargetCase{"SharingReadOnly", GENERIC_READ, FILE_SHARE_READ, 70,
                                   "a longer old profile\r\n"},
                    HeldTargetCase{"SharingNothing", GENERIC_READ | GENERIC_WRITE, 0, 70,
                                   "a longer old profile\r\n"}),
    test::CaseName());

TEST(FileErrorsWin32Test, ReplacedTargetKeepsItsAttributes) {
  test::TempFolder folder;
  test::WriteBytes(folder / "sct.txt", "sct\r\n");
  test::WriteBytes(folder / "vireno.txt", "old\r\n");
  const Settings settings{folder.dir(), "sct.txt", "extasi.txt"};
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
  ASSERT_TRUE(SetFileAttributesA((folder / "vireno.txt").c_str(), kept));

  CopyProfile(settings, Profile::Sct);

  EXPECT_EQ(test::ReadBytes(folder / "vireno.txt"), "sct\r\n");
  EXPECT_EQ(GetFileAttributesA((folder / "vireno.txt").c_str()) & kept, kept);
  SetFileAttributesA((folder / "vireno.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace vireno
