// The line reader on arbitrary bytes: lines never hold a CR, and the lines
// with their line ends put back give the file again, byte for byte. The first
// byte picks a small buffer, so that line ends fall across buffer refills.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "profile/error.h"
#include "profile/file_system.h"
#include "profile/line_reader.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::size_t buffer_size = 1 + data[0] % 16;
  ++data;
  --size;
  const std::string input(reinterpret_cast<const char*>(data), size);
  vireno::fuzz::MemoryFile memory(data, size);
  vireno::InputFile file(memory.path());
  vireno::LineReader reader(file, buffer_size);
  std::size_t offset = 0;
  while (!reader.AtEnd()) {
    const std::string line = reader.ReadLine();
    if (line.find('\r') != std::string::npos || input.compare(offset, line.size(), line) != 0) {
      std::abort();
    }
    offset += line.size();
    // The line end that was taken off: CR LF, a lone CR, or none at the end.
    if (offset < size) {
      if (input[offset] != '\r') {
        std::abort();
      }
      offset += offset + 1 < size && input[offset + 1] == '\n' ? 2 : 1;
    }
  }
  if (offset != size) {
    std::abort();
  }
  return 0;
}
