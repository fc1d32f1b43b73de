// Runs the program's profile copy from the command line, for tests that
// watch it from outside (strace fault injection, crash and race tests).
//
//   copy_probe BASEDIR SCTFILE EXTASIFILE sct|extasi [TIMES]
//   copy_probe BASEDIR SCTFILE EXTASIFILE start
//
// Exits with the error number of the first failure, or 0. "start" does what
// the program does when it starts, before its window shows: it completes a
// rewrite that a killed copy left unfinished, and exits 0 when there was
// one, 1 when there was none.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "profile/error.h"
#include "profile/profile_copy.h"

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: copy_probe BASEDIR SCTFILE EXTASIFILE sct|extasi|start [TIMES]\n");
    return 2;
  }
  const vireno::Settings settings{argv[1], argv[2], argv[3]};
  if (std::string(argv[4]) == "start") {
    return vireno::FinishInterruptedCopy(settings) ? 0 : 1;
  }
  const auto profile =
      std::string(argv[4]) == "sct" ? vireno::Profile::Sct : vireno::Profile::Extasi;
  const long times = argc > 5 ? std::strtol(argv[5], nullptr, 10) : 1;
  try {
    for (long i = 0; i < times; ++i) {
      vireno::CopyProfile(settings, profile);
    }
  } catch (const vireno::RuntimeError& error) {
    std::fprintf(stderr, "%d %s %s\n", error.number(), error.description().c_str(),
                 error.file().c_str());
    return error.number();
  }
  return 0;
}
