// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls.h"
#include "form1.h"
#include "form_design.h"
#include "win32_api.h"

#include <shellapi.h>
#include "win32_handles.h"
#include "win32_pictures.h"

namespace talvenor::win32 {

// The controls' identifiers, far from IDOK and IDCANCEL, which the dialog keys send to the window.
inline constexpr int kFirstControlId = 1000;
inline int ControlIdOf(ControlId id) { return kFirstControlId + static_cast<int>(id); }
inline int Scale(int twips, int dpi) { return TwipsToPixels(twips, dpi); }
// How DrawText lays out a label's text.
UINT TextFormat(Alignment alignment);

// The face the window draws a design font with at `dpi`.
std::wstring FontFaceAt(std::string_view face, int dpi);

// The one window, built by walking the design table, and its controls as the core sees them.
// Window events become Form1 events; nothing here decides what they do.
class Win32Form : public FormControls {
public:
    Win32Form(HINSTANCE instance, const PictureSet& pictures);
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    // From now on the window's events reach `form`.
    void Attach(Form1& form) { form_ = &form; }
    // Raises the load event, then shows the window centred with the focus on the first control
    // of the tab order.
    void LoadAndShow();
    // Tab and Shift+Tab follow the tab indices; the other dialog keys work as in a dialog.
    // True when the message was handled.
    bool PreTranslateMessage(MSG& message);

    HWND Handle() const { return window_.get(); }
    // The window of a control, or nullptr for the dialog component and the labels painted on the
    // surface: all but the address.
    HWND ControlWindow(ControlId id) const;
    // Where a control lies in the client area, in pixels at the window's present scaling.
    RECT PixelsOf(ControlId id) const;
    // The dots per inch the window is laid out for: its screen's, as the system reports it.
    int Dpi() const { return dpi_; }

    void SetText(ControlId control, const std::string& text) override;
    std::string Text(ControlId control) override;
    void SetEnabled(ControlId control, bool enabled) override;
    void SetVisible(ControlId control, bool visible) override;
    void SetBackColor(ControlId control, Colour colour) override;
    std::int16_t ListIndex(ControlId list) override;
    void SetListIndex(ControlId list, std::int16_t index) override;
    std::string ListItem(ControlId list, int index) override;
    WindowHandle hWnd() override;
    void SetWindowState(int state) override;

private:
    struct Control {
        const ControlDesign* design = nullptr;
        HWND window = nullptr;
        RECT pixels{};
        std::wstring text;  // the labels' texts: labels are drawn on the surface
        bool visible = true;
        Colour backColour = 0;
        Brush background;
    };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK TextBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR subclass, DWORD_PTR self);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint();
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnDrawItem(const DRAWITEMSTRUCT& item);
    LRESULT OnControlColour(HDC dc, HWND control);
    LRESULT OnSetCursor(HWND under, UINT hitTest);
    LRESULT OnMouseDown(std::int16_t button, WPARAM keys, LPARAM position);
    LRESULT OnMouseUp(LPARAM position);
    LRESULT OnDropFiles(HDROP drop);
    bool OpensLikeAClick(const MSG& message) const;
    LRESULT OnDpiChanged(int dpi, const RECT& suggested);

    void CreateControls(HINSTANCE instance);
    // Places and sizes every control, and gives each its font, at the window's present scaling.
    void Layout();
    void CreateToolTips(HINSTANCE instance);
    void PaintSurface(HDC dc, const RECT& client);
    // Draws the part `area` of the surface at the origin of `dc`.
    void CopySurface(HDC dc, const RECT& area);
    // Repaints `area` of the surface (all of it for nullptr) wherever it shows.
    void InvalidateSurface(const RECT* area);
    ControlId ControlAtPoint(POINT point) const;
    HWND NextInTabOrder(HWND from, int step) const;
    void KeepFocusOff(HWND leaving);
    void Raise(ControlId control, EventKind event, const MouseEvent& mouse = {});
    HFONT FontFor(const FontDesign& font);
    Control& At(ControlId id) { return controls_[static_cast<std::size_t>(id)]; }
    const Control& At(ControlId id) const { return controls_[static_cast<std::size_t>(id)]; }

    const PictureSet& pictures_;
    Form1* form_ = nullptr;
    int dpi_ = kDesignDpi;
    Window window_;
    Window toolTips_;
    Brush formBackground_;
    std::array<Control, kControlCount> controls_;
    std::vector<std::pair<FontDesign, Font>> fonts_;
    std::vector<HWND> tabOrder_;
    ControlId pressed_ = ControlId::Form1;
};

}  // namespace talvenor::win32
