#include "profile/host_path_posix.h"

#include <dirent.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <vector>

#include "profile/platform_files.h"

namespace vireno {

namespace {

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// The entry of `folder` whose name equals `name` ignoring ASCII case, or an
// empty string when there is none.
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) {
    return {};
  }
  while (const dirent* entry = readdir(dir.get())) {
    if (strcasecmp(entry->d_name, name.c_str()) == 0) {
      return entry->d_name;
    }
  }
  return {};
}

// The names of `rest` (slash-separated) as Windows resolves them, by text and
// before any folder is looked at: trailing dots and spaces are dropped from
// each name, "." goes, and ".." takes the name before it away; at the root it
// stays at the root, and only a relative path keeps a leading "..".
std::vector<std::string> ResolveNames(const std::string& rest, bool rooted) {
  std::vector<std::string> names;
  std::size_t pos = 0;
  while (pos <= rest.size()) {
    std::size_t next = rest.find('/', pos);
    if (next == std::string::npos) {
      next = rest.size();
    }
    std::string name = rest.substr(pos, next - pos);
    pos = next + 1;
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
  std::string rest = path;
  for (char& c : rest) {
    if (c == '\\') {
      c = '/';
    }
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
  for (const std::string& name : ResolveNames(rest, has_drive || !root.empty())) {
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
