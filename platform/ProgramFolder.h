#pragma once

// The program's own folder: where Quillet.ini, Quillet.def, Quillet.smp and
// the help live. It is the folder of the executable, unless the environment
// variable QUILLET_HOME names another (for installed copies whose folder is
// not writable, and for tests).

#include <string>

namespace quillet::platform {

// Windows form, Shift-JIS, ending in '\' ("Z:\opt\quillet\"). Read once per
// call; never empty (falls back to the current directory when the
// executable's folder cannot be found).
std::string ProgramFolder();

}  // namespace quillet::platform
