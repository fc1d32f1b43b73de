#include "profile/host_path_posix.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "profile/file_name_case.h"
#include "profile/platform_files.h"

namespace vireno {

namespace {

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// The entry of `folder` whose name matches `name` as Windows matches file
// names, or an empty string when there is none.
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) {
    return {};
  }
  while (const dirent* entry = readdir(dir.get())) {
    if (FileNamesMatch(entry->d_name, name)) {
      return entry->d_name;
    }
  }
  return {};
}

std::string RealPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr),
                                                         std::free);
  return real ? std::string(real.get()) : std::string();
}

// The drive of the current folder, as Windows has one for each process: the
// drive whose folder holds it, the deepest where several do; c: (the settings
// file's drive) when it lies on none.
char CurrentDrive(const std::string& wine_prefix) {
  const std::string here = RealPath(".");
  char drive = 'c';
  std::size_t deepest = 0;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    std::string root = RealPath(wine_prefix + "/dosdevices/" + letter + ":");
    if (root.empty()) {
      continue;
    }
    if (root.back() != '/') {
      root += '/';
    }
    if ((here + "/").compare(0, root.size(), root) == 0 && root.size() > deepest) {
      drive = letter;
      deepest = root.size();
    }
  }
  return drive;
}

// `path` with slashes for its backslashes and without a "\\?\" or "\\.\"
// prefix; `verbatim` where it had one, and so is taken as it stands.
std::string WithoutPrefix(const std::string& path, bool& verbatim) {
  std::string rest = path;
  std::replace(rest.begin(), rest.end(), '\\', '/');
  verbatim = rest.size() >= 4 && rest[0] == '/' && rest[1] == '/' &&
             (rest[2] == '?' || rest[2] == '.') && rest[3] == '/';
  if (verbatim) {
    rest.erase(0, 4);
  }
  return rest;
}

// The names of `rest` (slash-separated) as Windows resolves them, by text and
// before any folder is looked at: trailing dots and spaces are dropped from
// each name, "." goes, and ".." takes the name before it away; at the root it
// stays at the root, and only a relative path keeps a leading "..".
std::vector<std::string> ResolveNames(const std::string& rest, bool rooted, bool verbatim) {
  std::vector<std::string> names;
  std::size_t pos = 0;
  while (pos <= rest.size()) {
    std::size_t next = rest.find('/', pos);
    if (next == std::string::npos) {
      next = rest.size();
    }
    std::string name = rest.substr(pos, next - pos);
    pos = next + 1;
    if (verbatim) {
      if (!name.empty()) {
        names.push_back(std::move(name));
      }
      continue;
    }
    if (name != "." && name != "..") {
      name.erase(name.find_last_not_of(". ") + 1);
    }
    if (name.empty() || name == ".") {
      continue;
    }
    if (name == "..") {
      if (!names.empty() && names.back() != "..") {
        names.pop_back();
        continue;
      }
      if (rooted) {
        continue;
      }
    }
    names.push_back(std::move(name));
  }
  return names;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) {
    return name;
  }
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

std::string WinePrefix() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') {
    return prefix;
  }
  // As Wine does: the password database only when HOME is unset.
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::string(home) + "/.wine";
  }
  if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
    return std::string(user->pw_dir) + "/.wine";
  }
  return ".wine";
}

std::string MapWindowsPath(const std::string& path, const std::string& wine_prefix) {
  bool verbatim = false;
  std::string rest = WithoutPrefix(path, verbatim);
  // A folder from the root without a drive is on the current drive; only a
  // server's share ("\\server\share") keeps the host's root.
  if (!rest.empty() && rest[0] == '/' && (rest.size() < 2 || rest[1] != '/')) {
    rest.insert(0, std::string(1, CurrentDrive(wine_prefix)) + ":");
  }
  // `root` is left as it is; only what follows it is matched against folders.
  std::string root;
  const bool has_drive =
      rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':';
  if (has_drive) {
    root = wine_prefix + "/dosdevices/" +
           static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0]))) + ":/";
    rest.erase(0, 2);
  } else if (!rest.empty() && rest[0] == '/') {
    root = "/";
  }
  const bool trailing_slash = !rest.empty() && rest.back() == '/';

  std::string mapped = root;
  bool matching = true;
  for (const std::string& name : ResolveNames(rest, has_drive || !root.empty(), verbatim)) {
    std::string candidate = JoinPath(mapped, name);
    if (matching && name != ".." && !Exists(candidate)) {
      const std::string found = FindIgnoringCase(mapped.empty() ? "." : mapped, name);
      if (found.empty()) {
        matching = false;  // nothing below a missing folder can match either
      } else {
        candidate = JoinPath(mapped, found);
      }
    }
    mapped = std::move(candidate);
  }
  if (trailing_slash && !mapped.empty() && mapped.back() != '/') {
    mapped += '/';
  }
  return mapped;
}

WindowsName CheckWindowsName(const std::string& path) {
  bool verbatim = false;
  const std::string rest = WithoutPrefix(path, verbatim);
  for (const char c : rest) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("*?\"<>|").find(c) != std::string_view::npos) {
      return WindowsName::kBadName;
    }
  }
  const std::string name = rest.substr(rest.find_last_of('/') + 1);
  if (verbatim) {
    // Taken as it stands, a name may not climb out of its folder.
    for (std::size_t from = 0; from <= rest.size();) {
      const std::size_t to = std::min(rest.find('/', from), rest.size());
      const std::string_view part = std::string_view(rest).substr(from, to - from);
      if (part == "." || part == "..") {
        return WindowsName::kBadName;
      }
      from = to + 1;
    }
    return WindowsName::kValid;
  }
  // A device's name, whatever follows its first dot and with trailing spaces.
  std::string base = name.substr(0, name.find('.'));
  base.erase(base.find_last_not_of(' ') + 1);
  for (char& c : base) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  const bool numbered = base.size() == 4 && base[3] >= '1' && base[3] <= '9' &&
                        (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (base == device) {
      return WindowsName::kDevice;
    }
  }
  return numbered ? WindowsName::kDevice : WindowsName::kValid;
}

std::string HostPath(const std::string& path) {
  return MapWindowsPath(path, WinePrefix());
}

namespace platform {

std::string LocalPathNote(const std::string& path) noexcept {
  try {
    // Only a drive letter hides where a path leads.
    NativePath native;
    if (path.size() < 2 || path[1] != ':' || path.find('\0') != std::string::npos ||
        ToNativePath(path, native) != Failure::kNone) {
      return {};
    }
    return native;
  } catch (...) {
    return {};
  }
}

}  // namespace platform

}  // namespace vireno
