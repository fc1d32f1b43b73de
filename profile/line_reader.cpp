#include "profile/line_reader.h"

#include <cstring>

#include "profile/error.h"

namespace vireno {

LineReader::LineReader(InputFile& file, std::size_t buffer_size)
    : file_(file), buffer_(buffer_size > 0 ? buffer_size : 1) {}

bool LineReader::Fill() {
  if (begin_ < end_) {
    return true;
  }
  begin_ = 0;
  end_ = file_.Read(buffer_.data(), buffer_.size());
  return end_ > 0;
}

bool LineReader::AtEnd() {
  return !Fill();
}

std::string LineReader::ReadLine(std::size_t keep) {
  std::string line;
  CopyLine([&](std::string_view piece) {
    if (line.size() < keep) {
      line.append(piece.substr(0, keep - line.size()));
    }
  });
  return line;
}

void LineReader::CopyLine(const std::function<void(std::string_view)>& sink) {
  if (!Fill()) {
    throw RuntimeError(ErrorCode::kInputPastEndOfFile, file_.path());
  }
  while (Fill()) {
    const char* start = buffer_.data() + begin_;
    const auto* cr = static_cast<const char*>(std::memchr(start, '\r', end_ - begin_));
    if (cr == nullptr) {
      sink(std::string_view(start, end_ - begin_));
      begin_ = end_;
      continue;
    }
    if (cr > start) {
      sink(std::string_view(start, static_cast<std::size_t>(cr - start)));
    }
    begin_ += static_cast<std::size_t>(cr - start) + 1;
    // The LF of a CR LF pair may sit at the start of the next buffer.
    if (Fill() && buffer_[begin_] == '\n') {
      ++begin_;
    }
    return;
  }
}

}  // namespace vireno
