#pragma once

// The fuzzer's bytes as a file the program can open by path, kept in memory.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace vireno::fuzz {

class MemoryFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : fd_(memfd_create("fuzz", 0)) {
    std::size_t done = 0;
    while (done < size) {
      const ssize_t written = write(fd_, data + done, size - done);
      if (written <= 0) {
        break;
      }
      done += static_cast<std::size_t>(written);
    }
  }
  ~MemoryFile() { close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};

}  // namespace vireno::fuzz
