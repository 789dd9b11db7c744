// Fixed drives and their free space.
#pragma once

#include <cstdint>
#include <string>

namespace stp {

// Upper-case letters of the fixed drives, alphabetical; removable, network, optical and
// RAM drives are left out.
std::u16string GetDriveLetters();

// Bytes the current user may still fill on the drive Letter (either case); -1 when the
// drive is missing, not ready or not accessible.
std::int64_t GetDriveFreeSpace(char16_t Letter);

}  // namespace stp
