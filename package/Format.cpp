#include "package/Format.h"

namespace stp {

TColumnSet PackageConvertSet() { return MakeColumnSet({pcFileName}); }

std::int64_t LengthFieldOffset(const unsigned char* tail, std::size_t tailSize, std::int64_t fileSize) {
    // byte(k) is the byte k places before the end, or none.
    auto byteFromEnd = [&](std::size_t k) -> int { return k <= tailSize ? tail[tailSize - k] : -1; };
    // The trailer's last byte is never examined.
    if (byteFromEnd(2) == 0x14) return byteFromEnd(3) == 0x0A ? fileSize - 7 : fileSize - 26;
    return byteFromEnd(10) == 0x0A ? fileSize - 14 : fileSize - 33;
}

}  // namespace stp
