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

// What the settings file showed beyond the three values, for telling a user
// why a value came out empty.
struct SettingsNotes {
  // A line feed in one of the lines the values come from: the file was saved
  // with LF line ends, which end no line here.
  bool line_feeds = false;
};

// Reads the settings file to its end and fills `settings` from fixed columns
// of its second, third and fourth lines, and `notes` where given. Raises
// RuntimeError on failure.
void LoadSettings(Settings& settings, const std::string& path = kSettingsPath,
                  SettingsNotes* notes = nullptr);

// The line of the settings file (counted from 1) that gives `setting`.
int SettingsLineOf(std::string Settings::*setting);

// The characters of `text` from position `start` (counted from 1) on, at most
// `count` of them; empty when `text` is shorter than `start`. Characters are
// those of the system's 8-bit code page.
std::string Substring(std::string_view text, std::size_t start, std::size_t count);

}  // namespace vireno
