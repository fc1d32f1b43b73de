// The file layer's system calls on Windows.

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "profile/code_page_win32.h"
#include "profile/platform_files.h"
#include "profile/system_errors.h"

namespace vireno::platform {

namespace {

Failure LastFailure(const std::wstring& path = {}) {
  return FailureOf(GetLastError(), path);
}

HANDLE HandleOf(const File& file) {
  return reinterpret_cast<HANDLE>(file.handle());
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

Failure OpenExisting(const std::wstring& path, DWORD access, DWORD flags, File& file) {
  const HANDLE handle =
      CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return LastFailure(path);
  }
  file = File(reinterpret_cast<std::intptr_t>(handle));
  return Failure::kNone;
}

// ReadFile and WriteFile take at most 4 GiB less one byte at a time.
constexpr std::size_t kChunk = std::size_t{1} << 30;

DWORD ChunkOf(std::size_t size) {
  return static_cast<DWORD>(size < kChunk ? size : kChunk);
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(offset);
  position.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return position;
}

// The information class of a rename with flags (Windows 10 1607 on), which
// the headers declare only for builds that target that version alone.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

// Renames the open file through its handle. The name is taken as a path,
// absolute or from the current folder, as the rest of the program's paths.
bool RenameThroughHandle(HANDLE file, const std::wstring& to, FILE_INFO_BY_HANDLE_CLASS kind,
                         DWORD flags) {
  const std::size_t name_bytes = to.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->Flags = flags;  // also ReplaceIfExists, for the plain rename
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(info->FileName, to.data(), name_bytes);
  return SetFileInformationByHandle(file, kind, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

// Systems before Windows 10 1709, Wine and some network file systems know no
// POSIX-semantics rename and say so in one of these ways.
bool IsUnsupported(DWORD error) {
  return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
}

std::wstring FolderOf(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/:");
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

std::uint64_t ValueOf(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// What a replacement keeps of the target's attributes. Read-only is not
// among them: a read-only target is refused before anything is written.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

Failure File::Close() {
  if (!is_open()) {
    return Failure::kNone;
  }
  return CloseHandle(reinterpret_cast<HANDLE>(std::exchange(handle_, kClosed))) ? Failure::kNone
                                                                                : LastFailure();
}

Failure ToNativePath(const std::string& path, NativePath& native) {
  native = AnsiToUtf16(path);
  return Failure::kNone;
}

Failure FollowLinks(NativePath& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return Failure::kNone;
  }
  File link;
  if (OpenExisting(path, 0, FILE_FLAG_BACKUP_SEMANTICS, link) != Failure::kNone) {
    return Failure::kNone;  // the link's own name gets written, as before links
  }
  std::wstring final_path(32768, L'\0');  // the longest path Windows has
  const DWORD length = GetFinalPathNameByHandleW(HandleOf(link), final_path.data(),
                                                 static_cast<DWORD>(final_path.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length > 0 && length < final_path.size()) {
    final_path.resize(length);
    path = final_path;
  }
  return Failure::kNone;
}

Failure OpenForReading(const NativePath& path, File& file) {
  const Failure failure = OpenExisting(path, GENERIC_READ, FILE_FLAG_SEQUENTIAL_SCAN, file);
  if (failure != Failure::kNone) {
    return failure;
  }
  // A device name (AUX, COM1, CON...) or a pipe opens too, and reading it
  // would wait for ever.
  return IsDiskFile(file) ? Failure::kNone : Failure::kNotAFile;
}

// A pipe whose writer has gone is at its end.
Failure Read(const File& file, char* buffer, std::size_t size, std::size_t& got,
             std::optional<std::uint64_t> offset) {
  DWORD read_now = 0;
  OVERLAPPED position = At(offset.value_or(0));
  got = 0;
  if (!ReadFile(HandleOf(file), buffer, ChunkOf(size), &read_now, offset ? &position : nullptr)) {
    const DWORD error = GetLastError();
    return error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE ? Failure::kNone
                                                                   : FailureOf(error);
  }
  got = read_now;
  return Failure::kNone;
}

Failure Inspect(const NativePath& path, FileState& state) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return LastFailure(path);
  }
  state.plain_file = (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  state.read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  state.attributes = attributes & kKeptAttributes;
  return Failure::kNone;
}

Failure OpenForWriting(const NativePath& path, File& file) {
  return OpenExisting(path, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, file);
}

bool IsDiskFile(const File& file) {
  return GetFileType(HandleOf(file)) == FILE_TYPE_DISK;
}

std::uint32_t LinkCount(const File& file) {
  BY_HANDLE_FILE_INFORMATION information{};
  return GetFileInformationByHandle(HandleOf(file), &information) ? information.nNumberOfLinks : 1;
}

Failure CreateNew(const NativePath& path, const FileState* like, File& file) {
  const DWORD attributes =
      like != nullptr && like->attributes != 0 ? like->attributes : FILE_ATTRIBUTE_NORMAL;
  // DELETE access lets the file be renamed through this very handle.
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ, nullptr, CREATE_NEW, attributes, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return LastFailure();
  }
  file = File(reinterpret_cast<std::intptr_t>(handle));
  return Failure::kNone;
}

Failure Write(const File& file, std::string_view bytes, std::optional<std::uint64_t> offset) {
  while (!bytes.empty()) {
    DWORD written = 0;
    OVERLAPPED position = At(offset.value_or(0));
    if (!WriteFile(HandleOf(file), bytes.data(), ChunkOf(bytes.size()), &written,
                   offset ? &position : nullptr)) {
      return LastFailure();
    }
    if (written == 0) {
      return Failure::kDiskFull;
    }
    bytes.remove_prefix(written);
    if (offset) {
      *offset += written;
    }
  }
  return Failure::kNone;
}

Failure SetLength(const File& file, std::uint64_t length) {
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(length);
  if (!SetFilePointerEx(HandleOf(file), end, nullptr, FILE_BEGIN) ||
      !SetEndOfFile(HandleOf(file))) {
    return LastFailure();
  }
  return Failure::kNone;
}

Failure Flush(const File& file) {
  return FlushFileBuffers(HandleOf(file)) ? Failure::kNone : LastFailure();
}

Failure FileSize(const File& file, std::uint64_t& size) {
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(HandleOf(file), &length)) {
    return LastFailure();
  }
  size = static_cast<std::uint64_t>(length.QuadPart);
  return Failure::kNone;
}

// An exclusive lock also keeps other programs from reading the file; only
// the program's own files are locked, and it reads them through the handle
// that holds the lock.
Failure Lock(const File& file) {
  OVERLAPPED whole{};
  return LockFileEx(HandleOf(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                    MAXDWORD, MAXDWORD, &whole)
             ? Failure::kNone
             : LastFailure();
}

Failure OpenToClaim(const NativePath& path, File& file) {
  Failure failure =
      OpenExisting(path, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_FLAG_OPEN_REPARSE_POINT, file);
  if (failure == Failure::kAccessDenied) {
    failure = OpenExisting(path, GENERIC_READ | DELETE, FILE_FLAG_OPEN_REPARSE_POINT, file);
  }
  if (failure == Failure::kNone && !IsDiskFile(file)) {
    (void)file.Close();
    return Failure::kNotAFile;
  }
  return failure;
}

Failure RenameOver(File& file, const NativePath& from, const NativePath& to) {
  if (file.is_open()) {
    // POSIX semantics replace a target that others hold with delete sharing.
    if (RenameThroughHandle(
            HandleOf(file), to, kFileRenameInfoEx,
            FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS)) {
      return Failure::kNone;
    }
    const DWORD error = GetLastError();
    if (!IsUnsupported(error)) {
      return FailureOf(error, to);
    }
    // The move below opens the file itself, which our handle would refuse.
    if (const Failure closed = file.Close(); closed != Failure::kNone) {
      return closed;
    }
  }
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? Failure::kNone
             : LastFailure(to);
}

Failure FlushFolderOf(const NativePath& /*path*/) {
  return Failure::kNone;  // the move wrote through; Windows flushes no folder
}

Failure Rename(const File& file, const NativePath& /*from*/, const NativePath& to) {
  return RenameThroughHandle(HandleOf(file), to, FileRenameInfo, 0) ? Failure::kNone
                                                                    : LastFailure(to);
}

Failure RemoveWhileOpen(const File& file, const NativePath& /*path*/) {
  FILE_DISPOSITION_INFO remove{};
  remove.DeleteFile = TRUE;
  return SetFileInformationByHandle(HandleOf(file), FileDispositionInfo, &remove, sizeof remove)
             ? Failure::kNone
             : LastFailure();
}

void Remove(const NativePath& path) {
  if (!path.empty()) {
    DeleteFileW(path.c_str());
  }
}

NativePath Sibling(const NativePath& path, const NativePath& name) {
  return FolderOf(path) + name;
}

NativePath NameOf(const NativePath& path) {
  return path.substr(FolderOf(path).size());
}

std::vector<FolderEntry> ListBeside(const NativePath& path, const NativePath& prefix) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((FolderOf(path) + prefix + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return entries;
  }
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  do {
    const std::wstring name = found.cFileName;
    if (name.compare(0, prefix.size(), prefix) == 0) {  // not through its short name only
      const auto age = static_cast<std::int64_t>(ValueOf(now) - ValueOf(found.ftLastWriteTime));
      entries.push_back({name, age / 10000000});
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

unsigned long CurrentProcessId() {
  return GetCurrentProcessId();
}

std::uint64_t Milliseconds() {
  return GetTickCount64();
}

void Pause(unsigned milliseconds) {
  Sleep(milliseconds);
}

// Virus scanners and indexers open fresh files for a moment.
const unsigned kRenamePatienceMs = 500;

std::string LocalPathNote(const std::string& /*path*/) noexcept {
  return {};  // Windows paths say where they lead
}

}  // namespace vireno::platform
