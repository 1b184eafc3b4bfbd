// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <map>

#include "form_design.h"
#include "win32_api.h"
#include "win32_handles.h"

namespace talvenor::win32 {

// The screen resolution the design and its pictures were made for: 15 twips to a pixel.
inline constexpr int kDesignDpi = 96;

// A length of the design's pixels at `dpi`, rounded to the nearest pixel.
constexpr int ScaledPixels(int pixels, int dpi) { return (pixels * dpi + kDesignDpi / 2) / kDesignDpi; }

// The window's pictures, loaded once from the program's resources and drawn at any scaling.
class PictureSet {
public:
    // Needs COM initialised on this thread: the GIF pictures are decoded by Windows' codecs.
    explicit PictureSet(HINSTANCE instance);

    // Draws `picture` at its size for `dpi`, centred on `area` and clipped to it; its
    // transparent parts leave what is beneath. Its pixels are repeated, never blended: the small
    // glyphs stay crisp.
    void DrawCentred(HDC dc, Picture picture, const RECT& area, int dpi) const;
    // Draws `picture` stretched over `target`, each of its pixels repeated; with `blend`,
    // neighbouring pixels are blended where the scale is not a whole multiple.
    void DrawStretched(HDC dc, Picture picture, const RECT& target, bool blend = false) const;
    // The picture's natural size, at the design's resolution.
    SIZE SizeOf(Picture picture) const;
    SIZE SizeAt(Picture picture, int dpi) const;
    bool Loaded(Picture picture) const;

    HICON ProgramIcon() const { return icon_.get(); }
    HICON SmallProgramIcon() const { return smallIcon_.get(); }
    // The pointing hand at its size for `dpi`, its hot spot scaled with it; made once per scaling.
    HCURSOR HandPointer(int dpi = kDesignDpi) const;

private:
    struct Image {
        Bitmap bitmap;
        SIZE size{};
        bool alpha = false;  // premultiplied alpha, drawn blended
    };
    static std::size_t Slot(Picture picture) { return static_cast<std::size_t>(picture); }

    std::array<Image, 8> images_;
    HINSTANCE instance_;
    Icon icon_;
    Icon smallIcon_;
    mutable std::map<int, Icon> hands_;
};

}  // namespace talvenor::win32
