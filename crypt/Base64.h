// Base64 with the standard alphabet and "=" padding, in one line.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace stp {

std::string EncodeBase64(std::span<const std::uint8_t> bytes);

// Lenient reader of the envelope's ciphertext: groups of four characters, a trailing
// group of one to three characters ignored; "=" in the third place ends a group after
// one byte, in the fourth place after two. Never fails.
std::vector<std::uint8_t> DecodeBase64(std::string_view text);

}  // namespace stp
