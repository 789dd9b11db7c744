#include "sys/OleError.h"

#include <string>
#include <memory>

#include "datatable/Text.h"
#include "sys/WideText.h"

namespace stp {

namespace {

// FormatMessageW with a buffer it allocates; released here on every path.
std::u16string SystemMessage(HRESULT code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const std::unique_ptr<wchar_t, decltype(&LocalFree)> owned(buffer, &LocalFree);
    if (buffer == nullptr) return {};
    std::u16string text = length ? FromWide(buffer, length) : std::u16string();
    // The system ends its texts with a line break.
    while (!text.empty() && text.back() <= u' ') text.pop_back();
    return text;
}

}  // namespace

std::string OleErrorMessage(HRESULT code) {
    std::u16string text = SystemMessage(code);
    if (!text.empty()) return ToUtf8(text);
    // Eight hex digits, formatted by hand: printf stays out of the installer.
    std::string fallback = "OLE error ";
    for (int shift = 28; shift >= 0; shift -= 4)
        fallback += "0123456789abcdef"[(static_cast<unsigned long>(code) >> shift) & 0xF];
    return fallback;
}

void OleCheck(HRESULT code) {
    if (FAILED(code)) throw EOleError(OleErrorMessage(code), code);
}

}  // namespace stp
