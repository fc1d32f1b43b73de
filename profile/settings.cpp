#include "profile/settings.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>

#include "profile/code_page.h"
#include "profile/error.h"
#include "profile/line_reader.h"

namespace vireno {

namespace {

// A fixed-column field: which line and which characters, both counted
// from 1 as the settings file's users count them, and the setting it fills.
struct Column {
  int line;
  std::size_t start;
  std::size_t width;
  std::string Settings::*setting;
};

constexpr Column kColumns[] = {
    {2, 5, 12, &Settings::BaseDir},
    {3, 14, 8, &Settings::SctFile},
    {4, 17, 10, &Settings::ExtasiFile},
};

const Column* ColumnOnLine(int line) {
  for (const Column& column : kColumns) {
    if (column.line == line) {
      return &column;
    }
  }
  return nullptr;
}

// How many bytes of a line can hold the characters its column uses; an
// ignored line keeps none, so no line is ever held whole.
std::size_t BytesToKeep(const Column* column) {
  return column != nullptr ? (column->start - 1 + column->width) * kMaxCharacterSize : 0;
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

void LoadSettings(Settings& settings, const std::string& path, SettingsNotes* notes) {
  InputFile file(path);
  LineReader reader(file);
  // The line counter is 16 bits wide, as it always was: a settings file holds
  // at most 32,767 lines, and a longer one is reported as an overflow.
  std::int16_t counter = 0;  // the lines read so far
  while (!reader.AtEnd()) {
    const Column* column = ColumnOnLine(counter + 1);
    if (counter < kColumns[std::size(kColumns) - 1].line) {
      // The lines up to the last column's are looked through for line feeds.
      const std::size_t keep = BytesToKeep(column);
      std::string line;
      reader.CopyLine([&](std::string_view piece) {
        if (notes != nullptr && piece.find('\n') != std::string_view::npos) {
          notes->line_feeds = true;
        }
        line.append(piece.substr(0, keep - std::min(keep, line.size())));
      });
      if (column != nullptr) {
        settings.*column->setting = Substring(line, column->start, column->width);
      }
    } else {
      reader.ReadLine(0);
    }
    if (counter == std::numeric_limits<std::int16_t>::max()) {
      throw RuntimeError(ErrorCode::kOverflow, path);
    }
    ++counter;
  }
}

int SettingsLineOf(std::string Settings::*setting) {
  for (const Column& column : kColumns) {
    if (column.setting == setting) {
      return column.line;
    }
  }
  return 0;
}

}  // namespace vireno
