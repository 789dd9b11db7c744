// What an administrator types into Intune for an installer as a Win32 app: the install
// and uninstall commands, the detection rule and the return codes, as plain text.
#pragma once

#include <string>

#include "tools/stp/InstallerFacts.h"

namespace stp::tool {

std::string IntuneText(const InstallerFacts& facts);

}  // namespace stp::tool
