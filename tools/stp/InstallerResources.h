// What stp build writes into a copy of the setup stub: the manifest, the string table
// of the build configuration, the pictures and icons, and the package.
#pragma once

#include <string>
#include <vector>

#include "pe/Resources.h"
#include "tools/stp/ProductFolder.h"

namespace stp::tool {

// The manifest of the product's installer (Role "Setup") or uninstaller ("Uninstall"):
// administrator rights, the common controls of version 6 and the Windows versions it
// knows.
std::string ProgramManifest(const std::u16string& exeName, const std::string& role);

// Every resource of the product's installer; Settings are the product's, after the
// build's own choices (text mode, computed space).
std::vector<pe::Resource> InstallerResources(const ProductFolder& product, std::string package);

// Every resource of the product's uninstaller: the manifest, the same string table, the
// product's main icon and FileList, the rows of the package (package/FileList.h).
std::vector<pe::Resource> UninstallerResources(const ProductFolder& product, std::string fileList);

}  // namespace stp::tool
