// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_pictures.h"

#include <wincodec.h>

#include <cstring>

#include "win32_resources.h"

namespace talvenor::win32 {

namespace {

Bitmap LoadBitmapResource(HINSTANCE instance, int id) {
    return Bitmap(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

// Decodes a GIF kept as raw data into a premultiplied 32-bit picture, transparency kept.
Bitmap DecodeGifResource(HINSTANCE instance, int id, SIZE& size) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (found == nullptr) return {};
    const DWORD length = SizeofResource(instance, found);
    auto* data = static_cast<BYTE*>(LockResource(LoadResource(instance, found)));
    if (data == nullptr) return {};

    ComRef<IWICImagingFactory> factory;
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICFormatConverter> converter;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put()))) ||
        FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(data, length)) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
        return {};
    }
    UINT width = 0;
    UINT height = 0;
    converter->GetSize(&width, &height);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as the codec writes
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return {};
    const UINT stride = width * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) return {};
    size = {static_cast<LONG>(width), static_cast<LONG>(height)};
    return bitmap;
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP description{};
    GetObjectW(bitmap, sizeof description, &description);
    return {description.bmWidth, description.bmHeight};
}

// The pointer is kept as a 32 x 32 icon resource; its size and hot spot follow the scaling.
Icon MakeHandPointer(HINSTANCE instance, int dpi) {
    const int size = ScaledPixels(32, dpi);
    const Icon picture(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_HAND_POINTER), IMAGE_ICON, size, size, 0)));
    if (!picture) return {};
    ICONINFO info{};
    if (!GetIconInfo(picture.get(), &info)) return {};
    const Bitmap mask(info.hbmMask);
    const Bitmap colour(info.hbmColor);
    info.fIcon = FALSE;
    info.xHotspot = static_cast<DWORD>(ScaledPixels(TALVENOR_HAND_HOT_SPOT_X, dpi));
    info.yHotspot = static_cast<DWORD>(ScaledPixels(TALVENOR_HAND_HOT_SPOT_Y, dpi));
    return Icon(CreateIconIndirect(&info));
}

}  // namespace

PictureSet::PictureSet(HINSTANCE instance) : instance_(instance) {
    const struct {
        Picture picture;
        int id;
    } bitmaps[] = {{Picture::P1Background, IDB_BACKGROUND},
                   {Picture::P6Minimise, IDB_MINIMISE},
                   {Picture::P7Cross, IDB_CROSS}};
    for (const auto& entry : bitmaps) {
        Image& image = images_[Slot(entry.picture)];
        image.bitmap = LoadBitmapResource(instance, entry.id);
        if (image.bitmap) image.size = BitmapSize(image.bitmap.get());
    }
    const struct {
        Picture picture;
        int id;
    } gifs[] = {{Picture::P4Speaker, IDR_SPEAKER_GIF}, {Picture::P5Arrow, IDR_ARROW_GIF}};
    for (const auto& entry : gifs) {
        Image& image = images_[Slot(entry.picture)];
        image.bitmap = DecodeGifResource(instance, entry.id, image.size);
        image.alpha = true;
    }
    icon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TALVENOR), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
    smallIcon_.reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TALVENOR), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), 0)));
    HandPointer(kDesignDpi);
}

HCURSOR PictureSet::HandPointer(int dpi) const {
    Icon& hand = hands_[dpi];
    if (!hand) hand = MakeHandPointer(instance_, dpi);
    return hand.get();
}

bool PictureSet::Loaded(Picture picture) const { return static_cast<bool>(images_[Slot(picture)].bitmap); }

SIZE PictureSet::SizeOf(Picture picture) const { return images_[Slot(picture)].size; }

SIZE PictureSet::SizeAt(Picture picture, int dpi) const {
    const SIZE natural = SizeOf(picture);
    return {ScaledPixels(natural.cx, dpi), ScaledPixels(natural.cy, dpi)};
}

void PictureSet::DrawCentred(HDC dc, Picture picture, const RECT& area, int dpi) const {
    const SIZE size = SizeAt(picture, dpi);
    const int x = area.left + (area.right - area.left - size.cx) / 2;
    const int y = area.top + (area.bottom - area.top - size.cy) / 2;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    DrawStretched(dc, picture, {x, y, x + size.cx, y + size.cy});
    RestoreDC(dc, saved);
}

void PictureSet::DrawStretched(HDC dc, Picture picture, const RECT& target, bool blend) const {
    const Image& image = images_[Slot(picture)];
    if (!image.bitmap) return;
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    const bool wholeMultiple = width % image.size.cx == 0 && height % image.size.cy == 0;
    const int saved = SaveDC(dc);
    // Whole multiples repeat each pixel and stay sharp.
    SetStretchBltMode(dc, blend && !wholeMultiple ? HALFTONE : COLORONCOLOR);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    const MemoryDc source(CreateCompatibleDC(dc));
    {
        const Selection selection(source.get(), image.bitmap.get());
        if (image.alpha) {
            const BLENDFUNCTION overWithAlpha{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            AlphaBlend(dc, target.left, target.top, width, height, source.get(), 0, 0, image.size.cx,
                       image.size.cy, overWithAlpha);
        } else {
            StretchBlt(dc, target.left, target.top, width, height, source.get(), 0, 0, image.size.cx,
                       image.size.cy, SRCCOPY);
        }
    }
    RestoreDC(dc, saved);
}

}  // namespace talvenor::win32
