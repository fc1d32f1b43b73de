// CopyProfile from a 1 GiB source against a 20-byte one: the copy reads the
// first line only, so time and memory must not grow with the source.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "profile/profile_copy.h"

namespace {

constexpr char kFirstLine[] = "profile line, 20 b\r\n";  // 20 bytes with its line end

class SourceFolder {
 public:
  explicit SourceFolder(off_t size)
      : dir_("/tmp/vireno-bench-copy-" + std::to_string(getpid()) + "-" + std::to_string(size) +
             "/") {
    std::filesystem::create_directories(dir_);
    const int fd = open((dir_ + "sct.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || write(fd, kFirstLine, sizeof kFirstLine - 1) != sizeof kFirstLine - 1 ||
        ftruncate(fd, size) != 0 || close(fd) != 0) {
      throw std::runtime_error("cannot make the source file");
    }
  }
  ~SourceFolder() { std::filesystem::remove_all(dir_); }
  vireno::Settings settings() const { return {dir_, "sct.txt", "extasi.txt"}; }

 private:
  std::string dir_;
};

// Peak resident memory, in KiB, of a child process that makes one copy.
long ChildPeakKib(const vireno::Settings& settings) {
  const pid_t child = fork();
  if (child == 0) {
    vireno::CopyProfile(settings, vireno::Profile::Sct);
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  return usage.ru_maxrss;
}

void CopyFrom(benchmark::State& state, off_t source_size) {
  const SourceFolder folder(source_size);
  const vireno::Settings settings = folder.settings();
  for (auto _ : state) {
    vireno::CopyProfile(settings, vireno::Profile::Sct);
  }
  state.counters["child_peak_KiB"] = static_cast<double>(ChildPeakKib(settings));
}

void BM_CopyProfileFrom20Bytes(benchmark::State& state) {
  CopyFrom(state, 20);
}
BENCHMARK(BM_CopyProfileFrom20Bytes)->Unit(benchmark::kMicrosecond);

void BM_CopyProfileFromSparse1GiB(benchmark::State& state) {
  CopyFrom(state, off_t{1} << 30);
}
BENCHMARK(BM_CopyProfileFromSparse1GiB)->Unit(benchmark::kMicrosecond);

}  // namespace
