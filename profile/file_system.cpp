#include "profile/file_system.h"

#include "profile/code_page.h"
#include "profile/error.h"
#include "profile/file_failure.h"

namespace vireno {

using platform::Failure;

namespace {

ErrorCode ErrorFor(Failure failure, Step step) {
  switch (failure) {
    case Failure::kFileNotFound:
      // A file that cannot be made is missing its folder.
      return step == Step::kCreate ? ErrorCode::kPathNotFound : ErrorCode::kFileNotFound;
    case Failure::kPathNotFound:
      return ErrorCode::kPathNotFound;
    case Failure::kAccessDenied:
    case Failure::kReadOnlyMedia:
    case Failure::kInUse:
      return ErrorCode::kPermissionDenied;
    case Failure::kBadName:
      return ErrorCode::kBadFileName;
    case Failure::kDiskFull:
      return ErrorCode::kDiskFull;
    case Failure::kIsFolder:
    case Failure::kNotAFile:
      return ErrorCode::kPathFileAccessError;
    case Failure::kOutOfMemory:
      return ErrorCode::kOutOfMemory;
    default:
      return step == Step::kTransfer ? ErrorCode::kDeviceIoError : ErrorCode::kPathFileAccessError;
  }
}

}  // namespace

void Raise(Failure failure, Step step, const std::string& path) {
  throw RuntimeError(ErrorFor(failure, step), path);
}

void CheckPathName(const std::string& path) {
  const std::size_t nul = path.find('\0');
  if (path.empty() || nul != std::string::npos) {
    // The report shows the name as far as it can be written.
    throw RuntimeError(ErrorCode::kBadFileName, path.substr(0, nul));
  }
}

platform::NativePath NativePathOrRaise(const std::string& path) {
  CheckPathName(path);
  platform::NativePath native;
  Check(platform::ToNativePath(path, native), Step::kOpen, path);
  return native;
}

InputFile::InputFile(const std::string& path) : path_(path) {
  Check(platform::OpenForReading(NativePathOrRaise(path), file_), Step::kOpen, path);
}

std::size_t InputFile::Read(char* buffer, std::size_t size) {
  std::size_t got = 0;
  Check(platform::Read(file_, buffer, size, got), Step::kTransfer, path_);
  return got;
}

void InputFile::Close() {
  (void)file_.Close();  // nothing was written that a close could lose
}

std::string ReportedFile(const std::string& path) noexcept {
  try {
    std::string text = ToUtf8(path);
    if (const std::string local = platform::LocalPathNote(path); !local.empty()) {
      text += "\n" + local;
    }
    return text;
  } catch (...) {
    return {};
  }
}

}  // namespace vireno
