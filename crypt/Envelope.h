// The encrypted text envelope: a UTF-16 text encrypted and written as text, with its
// own header of salt, algorithm selectors and initialisation vector:
//   characters 1-8   salt (character 4 cipher selector, character 5 hash selector)
//   character 9, 10  cipher base and hash base: index = selector - base
//   next B           initialisation vector, B = the cipher's block size in bytes
//   the rest         Base64 of the UTF-16LE text, encrypted in CFB-8 or with RC4
// The key is the hash of the salt and the password (UTF-16LE), cut to the smaller of
// the cipher's largest key and the digest.
#pragma once

#include <string>
#include <string_view>

#include "crypt/SealOptions.h"

namespace stp {

// The opened text, or the empty text when the envelope cannot be opened. Never throws.
// There is no integrity check: a wrong password opens to meaningless text of the same
// length.
std::u16string DecryptText(std::u16string_view text, std::u16string_view password) noexcept;

// The inverse of DecryptText. Throws std::invalid_argument when an index is outside
// its table, or the salt, the base characters it implies or the initialisation vector
// are not of the right length or not printable ASCII other than the blank.
std::u16string SealText(std::u16string_view text, std::u16string_view password, const SealOptions& options);

}  // namespace stp
