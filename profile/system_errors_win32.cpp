#include <windows.h>

#include "profile/system_errors.h"

namespace vireno::platform {

namespace {

constexpr ErrorMeaning kMeanings[] = {
    {Failure::kFileNotFound, {ERROR_FILE_NOT_FOUND}},
    {Failure::kPathNotFound,
     {ERROR_PATH_NOT_FOUND, ERROR_INVALID_DRIVE, ERROR_BAD_NETPATH, ERROR_BAD_NET_NAME,
      ERROR_DIRECTORY}},
    {Failure::kAlreadyExists, {ERROR_FILE_EXISTS, ERROR_ALREADY_EXISTS}},
    {Failure::kAccessDenied, {ERROR_NETWORK_ACCESS_DENIED}},
    {Failure::kReadOnlyMedia, {ERROR_WRITE_PROTECT}},
    {Failure::kInUse, {ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION}},
    {Failure::kBadName, {ERROR_INVALID_NAME, ERROR_BAD_PATHNAME, ERROR_FILENAME_EXCED_RANGE}},
    {Failure::kDiskFull, {ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL, ERROR_FILE_TOO_LARGE}},
    {Failure::kOutOfMemory, {ERROR_NOT_ENOUGH_MEMORY, ERROR_OUTOFMEMORY}}};

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

Failure FailureOf(SystemError error, const NativePath& path) {
  if (error == ERROR_SUCCESS) {
    return Failure::kNone;
  }
  if (error == ERROR_ACCESS_DENIED) {
    // Opening a folder as a file is refused as an access error.
    return !path.empty() && IsFolder(path) ? Failure::kIsFolder : Failure::kAccessDenied;
  }
  return MeaningOf(kMeanings, error);
}

}  // namespace vireno::platform
