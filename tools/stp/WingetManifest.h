// The winget manifest of an installer: the three files of a multi-file manifest of schema
// version 1.12.0, as winget's community repository takes it, written as plain YAML with
// every text double-quoted.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/stp/InstallerFacts.h"

namespace stp::tool {

struct ManifestFile {
    std::string Name;  // UTF-8: <Id>.yaml, <Id>.installer.yaml, <Id>.locale.en-US.yaml
    std::string Text;
};

// What the vendor decides besides the installer: Identifier and Url were checked
// (WingetRules.h); ReleaseDate is YYYY-MM-DD or none.
struct WingetInputs {
    std::string Identifier;
    std::string Url;
    std::optional<std::string> ReleaseDate;
};

struct WingetFiles {
    std::vector<ManifestFile> Files;
    std::vector<std::string> Notes;  // what was left out, and why, for the vendor to hear
};

// Raises std::runtime_error, naming the cause and the setting or option to change, for
// what the community repository refuses: an http:// Url, no Description, a text longer or
// shorter than the schema takes.
WingetFiles WingetManifest(const InstallerFacts& facts, const WingetInputs& inputs);

// Text as a YAML double-quoted scalar: " and \ escaped, and as \uXXXX every character YAML
// does not take as it stands (control characters, line and paragraph separators, the
// byte-order mark, U+FFFE and U+FFFF).
std::string YamlQuoted(const std::u16string& text);

}  // namespace stp::tool
