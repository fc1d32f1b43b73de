#pragma once

// How a system's refusal becomes the run-time error a user sees.

#include <string>

#include "profile/platform_files.h"

namespace vireno {

// What the program was doing when the system said no; the same refusal
// means different things to the user in different steps.
enum class Step { kOpen, kTransfer, kCreate, kReplace };

[[noreturn]] void Raise(platform::Failure failure, Step step, const std::string& path);

// Raises unless `failure` is kNone.
inline void Check(platform::Failure failure, Step step, const std::string& path) {
  if (failure != platform::Failure::kNone) {
    Raise(failure, step, path);
  }
}

}  // namespace vireno
