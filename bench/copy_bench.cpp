// CopyProfile from a 1 GiB source against a 20-byte one: the copy reads the
// first line only, so time and memory must not grow with the source. And a
// first line of 1 GiB against one plain block copy of the same bytes: the
// line streams, so memory must not grow with it either.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "profile/profile_copy.h"

namespace {

constexpr char kFirstLine[] = "profile line, 20 b\r\n";  // 20 bytes with its line end

// A sparse source of `size` bytes: a 20-byte first line, or with
// `one_line`, a single line of NUL bytes without a line end.
class SourceFolder {
 public:
  explicit SourceFolder(off_t size, bool one_line = false)
      : dir_("/tmp/vireno-bench-copy-" + std::to_string(getpid()) + "-" + std::to_string(size) +
             (one_line ? "-line" : "") + "/") {
    std::filesystem::create_directories(dir_);
    const int fd = open((dir_ + "sct.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const ssize_t line = one_line ? 0 : sizeof kFirstLine - 1;
    if (fd < 0 || write(fd, kFirstLine, static_cast<std::size_t>(line)) != line ||
        ftruncate(fd, size) != 0 || close(fd) != 0) {
      throw std::runtime_error("cannot make the source file");
    }
  }
  ~SourceFolder() { std::filesystem::remove_all(dir_); }
  SourceFolder(const SourceFolder&) = delete;
  SourceFolder& operator=(const SourceFolder&) = delete;
  vireno::Settings settings() const { return {dir_, "sct.txt", "extasi.txt"}; }
  std::string path(const char* name) const { return dir_ + name; }

 private:
  std::string dir_;
};

// Peak resident memory, in KiB, of a child process that makes one copy.
long ChildPeakKib(const std::function<void()>& copy) {
  const pid_t child = fork();
  if (child == 0) {
    copy();
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
  state.counters["child_peak_KiB"] = static_cast<double>(
      ChildPeakKib([&] { vireno::CopyProfile(settings, vireno::Profile::Sct); }));
}

void BM_CopyProfileFrom20Bytes(benchmark::State& state) {
  CopyFrom(state, 20);
}
BENCHMARK(BM_CopyProfileFrom20Bytes)->Unit(benchmark::kMicrosecond);

void BM_CopyProfileFromSparse1GiB(benchmark::State& state) {
  CopyFrom(state, off_t{1} << 30);
}
BENCHMARK(BM_CopyProfileFromSparse1GiB)->Unit(benchmark::kMicrosecond);

constexpr off_t kOneGiB = off_t{1} << 30;

void BM_CopyProfileLineOf1GiB(benchmark::State& state) {
  const SourceFolder folder(kOneGiB, true);
  const vireno::Settings settings = folder.settings();
  for (auto _ : state) {
    vireno::CopyProfile(settings, vireno::Profile::Sct);
  }
  state.counters["child_peak_KiB"] = static_cast<double>(
      ChildPeakKib([&] { vireno::CopyProfile(settings, vireno::Profile::Sct); }));
}
BENCHMARK(BM_CopyProfileLineOf1GiB)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same bytes read and written once in 64 KiB blocks, and flushed to disk
// as the copy flushes its file: the limit for any copy of that line.
void BlockCopy(const std::string& from, const std::string& to) {
  std::vector<char> block(std::size_t{64} * 1024);
  const int in = open(from.c_str(), O_RDONLY);
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  bool ok = in >= 0 && out >= 0;
  for (ssize_t got = 0; ok && (got = read(in, block.data(), block.size())) > 0;) {
    ok = write(out, block.data(), static_cast<std::size_t>(got)) == got;
  }
  ok = ok && fsync(out) == 0;
  close(in);
  close(out);
  if (!ok) {
    throw std::runtime_error("block copy failed");
  }
}

void BM_BlockCopy1GiB(benchmark::State& state) {
  const SourceFolder folder(kOneGiB, true);
  for (auto _ : state) {
    BlockCopy(folder.path("sct.txt"), folder.path("copy.txt"));
  }
  state.counters["child_peak_KiB"] = static_cast<double>(
      ChildPeakKib([&] { BlockCopy(folder.path("sct.txt"), folder.path("copy.txt")); }));
}
BENCHMARK(BM_BlockCopy1GiB)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
