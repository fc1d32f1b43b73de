#include "profile/file_system.h"

#include "profile/error.h"

namespace vireno {

void CheckPathName(const std::string& path) {
  const std::size_t nul = path.find('\0');
  if (path.empty() || nul != std::string::npos) {
    // The report shows the name as far as it can be written.
    throw RuntimeError(ErrorCode::kBadFileName, path.substr(0, nul));
  }
}

void ReplaceFileContent(const std::string& path, std::string_view content) {
  const auto replacement = FileReplacement::Open(path);
  replacement->Write(content);
  replacement->Commit();
}

}  // namespace vireno
