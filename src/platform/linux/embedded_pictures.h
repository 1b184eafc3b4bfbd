// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string_view>

namespace talvenor::linux_backend {

// A picture of res/ decoded when the program is built: 32-bit ARGB pixels (not premultiplied),
// row after row, so that the window needs no image reader and no image plugin to start.
struct EmbeddedPicture {
    std::string_view fileName;  // as in res/, "p1_background.bmp"
    int width;
    int height;
    const std::uint32_t* pixels;
};

// The picture built from res/`fileName`; nullptr if there is none.
const EmbeddedPicture* FindEmbeddedPicture(std::string_view fileName);

}  // namespace talvenor::linux_backend
