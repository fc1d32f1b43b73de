#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "tests/test_files.h"

namespace vireno::test {

const char kSeparator = '/';
const unsigned long kNoSuchProcess = 2000000000UL;  // above any pid_max

unsigned long CurrentProcessId() {
  return static_cast<unsigned long>(getpid());
}

namespace {

int Shell(const std::string& command) {
  return std::system(command.c_str());
}

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

// A path from the root without a drive, as the throw-away folders' are, is on
// the current drive, as on Windows: the tests run in a prefix whose drive z:
// is the host's root, as in every prefix Wine makes.
class PrefixWithHostRoot final : public testing::Environment {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/vireno-prefix.XXXXXX";
    prefix_ = mkdtemp(pattern);
    std::filesystem::create_directories(prefix_ + "/dosdevices");
    std::filesystem::create_directories(prefix_ + "/drive_c");
    std::filesystem::create_directory_symlink("../drive_c", prefix_ + "/dosdevices/c:");
    std::filesystem::create_directory_symlink("/", prefix_ + "/dosdevices/z:");
    setenv("WINEPREFIX", prefix_.c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(prefix_); }

 private:
  std::string prefix_;
};

[[maybe_unused]] testing::Environment* const kPrefix =
    testing::AddGlobalTestEnvironment(new PrefixWithHostRoot);

}  // namespace

// Root ignores permission bits, so it gets the immutable attribute instead.
Unwritable::Unwritable(std::string path) : path_(std::move(path)) {
  const bool ok =
      geteuid() == 0 ? Shell("chattr +i " + Quoted(path_)) == 0 : chmod(path_.c_str(), 0555) == 0;
  if (!ok) {
    throw std::runtime_error("cannot make " + path_ + " unwritable");
  }
}

Unwritable::~Unwritable() {
  if (geteuid() == 0) {
    Shell("chattr -i " + Quoted(path_));
  } else {
    chmod(path_.c_str(), 0755);
  }
}

}  // namespace vireno::test
