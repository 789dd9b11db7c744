// Facts about the running system that change how the forms look.
#pragma once

namespace stp {

// The operating system's major version number as GetVersionExW reports it (5 for
// Windows XP, 6 for Vista to 8.1).
int WindowsMajorVersion();

}  // namespace stp
