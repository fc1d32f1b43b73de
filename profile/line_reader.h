#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "profile/file_system.h"

namespace vireno {

// Reads a text file line by line. A line ends at CR LF or at a lone CR; a lone
// LF is an ordinary character, as is every other byte. Memory is the buffer
// plus what the caller asks to keep of each line, never the file.
class LineReader {
 public:
  static constexpr std::size_t kDefaultBufferSize = std::size_t{64} * 1024;

  explicit LineReader(InputFile& file, std::size_t buffer_size = kDefaultBufferSize);

  // True when no byte is left to read.
  bool AtEnd();

  // Reads the next line without its line end; raises "Input past end of
  // file" when the file is at its end.
  std::string ReadLine() { return ReadLine(std::string::npos); }

  // The same, but keeps only the first `keep` bytes of the line: the rest is
  // read past without being stored.
  std::string ReadLine(std::size_t keep);

  // Reads the next line without its line end and hands it to `sink` piece by
  // piece, as it comes, so that no line is ever held whole; raises as
  // ReadLine does.
  void CopyLine(const std::function<void(std::string_view)>& sink);

 private:
  bool Fill();

  InputFile& file_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace vireno
