// The inputs of a package: folders (every file below them) and manifests (the lines
// PayloadLines.h reads). Shared by stp pack and stp build.
#pragma once

#include <filesystem>
#include <vector>

#include "package/PackageWriter.h"

namespace stp::tool {

// Every file below root, in a stable order, its sub-folders kept as the row's folder.
// Raises for a sub-folder the package cannot carry as a folder.
void AddFolder(const std::filesystem::path& root, std::vector<TPackageEntry>& entries);

// The files a manifest's lines take (ReadPayloadList); relative sources are taken from
// the manifest's folder. Raises naming the manifest and line.
void AddManifest(const std::filesystem::path& manifest, std::vector<TPackageEntry>& entries);

// A folder or a manifest.
void AddInput(const std::filesystem::path& input, std::vector<TPackageEntry>& entries);

}  // namespace stp::tool
