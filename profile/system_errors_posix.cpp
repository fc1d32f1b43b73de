#include <sys/stat.h>

#include <cerrno>

#include "profile/system_errors.h"

namespace vireno::platform {

namespace {

constexpr ErrorMeaning kMeanings[] = {{Failure::kPathNotFound, {ENOTDIR}},
                                      {Failure::kAlreadyExists, {EEXIST}},
                                      {Failure::kAccessDenied, {EACCES, EPERM}},
                                      {Failure::kReadOnlyMedia, {EROFS}},
                                      {Failure::kInUse, {ETXTBSY, EBUSY}},
                                      {Failure::kBadName, {ENAMETOOLONG, EILSEQ, EINVAL}},
                                      {Failure::kDiskFull, {ENOSPC, EFBIG, EDQUOT}},
                                      {Failure::kIsFolder, {EISDIR}},
                                      {Failure::kOutOfMemory, {ENOMEM}}};

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

Failure FailureOf(SystemError error, const NativePath& path) {
  if (error == 0) {
    return Failure::kNone;
  }
  if (error == ENOENT) {
    // A missing file in an existing folder, or a missing folder on the way.
    return path.empty() || IsFolder(Sibling(path, ".")) ? Failure::kFileNotFound
                                                        : Failure::kPathNotFound;
  }
  return MeaningOf(kMeanings, error);
}

}  // namespace vireno::platform
