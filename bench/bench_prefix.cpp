// The benchmarks' files lie under /tmp, which a path from the root reaches
// through the current drive, z:, the host's root in every prefix Wine makes:
// the benchmarks run in such a prefix of their own.
#include <unistd.h>
#include <cstdlib>

#include <filesystem>
#include <string>

namespace {

class BenchPrefix {
 public:
  BenchPrefix() {
    char pattern[] = "/tmp/vireno-bench-prefix.XXXXXX";
    prefix_ = mkdtemp(pattern);
    std::filesystem::create_directories(prefix_ + "/dosdevices");
    std::filesystem::create_directory_symlink("/", prefix_ + "/dosdevices/z:");
    setenv("WINEPREFIX", prefix_.c_str(), 1);
  }
  ~BenchPrefix() { std::filesystem::remove_all(prefix_); }
  BenchPrefix(const BenchPrefix&) = delete;
  BenchPrefix& operator=(const BenchPrefix&) = delete;

 private:
  std::string prefix_;
};

const BenchPrefix kPrefix;

}  // namespace
