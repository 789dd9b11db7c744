// The generic artwork stp init gives a new product folder, built into stp so that it
// needs no other file.
#pragma once

#include <cstddef>

namespace stp::tool {

struct EmbeddedFile {
    const char* Name;
    const unsigned char* Bytes;
    std::size_t Size;
};

// ImageLeft0.jpg, ImageLeft2.jpg, ImageIcon.bmp, AppIcon.ico and MainIcon.ico.
extern const EmbeddedFile kGenericArt[5];

}  // namespace stp::tool
