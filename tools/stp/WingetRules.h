// What winget's manifest schema (version 1.12.0) and its community repository allow in the
// values stp manifest writes: the package identifier, the addresses, the lengths of the
// texts, and where the files go and the release date they name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace stp::tool {

// Publisher.Product: two to eight parts joined by dots, each of 1 to 32 characters none of
// which is a dot, white space, \ / : * ? " < > | or a control character; 128 at most.
bool IsPackageIdentifier(std::string_view utf8);

// Name as one part of an identifier: the characters a part may not hold left out, the
// first 32 of the rest. Empty when nothing is left.
std::string IdentifierPart(const std::u16string& name);

// "Publisher.Product" from the two names; std::runtime_error when a name leaves no
// character for its part.
std::string DerivePackageIdentifier(const std::u16string& publisher, const std::u16string& product);

// An http:// or https:// address of at most 2048 characters, on one line.
bool IsInstallerUrl(std::string_view utf8);

// Such an address with https:// (in any letter case), the only one the community
// repository takes: what is fetched over http:// can be changed on the way.
bool IsHttpsUrl(std::string_view utf8);

// The folders, outermost first, that hold a version's manifest below the output folder, as
// the community repository lays them out: "manifests", the identifier's first character in
// lower case, each part of the identifier, the version (Identifier was checked).
std::vector<std::string> ManifestFolders(const std::string& identifier, const std::string& version);

// The UTC day of a count of seconds since 1970 (SOURCE_DATE_EPOCH's form) as YYYY-MM-DD.
// Raises std::runtime_error for a text that is not such a count up to the end of 9999.
std::string UtcDate(std::string_view seconds);

// Raises std::runtime_error naming Field when Value has fewer than Least or more than Most
// characters, the schema's bounds for that field.
void CheckLength(std::string_view field, const std::u16string& value, std::size_t least, std::size_t most);

}  // namespace stp::tool
