// Crypto++'s cryptlib needs IntToString<word64> only to word its key-length errors, but
// the library defines it in integer.cpp, whose big-number, ASN.1 and stream code then
// comes along in a static link (with the C++ locale machinery, most of a megabyte of the
// installer). This copy, linked before the library, answers that reference so the linker
// leaves integer.o out. Only the installers link it (other programs get the library's
// own); should an installer ever need Integer, its link fails with a duplicate
// definition, which is the alarm that the installer has grown.
#include <cstddef>
#include <iterator>
#include <string>

#include <cryptopp/misc.h>

namespace CryptoPP {

template <>
std::string IntToString<word64>(word64 value, unsigned int base) {
    // The library's convention: the high bit of base asks for upper-case digits.
    constexpr unsigned int upperCase = 1U << 31;
    const char letterBase = (base & upperCase) != 0 ? 'A' : 'a';
    base &= ~upperCase;
    if (base < 2 || base > 36) {
        base = 10;
    }
    if (value == 0) {
        return "0";
    }
    char digits[64];
    std::size_t count = 0;
    while (value > 0) {
        const unsigned digit = static_cast<unsigned>(value % base);
        digits[count++] = static_cast<char>(digit < 10 ? '0' + digit : letterBase + (digit - 10));
        value /= base;
    }
    return std::string(std::make_reverse_iterator(digits + count), std::make_reverse_iterator(digits));
}

}  // namespace CryptoPP
