// The winget manifest of an installer: the three files of a multi-file manifest of schema
// version 1.6.0, written as plain YAML with every text double-quoted.
#pragma once

#include <string>
#include <vector>

#include "tools/stp/InstallerFacts.h"

namespace stp::tool {

struct ManifestFile {
    std::string Name;  // UTF-8: <Id>.yaml, <Id>.installer.yaml, <Id>.locale.en-US.yaml
    std::string Text;
};

// Identifier and Url were checked (WingetRules.h). Raises std::runtime_error for a text
// longer or shorter than the schema takes, naming it.
std::vector<ManifestFile> WingetManifest(const InstallerFacts& facts, const std::string& identifier,
                                         const std::string& url);

// Text as a YAML double-quoted scalar: " and \ escaped, and as \uXXXX every character YAML
// does not take as it stands (control characters, line and paragraph separators, the
// byte-order mark, U+FFFE and U+FFFF).
std::string YamlQuoted(const std::u16string& text);

}  // namespace stp::tool
