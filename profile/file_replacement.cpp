// How a file gets its new content: the rules, for every platform.
//
// The new content goes to a temporary file beside the target and is renamed
// over it, so that the target holds its old content or the new one, whole.
// Where a rename cannot do that, the target is rewritten in place: when it
// has several hard links (a rename would leave the others showing the old
// file), when the folder or another program's open refuses the rename, and,
// with the content held in memory, when the folder takes no new file at all.
//
// A rewrite in place first writes what lies past the old end, so that a full
// disk is found while the old content is still whole, and puts that back.
// Before it changes the first old byte, the complete temporary file becomes
// a record of what the target must become, so that a copy killed during the
// rewrite is completed by the next program that starts.
//
// The program's files beside the target are ".<target>.<pid>-<n>.tmp" while
// written and ".<target>.<pid>-<n>.pending" as records. A copy holds a lock
// on its file for as long as it uses it; no process number can tell a live
// copy from a dead one, since numbers are reused (Wine gives the same one to
// the first program after every start of its server).

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "profile/error.h"
#include "profile/file_failure.h"
#include "profile/file_system.h"

namespace vireno {

using platform::Failure;
using platform::File;
using platform::FromAscii;
using platform::NativePath;

namespace {

constexpr char kTemporarySuffix[] = ".tmp";
constexpr char kRecordSuffix[] = ".pending";

NativePath OwnPrefix(const NativePath& target) {
  return FromAscii(".") + platform::NameOf(target) + FromAscii(".");
}

bool EndsWith(const NativePath& name, const char* suffix) {
  const NativePath tail = FromAscii(suffix);
  return name.size() >= tail.size() &&
         name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

enum class Kind { kNotOurs, kTemporary, kRecord };

// A name of ours: the prefix, a process number, '-', and a suffix.
Kind KindOf(const NativePath& name, std::size_t prefix) {
  std::size_t at = prefix;
  while (at < name.size() && name[at] >= '0' && name[at] <= '9') {
    ++at;
  }
  if (at == prefix || at >= name.size() || name[at] != '-') {
    return Kind::kNotOurs;
  }
  if (EndsWith(name, kTemporarySuffix)) {
    return Kind::kTemporary;
  }
  return EndsWith(name, kRecordSuffix) ? Kind::kRecord : Kind::kNotOurs;
}

// A copy in another process namespace (Wine beside the native program) or on
// another machine sharing the folder may hold no lock that is seen here: a
// temporary file is left alone while it may still be written.
constexpr std::int64_t kStaleAfterSeconds = std::int64_t{10} * 60;

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

// Removes a file of ours that no live copy holds: only what could be locked.
void ClaimAndRemove(const NativePath& path) {
  File file;
  if (platform::OpenToClaim(path, file) == Failure::kNone &&
      platform::Lock(file) == Failure::kNone &&
      platform::RemoveWhileOpen(file, path) == Failure::kNone) {
    (void)file.Close();
  }
}

// Removes what dead copies left beside `target`: temporary files nobody has
// written for ten minutes, and records, which the target's newer content or
// the record `keep` supersede.
void RemoveLeftovers(const NativePath& target, const NativePath& keep = {}) {
  const NativePath prefix = OwnPrefix(target);
  for (const platform::FolderEntry& entry : platform::ListBeside(target, prefix)) {
    const Kind kind = KindOf(entry.name, prefix.size());
    const NativePath path = platform::Sibling(target, entry.name);
    if (path != keep && (kind == Kind::kRecord ||
                         (kind == Kind::kTemporary && entry.age_seconds >= kStaleAfterSeconds))) {
      ClaimAndRemove(path);
    }
  }
}

// Reads the new content at `offset`; `got` is 0 at its end.
using ContentReader =
    std::function<Failure(std::uint64_t offset, char* buffer, std::size_t size, std::size_t& got)>;

// Copies the content's bytes from `from` up to `to` to the same offsets.
Failure CopyRange(const File& file, const ContentReader& read, std::uint64_t from,
                  std::uint64_t to) {
  std::vector<char> buffer(std::size_t{64} * 1024);
  while (from < to) {
    std::size_t got = 0;
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), to - from));
    if (const Failure failure = read(from, buffer.data(), want, got); failure != Failure::kNone) {
      return failure;
    }
    if (got == 0) {
      return Failure::kOther;  // the content ended before its size
    }
    if (const Failure failure = platform::Write(file, {buffer.data(), got}, from);
        failure != Failure::kNone) {
      return failure;
    }
    from += got;
  }
  return Failure::kNone;
}

struct Outcome {
  Failure failure = Failure::kNone;
  Step step = Step::kTransfer;
  bool target_changed = false;  // some old byte was overwritten
};

// Rewrites the target where it stands, so that every name of the file and
// every program holding it keeps showing it. The part past the old end comes
// first and is flushed; when that fails, the target is cut back to its old
// length, unchanged. Then the new content goes over the old from the start
// and the file is cut to its length. A reader sees the old content or the new
// one, or for a moment a mix of both; never an empty file.
Outcome RewriteInPlace(const NativePath& target, std::uint64_t size, const ContentReader& read) {
  File file;
  std::uint64_t old_size = 0;
  Failure failure = platform::OpenForWriting(target, file);
  if (failure == Failure::kNone) {
    failure = platform::FileSize(file, old_size);
  }
  if (failure != Failure::kNone) {
    return {failure, Step::kOpen};
  }
  if (size > old_size) {
    failure = CopyRange(file, read, old_size, size);
    if (failure == Failure::kNone) {
      failure = platform::Flush(file);
    }
    if (failure != Failure::kNone) {
      (void)platform::SetLength(file, old_size);
      (void)platform::Flush(file);
      return {failure};
    }
  }
  failure = CopyRange(file, read, 0, std::min(size, old_size));
  if (failure == Failure::kNone) {
    failure = platform::SetLength(file, size);
  }
  if (failure == Failure::kNone) {
    failure = platform::Flush(file);
  }
  if (failure == Failure::kNone) {
    failure = file.Close();
  }
  return {failure, Step::kTransfer, true};
}

// The file that gets written for the user's `path`, its links followed;
// kBadName for a path no file can have.
Failure TargetOf(const std::string& path, NativePath& target) {
  if (path.empty() || path.find('\0') != std::string::npos) {
    return Failure::kBadName;
  }
  const Failure mapped = platform::ToNativePath(path, target);
  return mapped != Failure::kNone ? mapped : platform::FollowLinks(target);
}

ContentReader ReaderOf(const File& file) {
  return [&file](std::uint64_t offset, char* buffer, std::size_t size, std::size_t& got) {
    return platform::Read(file, buffer, size, got, offset);
  };
}

}  // namespace

// A new file beside the target, made exclusively and locked, and removed
// again unless kept.
class FileReplacement::TemporaryFile {
 public:
  TemporaryFile() = default;
  ~TemporaryFile() {
    if (!kept_) {
      Discard();
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  [[nodiscard]] Failure Create(const NativePath& target, const platform::FileState* like) {
    const unsigned long id = platform::CurrentProcessId();
    const std::uint64_t seed = platform::Milliseconds() ^ (std::uint64_t{id} << 20);
    const NativePath stem =
        platform::Sibling(target, OwnPrefix(target) + FromAscii(std::to_string(id) + "-"));
    Failure failure = Failure::kAlreadyExists;
    for (unsigned attempt = 0; attempt < 100 && failure == Failure::kAlreadyExists; ++attempt) {
      stem_ = stem + FromAscii(std::to_string((seed + attempt) % 1000000007ULL));
      path_ = stem_ + FromAscii(kTemporarySuffix);
      failure = platform::CreateNew(path_, like, file_);
    }
    if (failure != Failure::kNone) {
      kept_ = true;  // nothing of ours to remove
      return failure;
    }
    // On a file system without locks the age rule alone protects the file.
    (void)platform::Lock(file_);
    return Failure::kNone;
  }

  // Renames the complete, flushed file to its record name, durably.
  [[nodiscard]] Failure BecomeRecord(const NativePath& target) {
    if (!file_.is_open()) {  // a move that renames only closed files closed it
      if (const Failure failure = platform::OpenToClaim(path_, file_); failure != Failure::kNone) {
        return failure;
      }
      (void)platform::Lock(file_);
    }
    const NativePath record = stem_ + FromAscii(kRecordSuffix);
    if (const Failure failure = platform::Rename(file_, path_, record); failure != Failure::kNone) {
      return failure;
    }
    path_ = record;
    return platform::FlushFolderOf(target);
  }

  // Removes the file, and with it the lock.
  void Discard() {
    kept_ = true;
    if (!file_.is_open() || platform::RemoveWhileOpen(file_, path_) != Failure::kNone) {
      (void)file_.Close();
      platform::Remove(path_);
    }
    (void)file_.Close();
  }

  File& file() { return file_; }
  const NativePath& path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  NativePath stem_;
  NativePath path_;
  File file_;
  bool kept_ = false;
};

FileReplacement::FileReplacement(std::string path) : path_(std::move(path)) {
  CheckPathName(path_);
  Check(TargetOf(path_, native_), Step::kOpen, path_);
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
    File probe;
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
  size_ += bytes.size();
}

void FileReplacement::Commit() {
  if (!temporary_) {
    // No record can be kept here: a crash during this rewrite is not undone.
    const Outcome outcome = RewriteInPlace(
        native_, size_,
        [this](std::uint64_t offset, char* buffer, std::size_t size, std::size_t& got) {
          got = std::string_view(held_).copy(buffer, size, static_cast<std::size_t>(offset));
          return Failure::kNone;
        });
    Check(outcome.failure, outcome.step, path_);
    return;
  }
  Check(platform::Flush(temporary_->file()), Step::kTransfer, path_);
  if (hard_linked_ || !RenamedOver()) {
    RewriteThroughRecord();
    return;
  }
  temporary_->Keep();
  Check(temporary_->file().Close(), Step::kTransfer, path_);
  RemoveLeftovers(native_);
  // Make the rename itself durable.
  Check(platform::FlushFolderOf(native_), Step::kTransfer, path_);
}

// Renames the temporary file over the target; false when the target stays
// in use. Virus scanners and indexers open fresh files for a moment, so a
// refusal is tried again for a while where the platform knows such programs.
bool FileReplacement::RenamedOver() {
  const std::uint64_t start = platform::Milliseconds();
  for (;;) {
    const Failure renamed = platform::RenameOver(temporary_->file(), temporary_->path(), native_);
    if (renamed == Failure::kNone) {
      return true;
    }
    if (!exists_ || !RenameRefused(renamed)) {
      Raise(renamed, Step::kReplace, path_);
    }
    if (platform::Milliseconds() - start >= platform::kRenamePatienceMs) {
      return false;
    }
    platform::Pause(20);
  }
}

// The rewrite in place from the temporary file, once it is a record.
void FileReplacement::RewriteThroughRecord() {
  Check(temporary_->BecomeRecord(native_), Step::kReplace, path_);
  RemoveLeftovers(native_, temporary_->path());
  const Outcome outcome = RewriteInPlace(native_, size_, ReaderOf(temporary_->file()));
  if (outcome.failure != Failure::kNone && outcome.target_changed) {
    temporary_->Keep();  // the next start completes the rewrite from it
  }
  Check(outcome.failure, outcome.step, path_);
  temporary_->Discard();
}

bool FinishInterruptedReplacement(const std::string& path) {
  NativePath target;
  if (TargetOf(path, target) != Failure::kNone) {
    return false;
  }
  const NativePath prefix = OwnPrefix(target);
  std::vector<platform::FolderEntry> records = platform::ListBeside(target, prefix);
  records.erase(std::remove_if(records.begin(), records.end(),
                               [&](const platform::FolderEntry& entry) {
                                 return KindOf(entry.name, prefix.size()) != Kind::kRecord;
                               }),
                records.end());
  // The newest record is the one whose rewrite came last.
  std::sort(records.begin(), records.end(),
            [](const auto& a, const auto& b) { return a.age_seconds < b.age_seconds; });
  for (const platform::FolderEntry& entry : records) {
    const NativePath record = platform::Sibling(target, entry.name);
    File file;
    std::uint64_t size = 0;
    if (platform::OpenToClaim(record, file) != Failure::kNone ||
        platform::Lock(file) != Failure::kNone ||
        platform::FileSize(file, size) != Failure::kNone) {
      continue;  // a live copy's, or not ours to complete
    }
    if (RewriteInPlace(target, size, ReaderOf(file)).failure != Failure::kNone) {
      return false;  // kept, for the next replacement to supersede
    }
    (void)platform::RemoveWhileOpen(file, record);
    (void)file.Close();
    RemoveLeftovers(target);
    return true;
  }
  return false;
}

}  // namespace vireno
