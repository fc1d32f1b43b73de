// How a file gets its new content: the rules, for every platform.
//
// The new content goes to a temporary file beside the target and is renamed
// over it, so that the target holds its old content or the new one, whole.
// Where a rename cannot do that, the target is rewritten in place: when it
// has several hard links (a rename would leave the others showing the old
// file), when the folder or another program's open refuses the rename, and,
// with the content held in memory, when the folder takes no new file at all.

#include <cctype>
#include <string>
#include <vector>

#include "profile/error.h"
#include "profile/file_failure.h"
#include "profile/file_system.h"

namespace vireno {

using platform::Failure;
using platform::FromAscii;
using platform::NativePath;

namespace {

// Temporary files are named ".<target>.<pid>-<n>.tmp" after the process
// that writes them.
NativePath TemporaryPrefix(const NativePath& target) {
  return FromAscii(".") + platform::NameOf(target) + FromAscii(".");
}

// A copy in another process namespace (Wine beside the native program) or on
// another machine sharing the folder has a process number that means nothing
// here: its file is left alone while it may still be written.
constexpr std::int64_t kStaleAfterSeconds = std::int64_t{10} * 60;

// The process number in a temporary file's name after `prefix`, or 0 when
// the name is not one of ours.
unsigned long OwnerOf(const NativePath& name, std::size_t prefix) {
  const NativePath suffix = FromAscii(".tmp");
  if (name.size() <= prefix + suffix.size() ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return 0;
  }
  unsigned long owner = 0;
  std::size_t at = prefix;
  for (; at < name.size() && name[at] >= '0' && name[at] <= '9'; ++at) {
    if (owner > 0xFFFFFFFFUL / 10) {
      return 0;
    }
    owner = owner * 10 + static_cast<unsigned long>(name[at] - '0');
  }
  return at < name.size() && name[at] == '-' ? owner : 0;
}

// A refusal to make a new file that leaves the content to be held in memory.
bool FolderTakesNoNewFile(Failure failure) {
  return failure == Failure::kAccessDenied || failure == Failure::kReadOnlyMedia;
}

// A refusal to rename over the target that leaves a rewrite in place: a
// folder with the sticky bit refuses to replace another user's file that the
// user may still write, and on Windows another program's open refuses it.
bool RenameRefused(Failure failure) {
  return failure == Failure::kAccessDenied || failure == Failure::kInUse;
}

}  // namespace

// A new file beside the target, made exclusively, and removed again unless
// kept. Its handle is closed before it is removed, as Windows requires.
class FileReplacement::TemporaryFile {
 public:
  TemporaryFile() = default;
  ~TemporaryFile() {
    if (!kept_) {
      (void)file_.Close();
      platform::Remove(path_);
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  [[nodiscard]] Failure Create(const NativePath& target, const platform::FileState* like) {
    const unsigned long id = platform::CurrentProcessId();
    const std::uint64_t seed = platform::Milliseconds() ^ (std::uint64_t{id} << 20);
    const NativePath stem =
        platform::Sibling(target, TemporaryPrefix(target) + FromAscii(std::to_string(id) + "-"));
    Failure failure = Failure::kAlreadyExists;
    for (unsigned attempt = 0; attempt < 100 && failure == Failure::kAlreadyExists; ++attempt) {
      path_ = stem + FromAscii(std::to_string((seed + attempt) % 1000000007ULL) + ".tmp");
      failure = platform::CreateNew(path_, like, file_);
    }
    if (failure != Failure::kNone) {
      kept_ = true;  // nothing of ours to remove
    }
    return failure;
  }

  platform::File& file() { return file_; }
  const NativePath& path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  NativePath path_;
  platform::File file_;
  bool kept_ = false;
};

FileReplacement::FileReplacement(const std::string& path)
    : path_(path), native_(NativePathOrRaise(path)) {
  Check(platform::FollowLinks(native_), Step::kOpen, path_);
  platform::FileState state;
  const Failure inspected = platform::Inspect(native_, state);
  if (inspected != Failure::kNone && inspected != Failure::kFileNotFound) {
    Raise(inspected, Step::kOpen, path_);
  }
  exists_ = inspected == Failure::kNone;
  if (exists_) {
    if (!state.plain_file) {
      throw RuntimeError(ErrorCode::kPathFileAccessError, path_);
    }
    // A rename would replace a read-only file on some systems; the user
    // marked it read-only, so it stays as it is.
    if (state.read_only) {
      throw RuntimeError(ErrorCode::kPermissionDenied, path_);
    }
    // Ask the system whether the target may be written, without touching it.
    platform::File probe;
    Check(platform::OpenForWriting(native_, probe), Step::kOpen, path_);
    if (!platform::IsDiskFile(probe)) {
      throw RuntimeError(ErrorCode::kPathFileAccessError, path_);
    }
    // A rename would leave the other names showing the old file.
    hard_linked_ = platform::LinkCount(probe) > 1;
  }
  // The replacement starts with what the user or other programs gave the
  // target, since a rename keeps what the new file has.
  temporary_ = std::make_unique<TemporaryFile>();
  const Failure created = temporary_->Create(native_, exists_ ? &state : nullptr);
  if (created != Failure::kNone) {
    temporary_.reset();
    if (exists_ && FolderTakesNoNewFile(created)) {
      return;  // the content is held here and written in place
    }
    Raise(created, Step::kCreate, path_);
  }
}

FileReplacement::~FileReplacement() = default;

void FileReplacement::Write(std::string_view bytes) {
  if (temporary_) {
    Check(platform::Write(temporary_->file(), bytes), Step::kTransfer, path_);
  } else {
    held_.append(bytes);
  }
}

void FileReplacement::Commit() {
  if (!temporary_) {
    RewriteInPlace([this](std::uint64_t offset) {
      return std::string_view(held_).substr(static_cast<std::size_t>(offset));
    });
    return;
  }
  Check(platform::Flush(temporary_->file()), Step::kTransfer, path_);
  if (hard_linked_) {
    RewriteFromTemporary();
    return;
  }
  // Virus scanners and indexers open fresh files for a moment, so a refusal
  // is tried again for a while where the platform knows such programs.
  const std::uint64_t start = platform::Milliseconds();
  for (;;) {
    const Failure renamed = platform::RenameOver(temporary_->file(), temporary_->path(), native_);
    if (renamed == Failure::kNone) {
      break;
    }
    if (!exists_ || !RenameRefused(renamed)) {
      Raise(renamed, Step::kReplace, path_);
    }
    if (platform::Milliseconds() - start >= platform::kRenamePatienceMs) {
      RewriteFromTemporary();
      return;
    }
    platform::Pause(20);
  }
  temporary_->Keep();
  Check(temporary_->file().Close(), Step::kTransfer, path_);
  RemoveStaleTemporaries();
  // Make the rename itself durable.
  Check(platform::FlushFolderOf(native_), Step::kTransfer, path_);
}

// Rewrites the target where it stands, so that every name of the file and
// every program holding it keeps showing it: the new content goes over the
// old from the start and the file is then cut to its length. A reader sees
// the old content or the new one, or for a moment the new one followed by the
// old tail; never an empty file.
void FileReplacement::RewriteInPlace(
    const std::function<std::string_view(std::uint64_t)>& content_at) {
  platform::File file;
  Check(platform::OpenForWriting(native_, file), Step::kOpen, path_);
  std::uint64_t done = 0;
  for (std::string_view piece = content_at(0); !piece.empty(); piece = content_at(done)) {
    Check(platform::Write(file, piece, done), Step::kTransfer, path_);
    done += piece.size();
  }
  Check(platform::SetLength(file, done), Step::kTransfer, path_);
  Check(platform::Flush(file), Step::kTransfer, path_);
  Check(file.Close(), Step::kTransfer, path_);
}

// Copies the temporary file over the target in place. Its name goes as early
// as the system allows, so that nobody sees it beside the new target.
void FileReplacement::RewriteFromTemporary() {
  platform::File& file = temporary_->file();
  const Failure removing = platform::RemoveWhileOpen(file, temporary_->path());
  temporary_->Keep();  // gone already, or going with its handle
  Check(removing, Step::kTransfer, path_);
  std::vector<char> buffer(std::size_t{64} * 1024);
  RewriteInPlace([&](std::uint64_t offset) {
    std::size_t got = 0;
    Check(platform::Read(file, buffer.data(), buffer.size(), got, offset), Step::kTransfer, path_);
    if (got == 0) {
      (void)file.Close();  // read to its end: the file goes with its last handle
    }
    return std::string_view(buffer.data(), got);
  });
}

// Removes temporary files that copies killed before their rename left
// behind: those whose process does not run here and that nobody has written
// for ten minutes.
void FileReplacement::RemoveStaleTemporaries() {
  const NativePath prefix = TemporaryPrefix(native_);
  for (const platform::FolderEntry& entry : platform::ListBeside(native_, prefix)) {
    const unsigned long owner = OwnerOf(entry.name, prefix.size());
    if (owner != 0 && !platform::ProcessMayRun(owner) && entry.age_seconds >= kStaleAfterSeconds) {
      platform::Remove(platform::Sibling(native_, entry.name));
    }
  }
}

}  // namespace vireno
