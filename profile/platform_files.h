#pragma once

// The system calls the file layer is built on, one set per platform. They
// answer with a Failure instead of raising: what a refusal means (fall back,
// try again, report which error) is decided once, by the portable rules in
// file_system.cpp and file_replacement.cpp, never here.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vireno::platform {

#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif
// A path as the system takes it: UTF-16 on Windows; on POSIX, UTF-8 and
// already mapped from the Windows path onto this machine's file system.
using NativePath = std::basic_string<NativeChar>;

inline NativePath FromAscii(std::string_view text) {
  return NativePath(text.begin(), text.end());
}

// A system error, sorted into the kinds the rules and the reports tell apart.
enum class Failure {
  kNone,
  kFileNotFound,
  kPathNotFound,
  kAlreadyExists,
  kAccessDenied,   // permissions, or a folder that refuses the change
  kReadOnlyMedia,  // a read-only file system or a write-protected medium
  kInUse,          // held by another program
  kBadName,
  kDiskFull,
  kIsFolder,
  kNotAFile,  // a device or a pipe, which could keep a read waiting
  kOutOfMemory,
  kOther,
};

// An open file; closed when the object goes away.
class File {
 public:
  File() = default;
  explicit File(std::intptr_t handle) : handle_(handle) {}
  ~File() { (void)Close(); }
  File(File&& other) noexcept : handle_(std::exchange(other.handle_, kClosed)) {}
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      (void)Close();
      handle_ = std::exchange(other.handle_, kClosed);
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool is_open() const { return handle_ != kClosed; }
  std::intptr_t handle() const { return handle_; }
  // A close can report what a delayed write found (a full disk, say).
  [[nodiscard]] Failure Close();

 private:
  static constexpr std::intptr_t kClosed = -1;  // also INVALID_HANDLE_VALUE
  std::intptr_t handle_ = kClosed;
};

// The user's path, in the system's 8-bit code page and Windows syntax, as the
// system takes it. CheckPathName has passed it.
[[nodiscard]] Failure ToNativePath(const std::string& path, NativePath& native);

// Follows symbolic links to the file that really gets written.
[[nodiscard]] Failure FollowLinks(NativePath& path);

// Opens an existing file for reading, sharing everything with other
// programs, and never waits: a device or a pipe is kNotAFile.
[[nodiscard]] Failure OpenForReading(const NativePath& path, File& file);
// Reads up to `size` bytes at `offset`, or at the file's position without
// one; `got` is 0 at the file's end.
[[nodiscard]] Failure Read(const File& file, char* buffer, std::size_t size, std::size_t& got,
                           std::optional<std::uint64_t> offset = std::nullopt);
// Writes all of `bytes` at `offset`, or at the file's position without one.
[[nodiscard]] Failure Write(const File& file, std::string_view bytes,
                            std::optional<std::uint64_t> offset = std::nullopt);

// What the replacement needs to know of an existing file.
struct FileState {
  bool plain_file = false;       // neither a folder nor (on POSIX) a device or pipe
  bool read_only = false;        // the read-only attribute (Windows)
  std::uint32_t attributes = 0;  // what a new file takes over: attributes, or mode
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
};
// kFileNotFound when there is no file at `path`.
[[nodiscard]] Failure Inspect(const NativePath& path, FileState& state);

// Opens an existing file for writing, without changing it and sharing
// everything with other programs.
[[nodiscard]] Failure OpenForWriting(const NativePath& path, File& file);
// Whether an open file is a file on disk, and not a device or a pipe.
bool IsDiskFile(const File& file);
// How many names the file has; 1 where the system cannot tell.
std::uint32_t LinkCount(const File& file);

// Makes a file that did not exist, readable and writable, with the
// attributes (Windows) or the owner and mode (POSIX) of `like` where given;
// kAlreadyExists when the name is taken.
[[nodiscard]] Failure CreateNew(const NativePath& path, const FileState* like, File& file);

[[nodiscard]] Failure SetLength(const File& file, std::uint64_t length);
// Flushes the file's data to the disk.
[[nodiscard]] Failure Flush(const File& file);
[[nodiscard]] Failure FileSize(const File& file, std::uint64_t& size);

// Takes the file's lock without waiting, for as long as `file` stays open:
// exclusive where the file is open for writing, shared where it can only be
// read. kInUse when another open file holds it, in this process or another,
// in Wine or natively.
[[nodiscard]] Failure Lock(const File& file);
// Opens an existing file of the program's own, beside its target, to claim
// it with Lock: for reading, for writing where allowed, and for removal.
[[nodiscard]] Failure OpenToClaim(const NativePath& path, File& file);

// Puts the file at `from`, open as `file` and flushed, in place of `to`
// with one rename. Where the system can only rename a closed file, `file`
// is closed first.
[[nodiscard]] Failure RenameOver(File& file, const NativePath& from, const NativePath& to);
// Gives the file at `from`, open as `file`, the new name `to`, which no
// file has; `file` stays open, and so does its lock.
[[nodiscard]] Failure Rename(const File& file, const NativePath& from, const NativePath& to);
// Makes a rename in the folder of `path` survive a power cut.
[[nodiscard]] Failure FlushFolderOf(const NativePath& path);
// Removes the file `path`, open as `file`, while still holding it and its
// lock: its name goes at once, or when the file is closed.
[[nodiscard]] Failure RemoveWhileOpen(const File& file, const NativePath& path);
void Remove(const NativePath& path);

// The path of `name` in the folder of `path`, and the last name of `path`.
NativePath Sibling(const NativePath& path, const NativePath& name);
NativePath NameOf(const NativePath& path);

// The names beside `path` that begin with `prefix`, with how long ago each
// was last written, in seconds.
struct FolderEntry {
  NativePath name;
  std::int64_t age_seconds = 0;
};
std::vector<FolderEntry> ListBeside(const NativePath& path, const NativePath& prefix);

unsigned long CurrentProcessId();

// A clock for waiting, and a pause.
std::uint64_t Milliseconds();
void Pause(unsigned milliseconds);

// How long a rename that another program's open refuses is tried again.
extern const unsigned kRenamePatienceMs;

// Where `path` lies on this machine when that is not plain from the path
// itself, in UTF-8; empty otherwise.
std::string LocalPathNote(const std::string& path) noexcept;

}  // namespace vireno::platform
