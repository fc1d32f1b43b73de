// Drives the profile copy the way the field breaks it: killed at random
// moments (crash), and raced by other writers and a reader (race).
//
//   copy_stress crash KILLS   every kill leaves the old or the new target, whole
//   copy_stress race SWITCHES two writers switch back and forth while a reader
//                             reads; run for the program's copy, then for a
//                             plain truncate-and-write, which must be caught
//
// Prints its figures; exits 0 when the copy kept every promise.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "profile/error.h"
#include "profile/profile_copy.h"

namespace {

namespace fs = std::filesystem;

// Lines long enough that a torn write shows.
const std::string kSct = "SCT " + std::string(3000, 's');
const std::string kExtasi = "EXTASI " + std::string(5000, 'e');

class Workspace {
 public:
  Workspace() {
    char pattern[] = "/tmp/vireno-stress.XXXXXX";
    dir_ = std::string(mkdtemp(pattern)) + "/";
    Write("sct.txt", kSct + "\r\nsecond line\r\n");
    Write("extasi.txt", kExtasi + "\r\n");
    vireno::CopyProfile(settings(), vireno::Profile::Sct);
  }
  ~Workspace() { fs::remove_all(dir_); }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  vireno::Settings settings() const { return {dir_, "sct.txt", "extasi.txt"}; }
  std::string target() const { return dir_ + "vireno.txt"; }

  // What a reader sees in the target; "<missing>" when it cannot open it.
  std::string ReadTarget() const {
    std::ifstream in(target(), std::ios::binary);
    if (!in) {
      return "<missing>";
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Counts the files that are not ours; `age` first sets their last write
  // back by that much.
  int StrayFiles(fs::file_time_type::duration age = {}) const {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (name != "sct.txt" && name != "extasi.txt" && name != "vireno.txt") {
        ++count;
        fs::last_write_time(entry.path(), fs::last_write_time(entry.path()) - age);
      }
    }
    return count;
  }

 private:
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ + name, std::ios::binary) << text;
  }
  std::string dir_;
};

bool IsWhole(const std::string& content) {
  return content == kSct + "\r\n" || content == kExtasi + "\r\n";
}

int Crash(int kills) {
  Workspace work;
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> pause_us(0, 4000);
  int bad = 0;
  long bytes_lost = 0;
  for (int kill_number = 0; kill_number < kills; ++kill_number) {
    const pid_t child = fork();
    if (child == 0) {
      for (unsigned i = 0;; ++i) {
        vireno::CopyProfile(work.settings(),
                            i % 2 == 0 ? vireno::Profile::Extasi : vireno::Profile::Sct);
      }
    }
    usleep(static_cast<useconds_t>(pause_us(random)));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const std::string content = work.ReadTarget();
    if (!IsWhole(content)) {
      ++bad;
      bytes_lost += static_cast<long>(kSct.size() + 2) - static_cast<long>(content.size());
    }
  }
  // A killed copy may leave its temporary file; the next copy must not be
  // confused by it, and clears it once its process is gone and nobody has
  // written it for ten minutes.
  const int strays = work.StrayFiles(std::chrono::minutes(11));
  vireno::CopyProfile(work.settings(), vireno::Profile::Extasi);
  const bool next_ok = work.ReadTarget() == kExtasi + "\r\n";
  const int strays_after = work.StrayFiles();
  std::printf(
      "crash test: %d kills, %d targets neither old nor new (%ld bytes lost), %d stray "
      "temporary files after the last kill, %d after the next copy, next copy %s\n",
      kills, bad, bytes_lost < 0 ? -bytes_lost : bytes_lost, strays, strays_after,
      next_ok ? "correct" : "WRONG");
  return bad == 0 && next_ok && strays_after == 0 ? 0 : 1;
}

// The rewrite the crash-safe copy replaced: empty the target, then write it.
void PlainCopy(const Workspace& work, const std::string& line) {
  const int fd = open(work.target().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::string content = line + "\r\n";
  if (fd < 0 || write(fd, content.data(), content.size()) < 0) {
    _exit(1);
  }
  close(fd);
}

pid_t StartWriter(const Workspace& work, int switches, bool plain, unsigned phase) {
  const pid_t child = fork();
  if (child == 0) {
    for (unsigned i = 0; i < static_cast<unsigned>(switches); ++i) {
      const bool sct = (i + phase) % 2 == 0;
      if (plain) {
        PlainCopy(work, sct ? kSct : kExtasi);
      } else {
        vireno::CopyProfile(work.settings(), sct ? vireno::Profile::Sct : vireno::Profile::Extasi);
      }
    }
    _exit(0);
  }
  return child;
}

// Returns the number of bad reads.
long Race(int switches, bool plain) {
  Workspace work;
  const pid_t first = StartWriter(work, switches, plain, 0);
  const pid_t second = StartWriter(work, switches, plain, 1);
  long reads = 0;
  long bad = 0;
  int running = 2;
  while (running > 0) {
    bad += IsWhole(work.ReadTarget()) ? 0 : 1;
    ++reads;
    for (pid_t writer : {first, second}) {
      if (writer > 0 && waitpid(writer, nullptr, WNOHANG) == writer) {
        --running;
      }
    }
  }
  std::printf("race test (%s): 2 writers x %d switches, %ld reads, %ld bad reads\n",
              plain ? "plain truncate-and-write" : "the program's copy", switches, reads, bad);
  return bad;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const int count = argc > 2 ? std::atoi(argv[2]) : 1000;
  try {
    if (mode == "crash") {
      return Crash(count);
    }
    if (mode == "race") {
      const long program_bad = Race(count, false);
      // The same race against the plain rewrite shows the test can see tearing.
      long plain_bad = 0;
      for (int round = 0; round < 5 && plain_bad == 0; ++round) {
        plain_bad = Race(count, true);
      }
      return program_bad == 0 && plain_bad > 0 ? 0 : 1;
    }
  } catch (const vireno::RuntimeError& error) {
    std::printf("copy failed: %d %s %s\n", error.number(), error.description().c_str(),
                error.file().c_str());
    return 1;
  }
  std::fprintf(stderr, "usage: copy_stress crash KILLS | race SWITCHES\n");
  return 2;
}
