#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "profile/profile_copy.h"
#include "profile/settings.h"
#include "tests/test_files.h"

namespace vireno {
namespace {

using Entries = std::vector<std::string>;

// Runs `action` in a child process and returns the error number it raised
// (0 for none), so that limits and identities set there stay there.
int ErrorNumberInChild(const std::function<void()>& action) {
  const pid_t child = fork();
  if (child == 0) {
    _exit(test::ErrorNumberOf(action));
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Settings SettingsFor(const test::TempFolder& folder) {
  return {folder.dir(), "sct.txt", "extasi.txt"};
}

TEST(CopyProfilePosixTest, DiskFullLeavesTheTargetAndNoTemporaryFile) {
  test::TempFolder folder;
  test::WriteBytes(folder / "sct.txt", std::string(4096, 's') + "\r\n");
  test::WriteBytes(folder / "vireno.txt", "old profile\r\n");

  const int error = ErrorNumberInChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1024, 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    CopyProfile(SettingsFor(folder), Profile::Sct);
  });

  EXPECT_EQ(error, 61);
  EXPECT_EQ(test::ReadBytes(folder / "vireno.txt"), "old profile\r\n");
  EXPECT_EQ(folder.Entries(), (Entries{"sct.txt", "vireno.txt"}));
}

TEST(CopyProfilePosixTest, LinkedTargetStaysALink) {
  test::TempFolder folder;
  test::MakeFolder(folder / "real");
  test::WriteBytes(folder / "sct.txt", "sct\r\n");
  test::WriteBytes(folder / "real/active.txt", "old\r\n");
  std::filesystem::create_symlink("real/active.txt", folder / "vireno.txt");

  CopyProfile(SettingsFor(folder), Profile::Sct);

  EXPECT_TRUE(test::IsSymlink(folder / "vireno.txt"));
  EXPECT_EQ(test::ReadBytes(folder / "real/active.txt"), "sct\r\n");
}

TEST(CopyProfilePosixTest, TargetKeepsItsPermissionBits) {
  test::TempFolder folder;
  test::WriteBytes(folder / "sct.txt", "sct\r\n");
  test::WriteBytes(folder / "vireno.txt", "old\r\n");
  chmod((folder / "vireno.txt").c_str(), 0640);

  CopyProfile(SettingsFor(folder), Profile::Sct);

  struct stat info {};
  ASSERT_EQ(stat((folder / "vireno.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640U);
}

TEST(CopyProfilePosixTest, LockedFolderRewritesAWritableTargetInPlace) {
  test::TempFolder folder;
  test::WriteBytes(folder / "sct.txt", "sct\r\n");
  test::WriteBytes(folder / "vireno.txt", "an old profile longer than the new one\r\n");
  int error = -1;
  {
    test::Unwritable locked(folder.dir());
    error = ErrorNumberInChild([&] { CopyProfile(SettingsFor(folder), Profile::Sct); });
  }
  EXPECT_EQ(error, 0);
  EXPECT_EQ(test::ReadBytes(folder / "vireno.txt"), "sct\r\n");
  EXPECT_EQ(folder.Entries(), (Entries{"sct.txt", "vireno.txt"}));
}

TEST(CopyProfilePosixTest, LockedFolderWithoutTargetIsPermissionDenied) {
  test::TempFolder folder;
  test::WriteBytes(folder / "sct.txt", "sct\r\n");
  int error = -1;
  {
    test::Unwritable locked(folder.dir());
    error = ErrorNumberInChild([&] { CopyProfile(SettingsFor(folder), Profile::Sct); });
  }
  EXPECT_EQ(error, 70);
  EXPECT_EQ(folder.Entries(), (Entries{"sct.txt"}));
}

// A named pipe would keep a read waiting for a writer for ever: it is refused
// at once. A child that still waits after five seconds ends with SIGALRM.
TEST(CopyProfilePosixTest, PipesAreRefusedWithoutWaiting) {
  test::TempFolder folder;
  test::WriteBytes(folder / "vireno.txt", "old\r\n");
  ASSERT_EQ(mkfifo((folder / "sct.txt").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((folder / "vireno.ini").c_str(), 0600), 0);
  const std::function<void()> actions[] = {
      [&] { CopyProfile(SettingsFor(folder), Profile::Sct); },
      [&] {
        Settings settings;
        LoadSettings(settings, folder / "vireno.ini");
      },
  };
  for (const auto& action : actions) {
    EXPECT_EQ(ErrorNumberInChild([&] {
                alarm(5);
                action();
              }),
              75);
  }
  EXPECT_EQ(test::ReadBytes(folder / "vireno.txt"), "old\r\n");
}

TEST(CopyProfilePosixTest, UnreadableSourceIsPermissionDenied) {
  test::TempFolder folder;
  test::WriteBytes(folder / "sct.txt", "sct\r\n");
  test::WriteBytes(folder / "vireno.txt", "old\r\n");
  chmod((folder / "sct.txt").c_str(), 0);

  // Root reads anything, so the copy runs as an ordinary user there.
  const int error = ErrorNumberInChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(99);
    }
    CopyProfile(SettingsFor(folder), Profile::Sct);
  });

  EXPECT_EQ(error, 70);
  EXPECT_EQ(test::ReadBytes(folder / "vireno.txt"), "old\r\n");
}

}  // namespace
}  // namespace vireno
