// The header choices of a sealed envelope: salt, algorithms and initialisation vector.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace stp {

struct SealOptions {
    int cipherIndex = 0;
    int hashIndex = 0;
    // 8 characters; the 4th and 5th carry the cipher and hash selectors, so they must
    // be at least the index above the lowest header character.
    std::u16string salt;
    // One character per block byte; empty for the stream cipher.
    std::u16string iv;
};

// Header characters are chosen from printable ASCII without the blank, so envelopes
// survive any text handling between writer and reader.
constexpr char16_t kFirstHeaderChar = u'!';
constexpr char16_t kLastHeaderChar = u'~';

// Salt and initialisation vector derived from seed bytes: the same seed gives the same
// header, so a package writer can produce byte-identical packages from identical input.
// Throws std::invalid_argument for an index outside the cipher or hash tables.
SealOptions DeriveSealOptions(int cipherIndex, int hashIndex, std::span<const std::uint8_t> seed);

// Salt and initialisation vector from the system's random source.
SealOptions RandomSealOptions(int cipherIndex, int hashIndex);

}  // namespace stp
