#include <windows.h>

#include <stdexcept>

#include "tests/test_files.h"

namespace vireno::test {

const char kSeparator = '\\';
const unsigned long kNoSuchProcess = 0xFFFFFFF1UL;  // process ids are multiples of 4

unsigned long CurrentProcessId() {
  return GetCurrentProcessId();
}

Unwritable::Unwritable(std::string path) : path_(std::move(path)) {
  const DWORD attributes = GetFileAttributesA(path_.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !SetFileAttributesA(path_.c_str(), attributes | FILE_ATTRIBUTE_READONLY)) {
    throw std::runtime_error("cannot make " + path_ + " read-only");
  }
}

Unwritable::~Unwritable() {
  const DWORD attributes = GetFileAttributesA(path_.c_str());
  SetFileAttributesA(path_.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

}  // namespace vireno::test
