#pragma once

// The platform file layer: the only place that talks to the operating system's
// file API. Paths are Windows paths in the system's 8-bit code page; the POSIX
// build maps them onto its own file system the way Wine does.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vireno {

// A file opened for reading; closed by Close() or when the object goes away.
class InputFile {
 public:
  // Raises RuntimeError when the file cannot be opened for reading, or when
  // it is not a file on disk (a folder, a pipe, a device): nothing is ever
  // read that could keep the program waiting.
  explicit InputFile(const std::string& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Reads up to `size` bytes into `buffer`; returns 0 at the end of the file.
  std::size_t Read(char* buffer, std::size_t size);
  void Close();

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::intptr_t handle_ = -1;  // a descriptor or a HANDLE, by platform
};

// New content for the file at `path`, written piece by piece beside it and
// put in its place by Commit(), so that, whatever happens meanwhile, the file
// holds either its old content or the new one, whole. Until Commit() the file
// is not touched; an object destroyed before it leaves no trace. A symbolic
// link at `path` stays a link, and a file with several hard links stays one
// file: the file they show gets the new content.
class FileReplacement {
 public:
  // Raises RuntimeError when the file could not be written.
  static std::unique_ptr<FileReplacement> Open(const std::string& path);
  virtual ~FileReplacement() = default;

  virtual void Write(std::string_view bytes) = 0;
  virtual void Commit() = 0;
};

// Raises "Bad file name or number" for a path no file can have: an empty one,
// or one with a NUL byte, which the system would take as its end and so open
// another file than the one named.
void CheckPathName(const std::string& path);

// The whole new content at once.
void ReplaceFileContent(const std::string& path, std::string_view content);

// `text`, in the system's 8-bit code page, as UTF-8; what has no character
// there shows as U+FFFD.
std::string ToUtf8(std::string_view text);

// Where `path` lies on this machine when that is not plain from the path
// itself (the native program's mapping of Windows drives), in UTF-8; empty
// otherwise. Never raises.
std::string LocalPathNote(const std::string& path) noexcept;

// Size in bytes of the character that begins `text`, in the system's 8-bit
// code page (2 for the lead byte of a double-byte character, otherwise 1).
std::size_t CharacterSize(std::string_view text);

// The most bytes one character can take in any code page the system may use
// (UTF-8 takes up to four).
inline constexpr std::size_t kMaxCharacterSize = 4;

}  // namespace vireno
