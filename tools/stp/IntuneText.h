// What an administrator types into Intune for an installer as a Win32 app: the install
// and uninstall commands, the requirement, the detection rule and the return codes, as
// plain text.
#pragma once

#include <string>

#include "tools/stp/InstallerFacts.h"

namespace stp::tool {

// Program: the bytes of the program the installer puts into the destination folder
// (InstallerFacts.h), whose file version the detection rule asks for. Raises
// std::runtime_error, naming the installer and the program, where that rule could never
// hold: a program without a version resource, or one older than the product's version.
std::string IntuneText(const InstallerFacts& facts, const std::string& program);

}  // namespace stp::tool
