#include "profile/profile_copy.h"

#include <new>

#include "profile/error.h"
#include "profile/file_system.h"
#include "profile/line_reader.h"

namespace vireno {

std::string SourcePath(const Settings& settings, Profile profile) {
  return settings.BaseDir + (profile == Profile::Sct ? settings.SctFile : settings.ExtasiFile);
}

std::string TargetPath(const Settings& settings) {
  return settings.BaseDir + kTargetFileName;
}

std::vector<int> EmptyValueLines(const Settings& settings, Profile profile) {
  std::vector<int> lines;
  const auto file = profile == Profile::Sct ? &Settings::SctFile : &Settings::ExtasiFile;
  for (const auto setting : {&Settings::BaseDir, file}) {
    if ((settings.*setting).empty()) {
      lines.push_back(SettingsLineOf(setting));
    }
  }
  return lines;
}

void CopyProfile(const Settings& settings, Profile profile) {
  InputFile source(SourcePath(settings, profile));
  LineReader reader(source);
  // An empty source is refused before anything is written.
  if (reader.AtEnd()) {
    throw RuntimeError(ErrorCode::kInputPastEndOfFile, source.path());
  }
  // The line streams into the replacement, however long it is; the source
  // is closed before the target itself is touched.
  FileReplacement target(TargetPath(settings));
  reader.CopyLine([&target](std::string_view piece) { target.Write(piece); });
  source.Close();
  target.Write("\r\n");
  target.Commit();
}

bool FinishInterruptedCopy(const Settings& settings) noexcept {
  try {
    return FinishInterruptedReplacement(TargetPath(settings));
  } catch (const std::bad_alloc&) {
    return false;  // the next choice replaces the target and the record
  }
}

}  // namespace vireno
