#pragma once

// The platform file layer: the only place that talks to the operating system's
// file API. Paths are Windows paths in the system's 8-bit code page; the POSIX
// build maps them onto its own file system the way Wine does.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vireno {

// A file opened for reading; closed when the object goes away.
class InputFile {
 public:
  // Raises RuntimeError when the file cannot be opened for reading.
  explicit InputFile(const std::string& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Reads up to `size` bytes into `buffer`; returns 0 at the end of the file.
  std::size_t Read(char* buffer, std::size_t size);

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::intptr_t handle_ = -1;  // a descriptor or a HANDLE, by platform
};

// Gives the file at `path` the new content `content` so that, whatever happens
// meanwhile, the file holds either its old content or the new one, whole.
// A symbolic link at `path` stays a link: the file it points to is replaced.
void ReplaceFileContent(const std::string& path, std::string_view content);

// Size in bytes of the character that begins `text`, in the system's 8-bit
// code page (2 for the lead byte of a double-byte character, otherwise 1).
std::size_t CharacterSize(std::string_view text);

// The most bytes one character can take in any code page the system may use
// (UTF-8 takes up to four).
inline constexpr std::size_t kMaxCharacterSize = 4;

}  // namespace vireno
