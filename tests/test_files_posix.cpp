#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
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
