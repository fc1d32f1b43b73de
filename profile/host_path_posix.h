#pragma once

// Maps the Windows paths the program works with onto a POSIX file system, the
// way Wine does, so the native program and the Windows one under Wine act on
// the same files.

#include <string>

namespace vireno {

// The Wine prefix: $WINEPREFIX, or ".wine" in the user's home directory.
std::string WinePrefix();

// "x:\dir\file" becomes "<prefix>/dosdevices/x:/dir/file"; backslashes become
// slashes; a relative path stays relative to the current directory. Names
// are resolved as Windows resolves them first ("." and ".." by text, never
// above the drive's root; trailing dots and spaces dropped), so a mapped
// path never leaves its drive. A path
// component that does not exist as written takes the name of an entry of its
// folder that matches it case-insensitively, as on Windows.
std::string MapWindowsPath(const std::string& path, const std::string& wine_prefix);

// MapWindowsPath with the prefix of this process.
std::string HostPath(const std::string& path);

}  // namespace vireno
