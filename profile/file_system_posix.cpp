#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "profile/code_page_posix.h"
#include "profile/error.h"
#include "profile/file_system.h"
#include "profile/host_path_posix.h"

namespace vireno {

namespace {

// What the program was doing when the system said no; the same errno means
// different things to the user in different steps.
enum class Step { kOpen, kTransfer, kCreate, kReplace };

bool IsFolder(const std::string& host_path) {
  struct stat info {};
  return stat(host_path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string FolderOf(const std::string& host_path) {
  const std::size_t slash = host_path.find_last_of('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : host_path.substr(0, slash);
}

std::string NameOf(const std::string& host_path) {
  const std::size_t slash = host_path.find_last_of('/');
  return slash == std::string::npos ? host_path : host_path.substr(slash + 1);
}

ErrorCode ErrorFromErrno(int error, Step step, const std::string& host_path) {
  switch (error) {
    case ENOENT:
      // Missing file in an existing folder, or a missing folder on the way.
      if (step == Step::kCreate || !IsFolder(FolderOf(host_path))) {
        return ErrorCode::kPathNotFound;
      }
      return ErrorCode::kFileNotFound;
    case ENOTDIR:
      return ErrorCode::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
      return ErrorCode::kPermissionDenied;
    case ENAMETOOLONG:
    case EILSEQ:
    case EINVAL:
      return ErrorCode::kBadFileName;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      return ErrorCode::kDiskFull;
    case EISDIR:
      return ErrorCode::kPathFileAccessError;
    case ENOMEM:
      return ErrorCode::kOutOfMemory;
    default:
      return step == Step::kTransfer ? ErrorCode::kDeviceIoError : ErrorCode::kPathFileAccessError;
  }
}

[[noreturn]] void Raise(int error, Step step, const std::string& host_path,
                        const std::string& path) {
  throw RuntimeError(ErrorFromErrno(error, step, host_path), path);
}

// The path in the file system's encoding (UTF-8), mapped onto this machine.
std::string HostPathOrRaise(const std::string& path) {
  CheckPathName(path);
  std::string utf8;
  if (!CodePageToUtf8(path, AnsiCodePage(), utf8, false)) {
    throw RuntimeError(ErrorCode::kBadFileName, path);
  }
  return HostPath(utf8);
}

// Closes a descriptor when it goes out of scope, unless released first.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

void WriteAll(int fd, std::string_view content, const std::string& host_path,
              const std::string& path) {
  while (!content.empty()) {
    const ssize_t written = write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      Raise(errno, Step::kTransfer, host_path, path);
    }
    if (written == 0) {
      Raise(ENOSPC, Step::kTransfer, host_path, path);
    }
    content.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Flushes `fd` to the disk and closes it, reporting either failing.
void SyncAndClose(FileDescriptor& file, const std::string& host_path, const std::string& path) {
  if (fsync(file.get()) != 0) {
    Raise(errno, Step::kTransfer, host_path, path);
  }
  if (close(file.release()) != 0) {
    Raise(errno, Step::kTransfer, host_path, path);
  }
}

// Follows symbolic links to the file that really gets written.
std::string FollowLinks(std::string host_path, const std::string& path) {
  constexpr int kMaxLinks = 40;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat info {};
    if (lstat(host_path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      return host_path;
    }
    std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
    const ssize_t size = readlink(host_path.c_str(), target.data(), target.size());
    if (size < 0) {
      Raise(errno, Step::kOpen, host_path, path);
    }
    target.resize(static_cast<std::size_t>(size));
    if (!target.empty() && target.front() == '/') {
      host_path = std::move(target);
    } else {
      host_path = FolderOf(host_path).append("/").append(target);
    }
  }
  Raise(ELOOP, Step::kOpen, host_path, path);
}

// Temporary files are named ".<target>.<pid>-<n>.tmp" after the process
// that writes them.
std::string TemporaryPrefix(const std::string& host_path) {
  return "." + NameOf(host_path) + ".";
}

// A new file beside the target, made exclusively, and removed again unless
// kept. Its descriptor is closed before it is removed, as on every system.
class TemporaryFile {
 public:
  // Check valid(); on failure errno says why.
  explicit TemporaryFile(const std::string& host_path) {
    const auto seed = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    const std::string stem =
        FolderOf(host_path) + "/" + TemporaryPrefix(host_path) + std::to_string(getpid()) + "-";
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      path_ = stem + std::to_string((seed + attempt) % 1000000007ULL) + ".tmp";
      fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
      if (fd_ >= 0 || errno != EEXIST) {
        break;
      }
    }
    if (fd_ < 0) {
      const int error = errno;
      path_.clear();
      errno = error;
    }
  }
  ~TemporaryFile() {
    if (fd_ >= 0) {
      close(fd_);
    }
    if (!kept_ && !path_.empty()) {
      unlink(path_.c_str());
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // Closes the descriptor; false with errno set when the close fails.
  bool Close() { return fd_ < 0 || close(std::exchange(fd_, -1)) == 0; }
  void Keep() { kept_ = true; }
  // Removes the name now; the descriptor stays open.
  void Unlink() {
    if (!path_.empty()) {
      unlink(path_.c_str());
      path_.clear();
    }
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool kept_ = false;
};

// A copy in another process namespace or on another machine sharing the
// folder has a process number that means nothing here: its file is left
// alone while it may still be written.
constexpr std::time_t kStaleAfterSeconds = std::time_t{10} * 60;

// Removes temporary files that copies killed before their rename left
// behind: those whose process does not run here and that nobody has written
// for ten minutes.
void RemoveStaleTemporaries(const std::string& host_path) {
  const std::string folder = FolderOf(host_path);
  const std::string prefix = TemporaryPrefix(host_path);
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) {
    return;
  }
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - 4, 4, ".tmp") != 0) {
      continue;
    }
    char* end = nullptr;
    const long owner = std::strtol(name.c_str() + prefix.size(), &end, 10);
    if (owner <= 0 || *end != '-' || kill(static_cast<pid_t>(owner), 0) == 0 || errno != ESRCH) {
      continue;
    }
    struct stat info {};
    if (fstatat(dirfd(dir.get()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        std::time(nullptr) - info.st_mtime >= kStaleAfterSeconds) {
      unlinkat(dirfd(dir.get()), name.c_str(), 0);
    }
  }
}

// The next piece of the new content from `offset` on; empty at its end.
using ContentAt = std::function<std::string_view(std::size_t offset)>;

// Rewrites the target where it stands, so that every name of the file keeps
// showing it: the new content goes over the old from the start and the file
// is then cut to its length. A reader sees the old content or the new one, or
// for a moment the new one followed by the old tail; never an empty file.
void RewriteInPlace(const std::string& host_path, const ContentAt& content_at,
                    const std::string& path) {
  FileDescriptor file(open(host_path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.get() < 0) {
    Raise(errno, Step::kOpen, host_path, path);
  }
  std::size_t done = 0;
  for (std::string_view piece = content_at(0); !piece.empty(); piece = content_at(done)) {
    const ssize_t written =
        pwrite(file.get(), piece.data(), piece.size(), static_cast<off_t>(done));
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      Raise(written < 0 ? errno : ENOSPC, Step::kTransfer, host_path, path);
    }
    done += static_cast<std::size_t>(written);
  }
  if (ftruncate(file.get(), static_cast<off_t>(done)) != 0) {
    Raise(errno, Step::kTransfer, host_path, path);
  }
  SyncAndClose(file, host_path, path);
}

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
  const std::string host_path = HostPathOrRaise(path);
  // Without waiting: opening a pipe for reading would wait for a writer.
  FileDescriptor file(open(host_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.get() < 0) {
    Raise(errno, Step::kOpen, host_path, path);
  }
  struct stat info {};
  if (fstat(file.get(), &info) != 0) {
    Raise(errno, Step::kOpen, host_path, path);
  }
  if (!S_ISREG(info.st_mode)) {
    throw RuntimeError(ErrorCode::kPathFileAccessError, path);
  }
  handle_ = file.release();
}

InputFile::~InputFile() {
  Close();
}

void InputFile::Close() {
  if (handle_ >= 0) {
    close(static_cast<int>(std::exchange(handle_, -1)));
  }
}

std::size_t InputFile::Read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = read(static_cast<int>(handle_), buffer, size);
    if (got >= 0) {
      return static_cast<std::size_t>(got);
    }
    if (errno != EINTR) {
      Raise(errno, Step::kTransfer, path_, path_);
    }
  }
}

namespace {

class PosixReplacement final : public FileReplacement {
 public:
  explicit PosixReplacement(const std::string& path)
      : path_(path), host_path_(FollowLinks(HostPathOrRaise(path), path)) {
    struct stat existing {};
    exists_ = stat(host_path_.c_str(), &existing) == 0;
    if (exists_) {
      if (!S_ISREG(existing.st_mode)) {
        throw RuntimeError(ErrorCode::kPathFileAccessError, path_);
      }
      // Ask the system whether the target may be written, without touching it.
      FileDescriptor probe(open(host_path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
      if (probe.get() < 0) {
        Raise(errno, Step::kOpen, host_path_, path_);
      }
      // A rename would leave the other names showing the old file.
      hard_linked_ = existing.st_nlink > 1;
    }
    temporary_.emplace(host_path_);
    if (!temporary_->valid()) {
      const int error = errno;
      temporary_.reset();
      if (exists_ && (error == EACCES || error == EPERM || error == EROFS)) {
        return;  // the folder takes no new file: the content is held here
      }
      Raise(error, Step::kCreate, host_path_, path_);
    }
    if (exists_) {
      // Keep the target's owner where allowed, and its permission bits.
      (void)!fchown(temporary_->fd(), existing.st_uid, existing.st_gid);
      if (fchmod(temporary_->fd(), existing.st_mode & 07777) != 0) {
        Raise(errno, Step::kReplace, host_path_, path_);
      }
    }
  }

  void Write(std::string_view bytes) override {
    if (temporary_) {
      WriteAll(temporary_->fd(), bytes, host_path_, path_);
    } else {
      held_.append(bytes);
    }
  }

  void Commit() override {
    if (!temporary_) {
      RewriteInPlace(
          host_path_, [this](std::size_t offset) { return std::string_view(held_).substr(offset); },
          path_);
      return;
    }
    if (fsync(temporary_->fd()) != 0) {
      Raise(errno, Step::kTransfer, host_path_, path_);
    }
    if (hard_linked_) {
      RewriteFromTemporary();
      return;
    }
    if (rename(temporary_->path().c_str(), host_path_.c_str()) != 0) {
      const int error = errno;
      // A folder with the sticky bit refuses to replace another user's file
      // that the user may still write.
      if (exists_ && (error == EPERM || error == EACCES)) {
        RewriteFromTemporary();
        return;
      }
      Raise(error, Step::kReplace, host_path_, path_);
    }
    temporary_->Keep();
    if (!temporary_->Close()) {
      Raise(errno, Step::kTransfer, host_path_, path_);
    }
    RemoveStaleTemporaries(host_path_);

    // Make the rename itself durable.
    FileDescriptor folder(open(FolderOf(host_path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0 && fsync(folder.get()) != 0 && errno != EINVAL) {
      Raise(errno, Step::kTransfer, host_path_, path_);
    }
  }

 private:
  // Copies the temporary file over the target in place. Its name goes
  // first, so that nobody sees it beside the new target; the descriptor
  // still reads it.
  void RewriteFromTemporary() {
    std::vector<char> buffer(std::size_t{64} * 1024);
    const int fd = temporary_->fd();
    temporary_->Unlink();
    RewriteInPlace(
        host_path_,
        [&](std::size_t offset) {
          for (;;) {
            const ssize_t got = pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
            if (got >= 0) {
              return std::string_view(buffer.data(), static_cast<std::size_t>(got));
            }
            if (errno != EINTR) {
              Raise(errno, Step::kTransfer, host_path_, path_);
            }
          }
        },
        path_);
  }

  std::string path_;
  std::string host_path_;
  bool exists_ = false;
  bool hard_linked_ = false;
  std::optional<TemporaryFile> temporary_;
  std::string held_;
};

}  // namespace

std::unique_ptr<FileReplacement> FileReplacement::Open(const std::string& path) {
  return std::make_unique<PosixReplacement>(path);
}

std::string ToUtf8(std::string_view text) {
  std::string utf8;
  CodePageToUtf8(text, AnsiCodePage(), utf8, true);
  return utf8;
}

std::string LocalPathNote(const std::string& path) noexcept {
  try {
    // Only a drive letter hides where a path leads.
    if (path.size() < 2 || path[1] != ':') {
      return {};
    }
    return HostPathOrRaise(path);
  } catch (...) {
    return {};
  }
}

std::size_t CharacterSize(std::string_view text) {
  if (text.empty()) {
    return 0;
  }
  const std::size_t size = CharacterSizeIn(AnsiCodePage(), static_cast<unsigned char>(text[0]));
  return size < text.size() ? size : text.size();
}

}  // namespace vireno
