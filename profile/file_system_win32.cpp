#include <windows.h>

#include <cstring>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "profile/error.h"
#include "profile/file_system.h"

namespace vireno {

namespace {

// What the program was doing when the system said no; the same error code
// means different things to the user in different steps.
enum class Step { kOpen, kTransfer, kCreate, kReplace };

// Paths arrive in the ANSI code page and go to the wide-character API, so
// names in that code page work whatever the C runtime's locale.
std::wstring Widen(const std::string& text) {
  if (text.empty()) {
    return {};
  }
  const int size =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

// std::to_wstring formats through the C library's wide printf, which would
// bring its floating-point code into the program for a number.
std::wstring Decimal(unsigned long long number) {
  const std::string digits = std::to_string(number);
  return std::wstring(digits.begin(), digits.end());
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

ErrorCode ErrorFromSystem(DWORD error, Step step, const std::wstring& wide_path) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return step == Step::kCreate ? ErrorCode::kPathNotFound : ErrorCode::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
      return ErrorCode::kPathNotFound;
    case ERROR_ACCESS_DENIED:
      // Opening a folder as a file is refused as an access error.
      return IsFolder(wide_path) ? ErrorCode::kPathFileAccessError : ErrorCode::kPermissionDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
      return ErrorCode::kPermissionDenied;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return ErrorCode::kBadFileName;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      return ErrorCode::kDiskFull;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ErrorCode::kOutOfMemory;
    default:
      return step == Step::kTransfer ? ErrorCode::kDeviceIoError : ErrorCode::kPathFileAccessError;
  }
}

[[noreturn]] void Raise(DWORD error, Step step, const std::wstring& wide_path,
                        const std::string& path) {
  throw RuntimeError(ErrorFromSystem(error, step, wide_path), path);
}

std::wstring WidePathOrRaise(const std::string& path) {
  CheckPathName(path);
  return Widen(path);
}

// Closes a handle when it goes out of scope, unless released first.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) {
      CloseHandle(handle_);
    }
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE handle_;
};

void WriteAll(HANDLE file, std::string_view content, const std::wstring& wide_path,
              const std::string& path) {
  while (!content.empty()) {
    constexpr std::size_t kChunk = 1U << 30;
    const auto chunk = static_cast<DWORD>(content.size() < kChunk ? content.size() : kChunk);
    DWORD written = 0;
    if (!WriteFile(file, content.data(), chunk, &written, nullptr)) {
      Raise(GetLastError(), Step::kTransfer, wide_path, path);
    }
    if (written == 0) {
      Raise(ERROR_DISK_FULL, Step::kTransfer, wide_path, path);
    }
    content.remove_prefix(written);
  }
}

void FlushAndClose(Handle& file, const std::wstring& wide_path, const std::string& path) {
  if (!FlushFileBuffers(file.get())) {
    Raise(GetLastError(), Step::kTransfer, wide_path, path);
  }
  if (!CloseHandle(file.release())) {
    Raise(GetLastError(), Step::kTransfer, wide_path, path);
  }
}

// The file a link at `wide_path` points to, or `wide_path` itself.
std::wstring FollowLinks(const std::wstring& wide_path, DWORD attributes) {
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return wide_path;
  }
  Handle link(CreateFileW(wide_path.c_str(), 0,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!link.valid()) {
    return wide_path;
  }
  std::wstring final_path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(link.get(), final_path.data(),
                                                   static_cast<DWORD>(final_path.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) {
      return wide_path;
    }
    if (length < final_path.size()) {
      final_path.resize(length);
      return final_path;
    }
    final_path.resize(length);
  }
}

std::wstring FolderOf(const std::wstring& wide_path) {
  const std::size_t separator = wide_path.find_last_of(L"\\/:");
  return separator == std::wstring::npos ? std::wstring() : wide_path.substr(0, separator + 1);
}

// What a replacement keeps of the target's attributes. Read-only is not
// among them: a read-only target is refused before anything is written.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Temporary files are named ".<target>.<pid>-<n>.tmp" after the process
// that writes them.
std::wstring TemporaryPrefix(const std::wstring& wide_target) {
  return L"." + wide_target.substr(FolderOf(wide_target).size()) + L".";
}

// A new file in the target's folder, made exclusively, and removed again
// unless kept. Windows refuses to delete a file that is open without delete
// sharing, so its handle is always closed before it is removed.
class TemporaryFile {
 public:
  // `attributes` are those the file starts with. Check valid(); on failure
  // GetLastError() says why.
  TemporaryFile(const std::wstring& wide_target, DWORD attributes) {
    const ULONGLONG seed = GetTickCount64() ^ (static_cast<ULONGLONG>(GetCurrentProcessId()) << 20);
    const std::wstring stem = FolderOf(wide_target) + TemporaryPrefix(wide_target) +
                              Decimal(GetCurrentProcessId()) + L"-";
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      path_ = stem + Decimal((seed + attempt) % 1000000007ULL) + L".tmp";
      // DELETE access lets the file be renamed through this very handle.
      handle_ = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                            nullptr, CREATE_NEW,
                            attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle_ != INVALID_HANDLE_VALUE ||
          (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)) {
        break;
      }
    }
    if (handle_ == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      path_.clear();
      SetLastError(error == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : error);
    }
  }
  ~TemporaryFile() {
    if (!kept_) {
      Discard();
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE handle() const { return handle_; }
  const std::wstring& path() const { return path_; }
  // Closes the handle; false with the last error set when the close fails.
  bool Close() { return !valid() || CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)); }
  void Keep() { kept_ = true; }
  // Closes and removes the file now.
  void Discard() {
    Close();
    if (!path_.empty()) {
      DeleteFileW(path_.c_str());
      path_.clear();
    }
  }

 private:
  std::wstring path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool kept_ = false;
};

bool ProcessRuns(DWORD id) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (process == nullptr) {
    return GetLastError() != ERROR_INVALID_PARAMETER;  // no such process
  }
  DWORD exit_code = 0;
  const bool runs = GetExitCodeProcess(process, &exit_code) && exit_code == STILL_ACTIVE;
  CloseHandle(process);
  return runs;
}

// A copy in another process namespace (Wine beside the native program) or on
// another machine sharing the folder has a process number that means nothing
// here: its file is left alone while it may still be written.
constexpr ULONGLONG kStaleAfter100ns = 10ULL * 60 * 10000000;

bool WrittenLongAgo(const FILETIME& written) {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const auto value = [](const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return value(now) > value(written) && value(now) - value(written) >= kStaleAfter100ns;
}

// Removes temporary files that copies killed before their move left
// behind: those whose process does not run here and that nobody has written
// for ten minutes.
void RemoveStaleTemporaries(const std::wstring& wide_target) {
  const std::wstring folder = FolderOf(wide_target);
  const std::wstring prefix = TemporaryPrefix(wide_target);
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + prefix + L"*-*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return;
  }
  do {
    const std::wstring name = found.cFileName;
    if (name.compare(0, prefix.size(), prefix) != 0) {
      continue;  // matched through its short name only
    }
    wchar_t* end = nullptr;
    const unsigned long owner = std::wcstoul(name.c_str() + prefix.size(), &end, 10);
    if (owner != 0 && *end == L'-' && !ProcessRuns(owner) &&
        WrittenLongAgo(found.ftLastWriteTime)) {
      DeleteFileW((folder + name).c_str());
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// The next piece of the new content from `offset` on; empty at its end.
using ContentAt = std::function<std::string_view(ULONGLONG offset)>;

// Rewrites the target where it stands, so that every name of the file and
// every program holding it keeps showing it: the new content goes over the
// old from the start and the file is then cut to its length. A reader sees
// the old content or the new one, or for a moment the new one followed by the
// old tail; never an empty file.
void RewriteInPlace(const std::wstring& wide_path, const ContentAt& content_at,
                    const std::string& path) {
  Handle file(CreateFileW(wide_path.c_str(), GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    Raise(GetLastError(), Step::kOpen, wide_path, path);
  }
  ULONGLONG done = 0;
  for (std::string_view piece = content_at(0); !piece.empty(); piece = content_at(done)) {
    WriteAll(file.get(), piece, wide_path, path);
    done += piece.size();
  }
  if (!SetEndOfFile(file.get())) {
    Raise(GetLastError(), Step::kTransfer, wide_path, path);
  }
  FlushAndClose(file, wide_path, path);
}

// The information class of a rename with flags (Windows 10 1607 on), which
// the headers declare only for builds that target that version alone.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

// Renames the open temporary file over the target with POSIX semantics, which
// replace a target that other programs hold open with delete sharing. Returns
// false with the last error set when the system refuses.
bool RenameOverWithPosixSemantics(HANDLE file, const std::wstring& wide_path) {
  // With no root folder and a bare name, the file keeps its folder.
  const std::wstring name = wide_path.substr(FolderOf(wide_path).size());
  const std::size_t name_bytes = name.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(info->FileName, name.data(), name_bytes);
  return SetFileInformationByHandle(file, kFileRenameInfoEx, info,
                                    static_cast<DWORD>(buffer.size())) != FALSE;
}

// Systems before Windows 10 1709, Wine and some network file systems know no
// POSIX-semantics rename and say so in one of these ways.
bool IsUnsupported(DWORD error) {
  return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
}

bool IsInUse(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

// Moves the new file over the target. Virus scanners and indexers open fresh
// files for a moment, so a refusal is tried again for up to half a second.
// Returns false when the target stayed in use all that time.
bool MoveOver(TemporaryFile& temporary, const std::wstring& wide_path, const std::string& path) {
  constexpr ULONGLONG kPatienceMs = 500;
  const ULONGLONG start = GetTickCount64();
  bool posix_semantics = true;
  for (;;) {
    DWORD error = ERROR_SUCCESS;
    if (posix_semantics) {
      if (RenameOverWithPosixSemantics(temporary.handle(), wide_path)) {
        return true;
      }
      error = GetLastError();
      if (IsUnsupported(error)) {
        posix_semantics = false;
        // The move below opens the file itself, which our handle would refuse.
        if (!temporary.Close()) {
          Raise(GetLastError(), Step::kTransfer, wide_path, path);
        }
        continue;
      }
    } else if (MoveFileExW(temporary.path().c_str(), wide_path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    } else {
      error = GetLastError();
    }
    if (!IsInUse(error)) {
      Raise(error, Step::kReplace, wide_path, path);
    }
    if (GetTickCount64() - start >= kPatienceMs) {
      return false;
    }
    Sleep(20);
  }
}

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
  const std::wstring wide_path = WidePathOrRaise(path);
  Handle file(CreateFileW(wide_path.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) {
    Raise(GetLastError(), Step::kOpen, wide_path, path);
  }
  // A device name (AUX, COM1, CON...) or a pipe opens too, and reading it
  // would wait for ever.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    throw RuntimeError(ErrorCode::kPathFileAccessError, path);
  }
  handle_ = reinterpret_cast<std::intptr_t>(file.release());
}

InputFile::~InputFile() {
  Close();
}

void InputFile::Close() {
  if (handle_ != -1) {
    CloseHandle(reinterpret_cast<HANDLE>(std::exchange(handle_, -1)));
  }
}

std::size_t InputFile::Read(char* buffer, std::size_t size) {
  constexpr std::size_t kChunk = 1U << 30;
  DWORD got = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(handle_), buffer,
                static_cast<DWORD>(size < kChunk ? size : kChunk), &got, nullptr)) {
    const DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE) {
      return 0;
    }
    Raise(error, Step::kTransfer, Widen(path_), path_);
  }
  return got;
}

namespace {

class Win32Replacement final : public FileReplacement {
 public:
  explicit Win32Replacement(const std::string& path) : path_(path) {
    const std::wstring given = WidePathOrRaise(path);
    wide_path_ = FollowLinks(given, GetFileAttributesW(given.c_str()));

    const DWORD attributes = GetFileAttributesW(wide_path_.c_str());
    exists_ = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists_ && GetLastError() != ERROR_FILE_NOT_FOUND) {
      Raise(GetLastError(), Step::kOpen, wide_path_, path_);
    }
    if (exists_) {
      if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw RuntimeError(ErrorCode::kPathFileAccessError, path_);
      }
      // A rename would replace a read-only file on some systems; the user
      // marked it read-only, so it stays as it is.
      if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        throw RuntimeError(ErrorCode::kPermissionDenied, path_);
      }
      Handle probe(CreateFileW(wide_path_.c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!probe.valid()) {
        Raise(GetLastError(), Step::kOpen, wide_path_, path_);
      }
      if (GetFileType(probe.get()) != FILE_TYPE_DISK) {
        throw RuntimeError(ErrorCode::kPathFileAccessError, path_);
      }
      // A rename would leave the other names showing the old file.
      BY_HANDLE_FILE_INFORMATION information{};
      hard_linked_ =
          GetFileInformationByHandle(probe.get(), &information) && information.nNumberOfLinks > 1;
    }

    // The replacement starts with the attributes the user or other programs
    // gave the target, since a rename keeps those of the new file.
    temporary_.emplace(wide_path_, exists_ ? attributes & kKeptAttributes : 0);
    if (!temporary_->valid()) {
      const DWORD error = GetLastError();
      temporary_.reset();
      if (exists_ && error == ERROR_ACCESS_DENIED) {
        return;  // the folder takes no new file: the content is held here
      }
      Raise(error, Step::kCreate, wide_path_, path_);
    }
  }

  void Write(std::string_view bytes) override {
    if (temporary_) {
      WriteAll(temporary_->handle(), bytes, wide_path_, path_);
    } else {
      held_.append(bytes);
    }
  }

  void Commit() override {
    if (!temporary_) {
      RewriteInPlace(
          wide_path_,
          [this](ULONGLONG offset) {
            return std::string_view(held_).substr(static_cast<std::size_t>(offset));
          },
          path_);
      return;
    }
    if (!FlushFileBuffers(temporary_->handle())) {
      Raise(GetLastError(), Step::kTransfer, wide_path_, path_);
    }
    // Another program may keep the target open without delete sharing, as
    // the C runtime and most programs open files; it still lets others write.
    if (hard_linked_ || !MoveOver(*temporary_, wide_path_, path_)) {
      RewriteFromTemporary();
      return;
    }
    temporary_->Keep();
    temporary_->Close();
    RemoveStaleTemporaries(wide_path_);
  }

 private:
  // Copies the temporary file over the target in place, and removes it as
  // soon as it has been read to its end.
  void RewriteFromTemporary() {
    const std::wstring temporary_path = temporary_->path();
    temporary_->Keep();
    temporary_->Close();  // a move may have closed it already
    Handle source(CreateFileW(temporary_path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!source.valid()) {
      const DWORD error = GetLastError();
      DeleteFileW(temporary_path.c_str());
      Raise(error, Step::kTransfer, wide_path_, path_);
    }
    std::vector<char> buffer(std::size_t{64} * 1024);
    RewriteInPlace(
        wide_path_,
        [&](ULONGLONG /*offset*/) {
          DWORD got = 0;
          if (!ReadFile(source.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                        nullptr)) {
            Raise(GetLastError(), Step::kTransfer, wide_path_, path_);
          }
          if (got == 0) {
            CloseHandle(source.release());  // the file goes with its last handle
          }
          return std::string_view(buffer.data(), got);
        },
        path_);
  }

  std::string path_;
  std::wstring wide_path_;
  bool exists_ = false;
  bool hard_linked_ = false;
  std::optional<TemporaryFile> temporary_;
  std::string held_;
};

}  // namespace

std::unique_ptr<FileReplacement> FileReplacement::Open(const std::string& path) {
  return std::make_unique<Win32Replacement>(path);
}

std::string ToUtf8(std::string_view text) {
  const std::wstring wide = Widen(std::string(text));
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

std::string LocalPathNote(const std::string& /*path*/) noexcept {
  return {};  // Windows paths say where they lead
}

std::size_t CharacterSize(std::string_view text) {
  if (text.empty()) {
    return 0;
  }
  static const UINT code_page = GetACP();
  const auto lead = static_cast<unsigned char>(text.front());
  std::size_t size = 1;
  if (code_page == CP_UTF8) {
    size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  } else if (IsDBCSLeadByteEx(code_page, lead)) {
    size = 2;
  }
  return size < text.size() ? size : text.size();
}

}  // namespace vireno
