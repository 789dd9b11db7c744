// DecryptText on arbitrary text and password: it must never raise, never read out of
// bounds and never give more characters than its Base64 can carry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "crypt/Envelope.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte splits the input into envelope and password; both as UTF-16LE.
    const std::size_t cut = size ? std::min<std::size_t>(data[0], size - 1) : 0;
    auto text = [](const std::uint8_t* p, std::size_t n) {
        std::u16string s(n / 2, u'\0');
        for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
        return s;
    };
    const std::u16string password = size ? text(data + 1, cut) : u"";
    const std::u16string envelope = size ? text(data + 1 + cut, size - 1 - cut) : u"";
    const std::u16string opened = stp::DecryptText(envelope, password);
    if (opened.size() > envelope.size()) std::abort();
    return 0;
}
