#include "profile/profile_copy.h"

#include "profile/file_system.h"
#include "profile/line_reader.h"

namespace vireno {

std::string SourcePath(const Settings& settings, Profile profile) {
  return settings.BaseDir + (profile == Profile::Sct ? settings.SctFile : settings.ExtasiFile);
}

std::string TargetPath(const Settings& settings) {
  return settings.BaseDir + kTargetFileName;
}

namespace {

std::string ReadFirstLine(const std::string& path) {
  InputFile source(path);
  LineReader reader(source);
  return reader.ReadLine();
}

}  // namespace

void CopyProfile(const Settings& settings, Profile profile) {
  std::string content = ReadFirstLine(SourcePath(settings, profile));
  content += "\r\n";
  ReplaceFileContent(TargetPath(settings), content);
}

}  // namespace vireno
