#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vireno {

// Where the settings file lives on every installation.
inline constexpr char kSettingsPath[] = "c:\\progdvb\\vireno.ini";

// The three values taken from the settings file; all empty until loaded.
struct Settings {
  std::string BaseDir;     // directory prefix, with its trailing backslash
  std::string SctFile;     // file name of the "Sct" profile source
  std::string ExtasiFile;  // file name of the "Extasi" profile source
};

// Reads the settings file to its end and fills `settings` from fixed columns
// of its second, third and fourth lines. Raises RuntimeError on failure.
void LoadSettings(Settings& settings, const std::string& path = kSettingsPath);

// The characters of `text` from position `start` (counted from 1) on, at most
// `count` of them; empty when `text` is shorter than `start`. Characters are
// those of the system's 8-bit code page.
std::string Substring(std::string_view text, std::size_t start, std::size_t count);

}  // namespace vireno
