#include "profile/settings.h"

#include <cstdint>
#include <limits>

#include "profile/error.h"
#include "profile/file_system.h"
#include "profile/line_reader.h"

namespace vireno {

namespace {

// A fixed-column field: which line (counted from 0) and which characters.
struct Column {
  std::int16_t line;
  std::size_t start;
  std::size_t width;
};

constexpr Column kBaseDirColumn{1, 5, 12};
constexpr Column kSctFileColumn{2, 14, 8};
constexpr Column kExtasiFileColumn{3, 17, 10};

// How many bytes of line `counter` can hold the characters a column uses; an
// ignored line keeps none, so no line is ever held whole.
std::size_t BytesToKeep(std::int16_t counter) {
  for (const Column& column : {kBaseDirColumn, kSctFileColumn, kExtasiFileColumn}) {
    if (counter == column.line) {
      return (column.start - 1 + column.width) * kMaxCharacterSize;
    }
  }
  return 0;
}

std::size_t NextCharacter(std::string_view text, std::size_t offset) {
  return offset + CharacterSize(text.substr(offset));
}

}  // namespace

std::string Substring(std::string_view text, std::size_t start, std::size_t count) {
  std::size_t offset = 0;
  for (std::size_t position = 1; position < start && offset < text.size(); ++position) {
    offset = NextCharacter(text, offset);
  }
  std::size_t end = offset;
  for (std::size_t taken = 0; taken < count && end < text.size(); ++taken) {
    end = NextCharacter(text, end);
  }
  return std::string(text.substr(offset, end - offset));
}

void LoadSettings(Settings& settings, const std::string& path) {
  InputFile file(path);
  LineReader reader(file);
  // The line counter is 16 bits wide, as it always was: a settings file holds
  // at most 32,767 lines, and a longer one is reported as an overflow.
  std::int16_t counter = 0;
  while (!reader.AtEnd()) {
    const std::string line = reader.ReadLine(BytesToKeep(counter));
    if (counter == kBaseDirColumn.line) {
      settings.BaseDir = Substring(line, kBaseDirColumn.start, kBaseDirColumn.width);
    }
    if (counter == kSctFileColumn.line) {
      settings.SctFile = Substring(line, kSctFileColumn.start, kSctFileColumn.width);
    }
    if (counter == kExtasiFileColumn.line) {
      settings.ExtasiFile = Substring(line, kExtasiFileColumn.start, kExtasiFileColumn.width);
    }
    if (counter == std::numeric_limits<std::int16_t>::max()) {
      throw RuntimeError(ErrorCode::kOverflow, path);
    }
    ++counter;
  }
}

}  // namespace vireno
