#pragma once

// The file layer: the program's only way to the files. Paths are Windows
// paths in the system's 8-bit code page; the POSIX build maps them onto its
// own file system the way Wine does.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "profile/platform_files.h"

namespace vireno {

// A file opened for reading; closed by Close() or when the object goes away.
class InputFile {
 public:
  // Raises RuntimeError when the file cannot be opened for reading, or when
  // it is not a file on disk (a folder, a pipe, a device): nothing is ever
  // read that could keep the program waiting.
  explicit InputFile(const std::string& path);

  // Reads up to `size` bytes into `buffer`; returns 0 at the end of the file.
  std::size_t Read(char* buffer, std::size_t size);
  void Close();

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  platform::File file_;
};

// New content for the file at `path`, written piece by piece beside it and
// put in its place by Commit(), so that, whatever happens meanwhile, the file
// holds either its old content or the new one, whole. Until Commit() the file
// is not touched; an object destroyed before it leaves no trace. A symbolic
// link at `path` stays a link, and a file with several hard links stays one
// file: the file they show gets the new content. Where it is rewritten in
// place, a full disk leaves the old content, and a crash leaves a record from
// which FinishInterruptedReplacement completes the new one.
class FileReplacement {
 public:
  // Raises RuntimeError when the file could not be written.
  explicit FileReplacement(std::string path);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  void Write(std::string_view bytes);
  void Commit();

 private:
  class TemporaryFile;

  bool RenamedOver();
  void RewriteThroughRecord();

  std::string path_;
  platform::NativePath native_;
  bool exists_ = false;
  bool hard_linked_ = false;
  std::unique_ptr<TemporaryFile> temporary_;
  std::string held_;  // the content, where the folder takes no new file
  std::uint64_t size_ = 0;
};

// Completes the rewrite in place of the file at `path` that a copy killed in
// the middle of it left unfinished, from the record that copy kept, and
// removes the record; returns whether it did. Raises no RuntimeError: a
// rewrite it cannot complete keeps its record, and the next replacement
// supersedes both.
bool FinishInterruptedReplacement(const std::string& path);

// Raises "Bad file name or number" for a path no file can have: an empty one,
// or one with a NUL byte, which the system would take as its end and so open
// another file than the one named.
void CheckPathName(const std::string& path);

// CheckPathName, then the path as the system takes it.
platform::NativePath NativePathOrRaise(const std::string& path);

// The file of an error as a report shows it, in UTF-8: its name and, where
// the native program's mapping of Windows drives hides it, on a line of its
// own where it lies on this machine. Never raises.
std::string ReportedFile(const std::string& path) noexcept;

}  // namespace vireno
