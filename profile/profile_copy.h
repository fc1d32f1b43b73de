#pragma once

#include <string>
#include <vector>

#include "profile/settings.h"

namespace vireno {

// The two profiles a user can make active.
enum class Profile { Sct, Extasi };

// The shared target file, in the settings' directory.
inline constexpr char kTargetFileName[] = "vireno.txt";

// Paths are plain concatenations: nothing is inserted, trimmed or checked.
std::string SourcePath(const Settings& settings, Profile profile);
std::string TargetPath(const Settings& settings);

// The lines of the settings file that gave nothing to `profile`'s source
// path: 2 for an empty folder, 3 or 4 for an empty file name.
std::vector<int> EmptyValueLines(const Settings& settings, Profile profile);

// Makes `profile` the active one: the first line of its source replaces the
// whole content of the target, followed by CR LF. The line goes to a new file
// beside the target as it is read, and the source is closed before the target
// is touched. Raises RuntimeError on failure, with
// the target left as it was.
void CopyProfile(const Settings& settings, Profile profile);

// Completes a copy into the target that was killed while rewriting it in
// place, as the program does when it starts; returns whether there was one.
// Never raises.
bool FinishInterruptedCopy(const Settings& settings) noexcept;

}  // namespace vireno
