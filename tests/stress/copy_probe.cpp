// Runs the program's profile copy from the command line, for tests that
// watch it from outside (strace fault injection, crash and race tests).
//
//   copy_probe BASEDIR SCTFILE EXTASIFILE sct|extasi [TIMES]
//
// Exits with the error number of the first failure, or 0.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "profile/error.h"
#include "profile/profile_copy.h"

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: copy_probe BASEDIR SCTFILE EXTASIFILE sct|extasi [TIMES]\n");
    return 2;
  }
  const vireno::Settings settings{argv[1], argv[2], argv[3]};
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
