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

// What Windows makes of the names in `path` (UTF-8) before it looks for a
// file: a name with a wildcard, a quote, "<", ">", "|" or a control character
// is no file's name, and the last name, but for "\\?\" paths, may be a
// device's (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$,
// with any extension and in any case), which no file can have.
enum class WindowsName { kValid, kBadName, kDevice };
WindowsName CheckWindowsName(const std::string& path);

// MapWindowsPath with the prefix of this process.
std::string HostPath(const std::string& path);

}  // namespace vireno
