#include "profile/error.h"

#include <utility>

namespace vireno {

const char* DescribeError(ErrorCode code) {
  switch (code) {
    case ErrorCode::kOverflow:
      return "Overflow";
    case ErrorCode::kOutOfMemory:
      return "Out of memory";
    case ErrorCode::kInternalError:
      return "Internal error";
    case ErrorCode::kBadFileName:
      return "Bad file name or number";
    case ErrorCode::kFileNotFound:
      return "File not found";
    case ErrorCode::kDeviceIoError:
      return "Device I/O error";
    case ErrorCode::kDiskFull:
      return "Disk full";
    case ErrorCode::kInputPastEndOfFile:
      return "Input past end of file";
    case ErrorCode::kPermissionDenied:
      return "Permission denied";
    case ErrorCode::kPathFileAccessError:
      return "Path/File access error";
    case ErrorCode::kPathNotFound:
      return "Path not found";
  }
  return "Internal error";
}

RuntimeError::RuntimeError(ErrorCode code, std::string file)
    : code_(code), description_(DescribeError(code)), file_(std::move(file)) {}

}  // namespace vireno
