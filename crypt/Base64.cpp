#include "crypt/Base64.h"

namespace stp {

namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// A character outside the alphabet (a stray "=" included) counts as value 0 rather than
// stopping the decoder: writers never produce one, and this way the number of decoded
// bytes depends on the text's length alone.
unsigned ValueOf(char ch) {
    const std::size_t pos = kAlphabet.find(ch);
    return pos == std::string_view::npos ? 0u : static_cast<unsigned>(pos);
}

}  // namespace

std::string EncodeBase64(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const unsigned group = (unsigned{bytes[i]} << 16) | (left > 1 ? unsigned{bytes[i + 1]} << 8 : 0u) |
                               (left > 2 ? unsigned{bytes[i + 2]} : 0u);
        text.push_back(kAlphabet[(group >> 18) & 0x3F]);
        text.push_back(kAlphabet[(group >> 12) & 0x3F]);
        text.push_back(left > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=');
        text.push_back(left > 2 ? kAlphabet[group & 0x3F] : '=');
    }
    return text;
}

std::vector<std::uint8_t> DecodeBase64(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i + 4 <= text.size(); i += 4) {
        const unsigned group = (ValueOf(text[i]) << 18) | (ValueOf(text[i + 1]) << 12) | (ValueOf(text[i + 2]) << 6) |
                               ValueOf(text[i + 3]);
        bytes.push_back(static_cast<std::uint8_t>(group >> 16));
        if (text[i + 2] == '=') {
            continue;
        }
        bytes.push_back(static_cast<std::uint8_t>(group >> 8));
        if (text[i + 3] == '=') {
            continue;
        }
        bytes.push_back(static_cast<std::uint8_t>(group));
    }
    return bytes;
}

}  // namespace stp
