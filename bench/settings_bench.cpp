// LoadSettings on the largest settings file it accepts, against the plainest
// way to read the same file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "profile/settings.h"

namespace {

class LargeSettingsFile {
 public:
  LargeSettingsFile() : path_("/tmp/vireno-bench-" + std::to_string(getpid()) + ".ini") {
    std::ofstream out(path_, std::ios::binary);
    for (int line = 0; line < 32767; ++line) {
      out << std::string(80, static_cast<char>('a' + line % 26)) << "\r\n";
    }
  }
  ~LargeSettingsFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

const LargeSettingsFile& File() {
  static const LargeSettingsFile file;
  return file;
}

void BM_LoadSettings32767Lines(benchmark::State& state) {
  for (auto _ : state) {
    vireno::Settings settings;
    vireno::LoadSettings(settings, File().path());
    benchmark::DoNotOptimize(settings);
  }
}
BENCHMARK(BM_LoadSettings32767Lines)->Unit(benchmark::kMicrosecond);

void BM_GetlineIntoVector32767Lines(benchmark::State& state) {
  for (auto _ : state) {
    std::ifstream in(File().path(), std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
      lines.push_back(line);
    }
    benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(BM_GetlineIntoVector32767Lines)->Unit(benchmark::kMicrosecond);

}  // namespace
