// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "presets.h"
#include "win32_accessible.h"
#include "win32_text.h"

namespace talvenor::win32 {

void Win32Form::InvalidateSurface(const RECT* area) {
    InvalidateRect(window_.get(), area, FALSE);
    // The labels on windows show the surface too, and the form's painting stops at their edges.
    for (const Control& label : controls_) {
        if (label.design->kind != ControlKind::Label || label.window == nullptr) continue;
        RECT common;
        if (area == nullptr || IntersectRect(&common, area, &label.pixels)) {
            InvalidateRect(label.window, nullptr, FALSE);
        }
    }
}

LRESULT Win32Form::OnPaint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window_.get(), &paint);
    RECT client;
    GetClientRect(window_.get(), &client);
    CopySurface(dc, client);
    EndPaint(window_.get(), &paint);
    return 0;
}

void Win32Form::CopySurface(HDC dc, const RECT& area) {
    RECT client;
    GetClientRect(window_.get(), &client);
    // Drawn off screen first, so that the stacked labels never flicker; always the whole surface,
    // so that a part shows exactly what the whole shows there.
    const MemoryDc buffer(CreateCompatibleDC(dc));
    const Bitmap surface(CreateCompatibleBitmap(dc, client.right, client.bottom));
    const Selection selection(buffer.get(), surface.get());
    PaintSurface(buffer.get(), client);
    BitBlt(dc, 0, 0, area.right - area.left, area.bottom - area.top, buffer.get(), area.left,
           area.top, SRCCOPY);
}

void Win32Form::PaintSurface(HDC dc, const RECT& client) {
    FillRect(dc, &client, formBackground_.get());
    // The background covers the whole client area at every scaling.
    pictures_.DrawStretched(dc, kFormDesign.picture, client, true);
    SetBkMode(dc, TRANSPARENT);
    // The last stored label lies at the back, so it is drawn first.
    for (auto design = kControlDesigns.rbegin(); design != kControlDesigns.rend(); ++design) {
        const Control& label = At(design->id);
        if (design->kind != ControlKind::Label || !label.visible) continue;
        const Selection font(dc, FontFor(design->font));
        SetTextColor(dc, design->foreColor.value_or(0x000000));
        RECT area = label.pixels;
        DrawTextW(dc, label.text.c_str(), static_cast<int>(label.text.size()), &area,
                  TextFormat(design->alignment));
    }
}

LRESULT Win32Form::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const int id = static_cast<int>(item.CtlID) - kFirstControlId;
    if (id < 0 || id >= kControlCount) return FALSE;
    if (item.CtlType == ODT_STATIC) {
        // A label's window shows its part of the surface, the label itself included.
        CopySurface(item.hDC, At(static_cast<ControlId>(id)).pixels);
        return TRUE;
    }
    if (item.CtlType != ODT_BUTTON) return FALSE;
    const ControlDesign& design = *At(static_cast<ControlId>(id)).design;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    RECT face = item.rcItem;
    DrawFrameControl(item.hDC, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    // Inside the button's edges; a pressed button's picture moves down and right by a pixel.
    InflateRect(&face, -2, -2);
    RECT picture = face;
    if (pushed) OffsetRect(&picture, 1, 1);
    IntersectRect(&picture, &picture, &face);
    pictures_.DrawCentred(item.hDC, design.picture, picture, dpi_);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = face;
        InflateRect(&focus, -1, -1);
        DrawFocusRect(item.hDC, &focus);
    }
    return TRUE;
}

LRESULT Win32Form::OnControlColour(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control) - kFirstControlId;
    if (id >= 0 && id < kControlCount) {
        const Control& coloured = At(static_cast<ControlId>(id));
        if (coloured.background) {
            SetBkColor(dc, coloured.backColour);
            SetTextColor(dc, coloured.design->foreColor.value_or(GetSysColor(COLOR_WINDOWTEXT)));
            return reinterpret_cast<LRESULT>(coloured.background.get());
        }
    }
    return DefWindowProcW(window_.get(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

}  // namespace talvenor::win32
