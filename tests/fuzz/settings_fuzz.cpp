// LoadSettings on arbitrary bytes: it either fills fields no wider than their
// columns or raises the overflow error; it never crashes or reads too much.
#include <cstdint>
#include <cstdlib>

#include "profile/error.h"
#include "profile/settings.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vireno::fuzz::MemoryFile memory(data, size);
  vireno::Settings settings;
  try {
    vireno::LoadSettings(settings, memory.path());
  } catch (const vireno::RuntimeError& error) {
    if (error.code() != vireno::ErrorCode::kOverflow) {
      std::abort();
    }
  }
  if (settings.BaseDir.size() > 12 || settings.SctFile.size() > 8 ||
      settings.ExtasiFile.size() > 10) {
    std::abort();
  }
  return 0;
}
