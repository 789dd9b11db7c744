// What winget's manifest schema (version 1.6.0) allows in the values stp manifest writes:
// the package identifier, the installer's address and the lengths of the texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

// Raises std::runtime_error naming Field when Value has fewer than Least or more than Most
// characters, the schema's bounds for that field.
void CheckLength(std::string_view field, const std::u16string& value, std::size_t least, std::size_t most);

}  // namespace stp::tool
