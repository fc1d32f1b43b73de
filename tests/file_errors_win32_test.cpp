#include <gtest/gtest.h>
#include <windows.h>

#include "profile/file_system.h"
#include "profile/profile_copy.h"
#include "tests/test_files.h"

namespace vireno {
namespace {

// Another program holding a file open without sharing it.
class LockedFile {
 public:
  explicit LockedFile(const std::string& path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~LockedFile() { CloseHandle(handle_); }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

TEST(FileErrorsWin32Test, FilesInUseArePermissionDenied) {
  test::TempFolder folder;
  test::WriteBytes(folder / "sct.txt", "sct\r\n");
  test::WriteBytes(folder / "vireno.txt", "old\r\n");
  const Settings settings{folder.dir(), "sct.txt", "extasi.txt"};
  {
    LockedFile source(folder / "sct.txt");
    ASSERT_TRUE(source.ok());
    EXPECT_EQ(test::ErrorNumberOf([&] { InputFile file(folder / "sct.txt"); }), 70);
  }
  {
    LockedFile target(folder / "vireno.txt");
    ASSERT_TRUE(target.ok());
    EXPECT_EQ(test::ErrorNumberOf([&] { CopyProfile(settings, Profile::Sct); }), 70);
  }
  EXPECT_EQ(test::ReadBytes(folder / "vireno.txt"), "old\r\n");
}

}  // namespace
}  // namespace vireno
