// LoadSettings on the largest settings files it accepts, against the plainest
// way to read the same file, and in memory that does not grow with the file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "profile/settings.h"

namespace {

constexpr char kFourLines[] =
    "x\r\nDIR=c:\\progdvb\\\r\nSCT_FILE   = sct.txt\r\nEXTASI_FILE    =extasi.txt\r\n";
constexpr off_t kTwoGiB = off_t{2} << 30;
constexpr off_t kLineBytes = off_t{64} * 1024;

// Reads `path` once in 64 KiB blocks: the limit for any reader of it.
std::size_t ReadToEnd(const std::string& path) {
  std::vector<char> block(std::size_t{64} * 1024);
  const int fd = open(path.c_str(), O_RDONLY);
  std::size_t total = 0;
  for (ssize_t got = 0; (got = read(fd, block.data(), block.size())) > 0;) {
    total += static_cast<std::size_t>(got);
  }
  close(fd);
  return total;
}

// A settings file in /tmp, removed with the object.
class SettingsFile {
 public:
  SettingsFile(const std::string& name, const std::function<void(const std::string&)>& make)
      : path_("/tmp/vireno-bench-" + std::to_string(getpid()) + "-" + name + ".ini") {
    make(path_);
    ReadToEnd(path_);  // both readers then start from a warm page cache
  }
  ~SettingsFile() { std::remove(path_.c_str()); }
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// 32,767 lines of 80 characters: the largest file of ordinary lines.
const SettingsFile& EightyColumnFile() {
  static const SettingsFile file("80x32767", [](const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    for (int line = 0; line < 32767; ++line) {
      out << std::string(80, static_cast<char>('a' + line % 26)) << "\r\n";
    }
  });
  return file;
}

// Writes `bytes` at `offset` of a sparse file of `size` bytes.
void MakeSparse(const std::string& path, off_t size, const std::vector<off_t>& offsets,
                const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  bool ok = fd >= 0 && ftruncate(fd, size) == 0;
  for (const off_t offset : offsets) {
    ok = ok && pwrite(fd, bytes.data(), bytes.size(), offset) == static_cast<ssize_t>(bytes.size());
  }
  if (fd < 0 || !ok || close(fd) != 0) {
    throw std::runtime_error("cannot make " + path);
  }
}

// 2 GiB with no line end at all: a wrong file in the settings file's place.
const SettingsFile& OneLineFile() {
  static const SettingsFile file("2GiB-1line", [](const std::string& path) {
    MakeSparse(path, kTwoGiB, {0}, "not a settings file");
  });
  return file;
}

// 32,767 lines of 64 KiB each, ending in CR LF: 2 GiB that still loads.
const SettingsFile& LongLinesFile() {
  static const SettingsFile file("2GiB-32767lines", [](const std::string& path) {
    std::vector<off_t> line_ends;
    for (off_t line = 1; line <= 32767; ++line) {
      line_ends.push_back(line * kLineBytes - 2);
    }
    MakeSparse(path, 32767 * kLineBytes, line_ends, "\r\n");
  });
  return file;
}

const SettingsFile& FourLineFile() {
  static const SettingsFile file("4lines", [](const std::string& path) {
    std::ofstream(path, std::ios::binary) << kFourLines;
  });
  return file;
}

// Peak resident memory, in KiB, of a child process that loads `path`.
long ChildPeakKib(const std::string& path) {
  const pid_t child = fork();
  if (child == 0) {
    vireno::Settings settings;
    vireno::LoadSettings(settings, path);
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  return usage.ru_maxrss;
}

void Load(benchmark::State& state, const SettingsFile& file) {
  for (auto _ : state) {
    vireno::Settings settings;
    vireno::LoadSettings(settings, file.path());
    benchmark::DoNotOptimize(settings);
  }
  state.counters["child_peak_KiB"] = static_cast<double>(ChildPeakKib(file.path()));
}

void ReadInBlocks(benchmark::State& state, const SettingsFile& file) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(ReadToEnd(file.path()));
  }
}

void BM_LoadSettings4Lines(benchmark::State& state) {
  Load(state, FourLineFile());
}
BENCHMARK(BM_LoadSettings4Lines)->Unit(benchmark::kMicrosecond);

void BM_LoadSettings32767Lines(benchmark::State& state) {
  Load(state, EightyColumnFile());
}
BENCHMARK(BM_LoadSettings32767Lines)->Unit(benchmark::kMicrosecond);

void BM_GetlineIntoVector32767Lines(benchmark::State& state) {
  for (auto _ : state) {
    std::ifstream in(EightyColumnFile().path(), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
      lines.push_back(line);
    }
    benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(BM_GetlineIntoVector32767Lines)->Unit(benchmark::kMicrosecond);

void BM_LoadSettings2GiBOneLine(benchmark::State& state) {
  Load(state, OneLineFile());
}
BENCHMARK(BM_LoadSettings2GiBOneLine)->Unit(benchmark::kMillisecond);

void BM_ReadBlocks2GiBOneLine(benchmark::State& state) {
  ReadInBlocks(state, OneLineFile());
}
BENCHMARK(BM_ReadBlocks2GiBOneLine)->Unit(benchmark::kMillisecond);

void BM_LoadSettings2GiB32767Lines(benchmark::State& state) {
  Load(state, LongLinesFile());
}
BENCHMARK(BM_LoadSettings2GiB32767Lines)->Unit(benchmark::kMillisecond);

void BM_ReadBlocks2GiB32767Lines(benchmark::State& state) {
  ReadInBlocks(state, LongLinesFile());
}
BENCHMARK(BM_ReadBlocks2GiB32767Lines)->Unit(benchmark::kMillisecond);

}  // namespace
