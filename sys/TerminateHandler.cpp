// The C++ runtime's own terminate handler prints the type of an uncaught exception by
// demangling its name, which brings the whole demangler (about 45 KB) into every program.
// The installers are windows programs with no console to print to: this handler, linked
// into them before the runtime, ends the program as the runtime's does, without the
// message nobody could read. Only the stubs link it.
#include <cstdlib>

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
