#pragma once

#include <exception>
#include <string>

namespace vireno {

// The run-time errors the program can raise. The numbers and descriptions are
// the classic ones users of this kind of tool know from its message boxes.
enum class ErrorCode : int {
  kOverflow = 6,
  kOutOfMemory = 7,
  kInternalError = 51,
  kBadFileName = 52,
  kFileNotFound = 53,
  kDeviceIoError = 57,
  kDiskFull = 61,
  kInputPastEndOfFile = 62,
  kPermissionDenied = 70,
  kPathFileAccessError = 75,
  kPathNotFound = 76,
};

// The one exception type of the program: a number, its description and the
// file it concerns (empty where no file is involved).
class RuntimeError : public std::exception {
 public:
  RuntimeError(ErrorCode code, std::string file);

  const char* what() const noexcept override { return description_.c_str(); }

  ErrorCode code() const { return code_; }
  int number() const { return static_cast<int>(code_); }
  const std::string& description() const { return description_; }
  const std::string& file() const { return file_; }

 private:
  ErrorCode code_;
  std::string description_;
  std::string file_;
};

const char* DescribeError(ErrorCode code);

}  // namespace vireno
