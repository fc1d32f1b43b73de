#pragma once

// How each platform's error codes sort into the kinds of failure that the
// file layer's rules and reports tell apart.

#include <cstddef>

#include "profile/platform_files.h"

namespace vireno::platform {

#ifdef _WIN32
using SystemError = unsigned long;  // a Win32 error code, as GetLastError gives it
#else
using SystemError = int;  // an errno value
#endif

// What `error` means to the rules; `path` is the file the call was about,
// where there was one, since a meaning may depend on what lies there.
Failure FailureOf(SystemError error, const NativePath& path = {});

// The codes of one kind of failure; 0 pads a short list.
struct ErrorMeaning {
  Failure failure;
  SystemError errors[5];
};

// The kind whose list holds `error`; kOther where none does.
template <std::size_t N>
Failure MeaningOf(const ErrorMeaning (&meanings)[N], SystemError error) {
  for (const ErrorMeaning& meaning : meanings) {
    for (const SystemError code : meaning.errors) {
      if (code == error) {
        return meaning.failure;
      }
    }
  }
  return Failure::kOther;
}

}  // namespace vireno::platform
