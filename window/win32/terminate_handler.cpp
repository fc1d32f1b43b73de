// The C++ runtime's default terminate handler prints the demangled type of an
// uncaught exception to a console that this program does not have. Its
// demangler, with the printf it uses, is about a fifth of the program. No
// exception leaves an event (the presenter catches them all at the top), so
// terminate can only abort: defining that handler here, as a plain abort,
// keeps the linker from pulling the runtime's verbose one in at all.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): the runtime's own name
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx
