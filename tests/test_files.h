#pragma once

// Real files in a throw-away folder, for tests that exercise the file layer.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vireno::test {

// The platform's path separator, as the program's own paths use it.
extern const char kSeparator;

// A new, empty folder, removed with its content when the object goes away.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path with a trailing separator, ready for concatenation.
  const std::string& dir() const { return dir_; }
  std::string operator/(std::string_view name) const { return dir_ + std::string(name); }

  // Names of the entries in the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string dir_;
};

void WriteBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);
void MakeFolder(const std::string& path);
bool IsSymlink(const std::string& path);

// This process's id, and one that no process can have.
unsigned long CurrentProcessId();
extern const unsigned long kNoSuchProcess;

// Names parameterised test cases after their `name` field.
struct CaseName {
  template <class Info>
  std::string operator()(const Info& info) const {
    return info.param.name;
  }
};

// The error number `action` raises, or 0 when it raises none.
int ErrorNumberOf(const std::function<void()>& action);

// Keeps a file, or a folder's list of entries, from being changed for as long
// as the object lives, even for root (which ignores permission bits).
class Unwritable {
 public:
  explicit Unwritable(std::string path);
  ~Unwritable();
  Unwritable(const Unwritable&) = delete;
  Unwritable& operator=(const Unwritable&) = delete;

 private:
  std::string path_;
};

}  // namespace vireno::test
