// The file layer's system calls on POSIX systems.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>
#include <string>
#include <utility>

#include "profile/code_page_posix.h"
#include "profile/host_path_posix.h"
#include "profile/platform_files.h"
#include "profile/system_errors.h"

namespace vireno::platform {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

Failure LastFailure(const std::string& path = {}) {
  return FailureOf(errno, path);
}

int Fd(const File& file) {
  return static_cast<int>(file.handle());
}

// Opens `path` without waiting: opening a pipe would wait for its other end.
Failure OpenExisting(const std::string& path, int flags, File& file) {
  const int fd = open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    return LastFailure(path);
  }
  file = File(fd);
  return Failure::kNone;
}

}  // namespace

Failure File::Close() {
  if (!is_open()) {
    return Failure::kNone;
  }
  return close(static_cast<int>(std::exchange(handle_, kClosed))) == 0 ? Failure::kNone
                                                                       : LastFailure();
}

Failure ToNativePath(const std::string& path, NativePath& native) {
  std::string utf8;
  if (!CodePageToUtf8(path, AnsiCodePage(), utf8, false)) {
    return Failure::kBadName;
  }
  switch (CheckWindowsName(utf8)) {
    case WindowsName::kBadName:
      return Failure::kBadName;
    case WindowsName::kDevice:
      return Failure::kNotAFile;
    case WindowsName::kValid:
      break;
  }
  native = HostPath(utf8);
  return Failure::kNone;
}

Failure FollowLinks(NativePath& path) {
  constexpr int kMaxLinks = 40;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      return Failure::kNone;
    }
    std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
    const ssize_t size = readlink(path.c_str(), target.data(), target.size());
    if (size < 0) {
      return LastFailure(path);
    }
    target.resize(static_cast<std::size_t>(size));
    path = !target.empty() && target.front() == '/' ? target
                                                    : FolderOf(path).append("/").append(target);
  }
  return FailureOf(ELOOP);
}

Failure OpenForReading(const NativePath& path, File& file) {
  if (const Failure failure = OpenExisting(path, O_RDONLY, file); failure != Failure::kNone) {
    return failure;
  }
  return IsDiskFile(file) ? Failure::kNone : Failure::kNotAFile;
}

Failure Read(const File& file, char* buffer, std::size_t size, std::size_t& got,
             std::optional<std::uint64_t> offset) {
  for (;;) {
    const ssize_t read_now = offset ? pread(Fd(file), buffer, size, static_cast<off_t>(*offset))
                                    : read(Fd(file), buffer, size);
    if (read_now >= 0) {
      got = static_cast<std::size_t>(read_now);
      return Failure::kNone;
    }
    if (errno != EINTR) {
      return LastFailure();
    }
  }
}

Failure Write(const File& file, std::string_view bytes, std::optional<std::uint64_t> offset) {
  while (!bytes.empty()) {
    const ssize_t written =
        offset ? pwrite(Fd(file), bytes.data(), bytes.size(), static_cast<off_t>(*offset))
               : write(Fd(file), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return written < 0 ? LastFailure() : Failure::kDiskFull;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    if (offset) {
      *offset += static_cast<std::uint64_t>(written);
    }
  }
  return Failure::kNone;
}

Failure Inspect(const NativePath& path, FileState& state) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    return LastFailure(path);
  }
  state.plain_file = S_ISREG(info.st_mode);
  // Wine shows a file without any write bit as read-only, for root too.
  state.read_only = (info.st_mode & 0222) == 0;
  state.attributes = info.st_mode & 07777;
  state.owner = info.st_uid;
  state.group = info.st_gid;
  return Failure::kNone;
}

Failure OpenForWriting(const NativePath& path, File& file) {
  return OpenExisting(path, O_WRONLY, file);
}

bool IsDiskFile(const File& file) {
  struct stat info {};
  return fstat(Fd(file), &info) == 0 && S_ISREG(info.st_mode);
}

std::uint32_t LinkCount(const File& file) {
  struct stat info {};
  return fstat(Fd(file), &info) == 0 ? static_cast<std::uint32_t>(info.st_nlink) : 1;
}

Failure CreateNew(const NativePath& path, const FileState* like, File& file) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) {
    return LastFailure();
  }
  file = File(fd);
  if (like != nullptr) {
    // The owner where allowed, and the permission bits.
    (void)!fchown(fd, like->owner, like->group);
    if (fchmod(fd, like->attributes) != 0) {
      const Failure failure = LastFailure();
      (void)file.Close();
      unlink(path.c_str());
      return failure;
    }
  }
  return Failure::kNone;
}

Failure SetLength(const File& file, std::uint64_t length) {
  return ftruncate(Fd(file), static_cast<off_t>(length)) == 0 ? Failure::kNone : LastFailure();
}

Failure Flush(const File& file) {
  return fsync(Fd(file)) == 0 ? Failure::kNone : LastFailure();
}

Failure FileSize(const File& file, std::uint64_t& size) {
  struct stat info {};
  if (fstat(Fd(file), &info) != 0) {
    return LastFailure();
  }
  size = static_cast<std::uint64_t>(info.st_size);
  return Failure::kNone;
}

// A lock of the open file description: Wine's LockFileEx sees it, and unlike
// a process's fcntl lock it does not go when another descriptor of the file
// is closed.
Failure Lock(const File& file) {
  struct flock lock {};
  lock.l_type = (fcntl(Fd(file), F_GETFL) & O_ACCMODE) == O_RDONLY ? F_RDLCK : F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (fcntl(Fd(file), F_OFD_SETLK, &lock) == 0) {
    return Failure::kNone;
  }
  return errno == EAGAIN || errno == EACCES ? Failure::kInUse : LastFailure();
}

Failure OpenToClaim(const NativePath& path, File& file) {
  Failure failure = OpenExisting(path, O_RDWR | O_NOFOLLOW, file);
  if (failure == Failure::kAccessDenied) {
    failure = OpenExisting(path, O_RDONLY | O_NOFOLLOW, file);
  }
  if (failure == Failure::kNone && !IsDiskFile(file)) {
    (void)file.Close();
    return Failure::kNotAFile;
  }
  return failure;
}

Failure Rename(const File& /*file*/, const NativePath& from, const NativePath& to) {
  return rename(from.c_str(), to.c_str()) == 0 ? Failure::kNone : LastFailure();
}

Failure RenameOver(File& file, const NativePath& from, const NativePath& to) {
  return Rename(file, from, to);  // a rename replaces what it finds
}

Failure FlushFolderOf(const NativePath& path) {
  const int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return Failure::kNone;  // a folder that cannot be opened cannot be flushed either
  }
  File folder(fd);
  // Some file systems cannot flush a folder, and say so with EINVAL.
  if (fsync(fd) != 0 && errno != EINVAL) {
    return LastFailure();
  }
  return folder.Close();
}

Failure RemoveWhileOpen(const File& /*file*/, const NativePath& path) {
  return unlink(path.c_str()) == 0 ? Failure::kNone : LastFailure();
}

void Remove(const NativePath& path) {
  if (!path.empty()) {
    unlink(path.c_str());
  }
}

NativePath Sibling(const NativePath& path, const NativePath& name) {
  return FolderOf(path) + "/" + name;
}

NativePath NameOf(const NativePath& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<FolderEntry> ListBeside(const NativePath& path, const NativePath& prefix) {
  std::vector<FolderEntry> entries;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(FolderOf(path).c_str()), closedir);
  if (!dir) {
    return entries;
  }
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    struct stat info {};
    if (name.compare(0, prefix.size(), prefix) == 0 &&
        fstatat(dirfd(dir.get()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
      entries.push_back({name, std::time(nullptr) - info.st_mtime});
    }
  }
  return entries;
}

unsigned long CurrentProcessId() {
  return static_cast<unsigned long>(getpid());
}

std::uint64_t Milliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
         static_cast<std::uint64_t>(now.tv_nsec / 1000000);
}

void Pause(unsigned milliseconds) {
  usleep(static_cast<useconds_t>(milliseconds) * 1000);
}

// Nothing on POSIX holds a file against a rename: a refusal is final.
const unsigned kRenamePatienceMs = 0;

}  // namespace vireno::platform
