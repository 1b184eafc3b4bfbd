#pragma once

#include <array>

#include "form_design.h"
#include "win32_api.h"
#include "win32_handles.h"

namespace talvenor::win32 {

// The window's pictures, loaded once from the program's resources.
class PictureSet {
public:
    // Needs COM initialised on this thread: the GIF pictures are decoded by Windows' codecs.
    explicit PictureSet(HINSTANCE instance);

    // Draws `picture` at its natural size centred on `area` and clipped to it; its transparent
    // parts leave what is beneath.
    void DrawCentred(HDC dc, Picture picture, const RECT& area) const;
    // Draws `picture` at its natural size with its top-left corner at `x`, `y`, clipped to `clip`.
    void Draw(HDC dc, Picture picture, int x, int y, const RECT& clip) const;
    SIZE SizeOf(Picture picture) const;
    bool Loaded(Picture picture) const;

    HICON ProgramIcon() const { return icon_.get(); }
    HICON SmallProgramIcon() const { return smallIcon_.get(); }
    HCURSOR HandPointer() const { return hand_.get(); }

private:
    struct Image {
        Bitmap bitmap;
        SIZE size{};
        bool alpha = false;  // premultiplied alpha, drawn blended
    };
    static std::size_t Slot(Picture picture) { return static_cast<std::size_t>(picture); }

    std::array<Image, 8> images_;
    Icon icon_;
    Icon smallIcon_;
    Icon hand_;
};

}  // namespace talvenor::win32
