// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "win32_api.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "form1.h"
#include "presets.h"
#include "recording_platform.h"
#include "win32_pictures.h"
#include "win32_test_support.h"
#include "window_fixture.h"
#include "version.h"
#include "win32_text.h"
#include "win32_window.h"

namespace talvenor::testing {
namespace {

using win32::Narrow;

TEST_F(WindowTest, TheWindowIsABorderlessDesignSizedPopupWithItsCaption) {
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT client;
    GetClientRect(Form(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(kFormDesign.clientWidth, dpiX));
    EXPECT_EQ(client.bottom, TwipsToPixels(kFormDesign.clientHeight, dpiY));
    RECT outer;
    GetWindowRect(Form(), &outer);
    EXPECT_EQ(outer.right - outer.left, client.right) << "no border";
    const LONG_PTR style = GetWindowLongPtrW(Form(), GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_TRUE(GetWindowLongPtrW(Form(), GWL_EXSTYLE) & WS_EX_APPWINDOW) << "taskbar button";
    EXPECT_EQ(Narrow(WindowText(Form())), kFormDesign.caption);
    EXPECT_TRUE(IsWindowVisible(Form()));
    EXPECT_EQ(GetFocus(), Of(ControlId::Text1));
}

TEST_F(WindowTest, EveryControlStandsWhereTheDesignPutsItWithItsTextAndState) {
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    for (const ControlDesign& design : kControlDesigns) {
        const HWND control = Of(design.id);
        const bool reachable = design.id == ControlId::Label2;
        if ((design.kind == ControlKind::Label && !reachable) || design.kind == ControlKind::FileDialog) {
            EXPECT_EQ(control, nullptr) << design.name << " is drawn, not a window";
            continue;
        }
        SCOPED_TRACE(std::string(design.name));
        ASSERT_NE(control, nullptr);
        RECT place;
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, Form(), reinterpret_cast<POINT*>(&place), 2);
        EXPECT_EQ(place.left, TwipsToPixels(design.left, dpiX));
        EXPECT_EQ(place.top, TwipsToPixels(design.top, dpiY));
        EXPECT_EQ(place.right - place.left, TwipsToPixels(design.width, dpiX));
        EXPECT_EQ(place.bottom - place.top, TwipsToPixels(design.height, dpiY));
        const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
        if (design.kind == ControlKind::TextBox) {
            EXPECT_EQ(ClassOf(control), L"Edit");
            EXPECT_TRUE(style & ES_READONLY);
            EXPECT_TRUE(style & ES_CENTER);
        }
        if (design.kind == ControlKind::CommandButton) {
            EXPECT_EQ(Narrow(WindowText(control)), design.text);
        }
        if (design.kind == ControlKind::PictureButton) {
            EXPECT_EQ((style & BS_TYPEMASK), BS_OWNERDRAW);
        }
    }
    // As loaded: preset 0 chosen, the prompt shown, the list hidden, the three actions disabled.
    EXPECT_EQ(Narrow(WindowText(Of(ControlId::TxtChoix))), "Vidéo  FLV vers AVI");
    EXPECT_EQ(Narrow(WindowText(Of(ControlId::Text1))), kFilePrompt);
    EXPECT_FALSE(IsWindowVisible(Of(ControlId::List1)));
    EXPECT_EQ(SendMessageW(Of(ControlId::List1), LB_GETCOUNT, 0, 0), kPresetCount);
    for (const ControlId id : {ControlId::CmdLancer, ControlId::CmdVisu, ControlId::CmdStop}) {
        EXPECT_FALSE(IsWindowEnabled(Of(id)));
    }
}

TEST_F(WindowTest, TheHandShowsOverTheDesignedControlsOnly) {
    for (const ControlDesign& design : kControlDesigns) {
        const HWND control = Of(design.id);
        if (control == nullptr) continue;
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        SendMessageW(Form(), WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor() == pictures.HandPointer(window.Dpi()), design.handPointer) << design.name;
    }
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    SendMessageW(Form(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Form()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), pictures.HandPointer(window.Dpi())) << "bare surface";
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(pictures.HandPointer(), &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 5u);
    EXPECT_EQ(info.yHotspot, 0u);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

TEST_F(WindowTest, ToolTipsNameTheMinimiseAndQuitButtons) {
    HWND tips = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND candidate, LPARAM found) {
            if (ClassOf(candidate) == TOOLTIPS_CLASSW) *reinterpret_cast<HWND*>(found) = candidate;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&tips));
    ASSERT_NE(tips, nullptr);
    EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 2);
    for (const ControlId id : {ControlId::CmdMinimise, ControlId::CmdQuit}) {
        wchar_t text[80] = {};
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = Form();
        tool.uId = reinterpret_cast<UINT_PTR>(Of(id));
        tool.lpszText = text;
        SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
        EXPECT_EQ(Narrow(text), DesignOf(id).toolTip);
    }
}

using TextProperty = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);

// A text property of a control's own accessible object, asked for as a screen reader asks; nothing
// when the object or the property is missing.
std::optional<std::string> PropertyOf(HWND control, TextProperty get) {
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&accessible)))) {
        return std::nullopt;
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    const HRESULT result = (accessible->*get)(self, &text);
    accessible->Release();
    if (result != S_OK || text == nullptr) return std::nullopt;
    std::string narrow = Narrow(text);
    SysFreeString(text);
    return narrow;
}

TEST_F(WindowTest, ScreenReadersNameEveryControlInFrench) {
    const struct {
        ControlId control;
        const char* name;
    } cases[] = {
        {ControlId::Text1, "Choix du fichier à voir ou à convertir"},
        {ControlId::TxtChoix, "Conversion choisie"},
        {ControlId::List1, "Conversions"},
        {ControlId::Command1, "Aide : commandes du lecteur"},
        {ControlId::CmdHP, "Volume"},
        {ControlId::CmdListOpen, "Ouvrir la liste des conversions"},
        {ControlId::CmdStop, "Stop"},
        {ControlId::CmdVisu, "Voir"},
        {ControlId::CmdMinimise, "Barre de tâches"},
        {ControlId::CmdLancer, "Lancer la conversion sélectionnée"},
        {ControlId::CmdQuit, "Quitter"},
        {ControlId::Label2, "Site web"},
    };
    for (const auto& expected : cases) {
        SCOPED_TRACE(DesignOf(expected.control).name);
        EXPECT_EQ(PropertyOf(Of(expected.control), &IAccessible::get_accName),
                  std::optional<std::string>(expected.name));
    }
    // The file box's value is still its text: the name takes nothing from it.
    window.SetText(ControlId::Text1, "clip");
    EXPECT_EQ(PropertyOf(Of(ControlId::Text1), &IAccessible::get_accValue),
              std::optional<std::string>("clip"));
}

TEST_F(WindowTest, PaintsTheBackgroundTheLabelsAndThePictures) {
    RedrawWindow(Form(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    struct Case {
        const char* what;
        POINT point;
        COLORREF colour;
    };
    const RECT quit = window.PixelsOf(ControlId::CmdQuit);
    const RECT text1 = window.PixelsOf(ControlId::Text1);
    const Case cases[] = {
        {"the background's flat blue", {40, 150}, RGB(89, 117, 255)},
        {"the file box's light red", {text1.left + 4, text1.top + 4}, RGB(255, 192, 192)},
        {"the cross at the quit button's centre", {(quit.left + quit.right) / 2, (quit.top + quit.bottom) / 2},
         RGB(0, 0, 0)},
    };
    for (const Case& c : cases) EXPECT_EQ(PixelAt(c.point), c.colour) << c.what;

    // Somewhere in the dark title's band a pixel of its dark grey text stands on the blue.
    const RECT title = window.PixelsOf(ControlId::Label7_1);
    int darkPixels = 0;
    for (int x = title.left; x < title.right; ++x) {
        for (int y = title.top; y < title.bottom; ++y) darkPixels += PixelAt({x, y}) == RGB(64, 64, 64) ? 1 : 0;
    }
    EXPECT_GT(darkPixels, 50);
}

TEST_F(WindowTest, TheAddressShowsWholeAndEndsAtTheWindowsCorner) {
    RedrawWindow(Form(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    const RECT label = window.PixelsOf(ControlId::Label2);
    // The right edge stays where the design puts it, 345 pixels at 96 dpi.
    EXPECT_EQ(label.right, TwipsToPixels(3825, window.Dpi()) + TwipsToPixels(1350, window.Dpi()));
    // Measured in the font the "?" button shares with the address.
    const auto font = reinterpret_cast<HFONT>(SendMessageW(Of(ControlId::Command1), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    const std::wstring address = win32::Widen(TALVENOR_ADDRESS);
    SIZE extent{};
    {
        const win32::WindowDc dc(Form());
        const win32::Selection selected(dc.get(), font);
        GetTextExtentPoint32W(dc.get(), address.c_str(), static_cast<int>(address.size()), &extent);
    }
    EXPECT_LE(extent.cx, label.right - label.left) << "the address is cut off";
    // The last two letters are drawn where the text ends.
    int dark = 0;
    for (int x = label.left + extent.cx - 12; x < label.left + extent.cx; ++x) {
        for (int y = label.top; y < label.bottom; ++y) {
            const COLORREF pixel = PixelAt({x, y});
            dark += GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 3 * 64 ? 1 : 0;
        }
    }
    EXPECT_GE(dark, 10);
}

}  // namespace
}  // namespace talvenor::testing

namespace talvenor::testing {
namespace {

// The client area as the screen shows it, read back in one piece.
class ClientCapture {
public:
    explicit ClientCapture(HWND window) {
        RECT client;
        GetClientRect(window, &client);
        width_ = client.right;
        height_ = client.bottom;
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        const win32::WindowDc screen(nullptr);
        const win32::Bitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        const win32::MemoryDc memory(CreateCompatibleDC(screen.get()));
        {
            const win32::Selection selection(memory.get(), bitmap.get());
            BitBlt(memory.get(), 0, 0, width_, height_, screen.get(), origin.x, origin.y, SRCCOPY);
            GdiFlush();
            const auto* pixels = static_cast<const std::uint32_t*>(bits);
            pixels_.assign(pixels, pixels + static_cast<std::size_t>(width_) * height_);
        }
    }
    int width() const { return width_; }
    int height() const { return height_; }
    bool SameAs(const ClientCapture& other) const {
        return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
    }
    COLORREF At(int x, int y) const {
        const std::uint32_t bgr = pixels_[static_cast<std::size_t>(y) * width_ + x];
        return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
    }
private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

// The smallest rectangle of `area` that holds every dark pixel: the ink of a black glyph.
template <typename ColourAt>
RECT InkOf(ColourAt colourAt, const RECT& area) {
    RECT ink{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF c = colourAt(x, y);
            if (GetRValue(c) > 40 || GetGValue(c) > 40 || GetBValue(c) > 40) continue;
            ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                   std::max<LONG>(ink.bottom, y + 1)};
        }
    }
    return ink;
}

// The ink of a picture drawn at its natural size.
RECT NaturalInk(const win32::PictureSet& pictures, Picture picture) {
    const SIZE size = pictures.SizeOf(picture);
    const win32::WindowDc screen(nullptr);
    const win32::MemoryDc memory(CreateCompatibleDC(screen.get()));
    const win32::Bitmap bitmap(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
    const win32::Selection selection(memory.get(), bitmap.get());
    const RECT all{0, 0, size.cx, size.cy};
    FillRect(memory.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    pictures.DrawStretched(memory.get(), picture, all);
    return InkOf([&](int x, int y) { return GetPixel(memory.get(), x, y); }, all);
}

// The window at whatever scaling the system runs (the suite runs at 96, 120, 144 and 192 dots
// per inch), and after a move to a screen of another scaling.
class ScaledWindowTest : public WindowTest {
protected:
    int dpi() const { return window.Dpi(); }

    // The client area once it is drawn and the screen shows it: two reads a moment apart agree.
    ClientCapture Shown() {
        RedrawWindow(Form(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        std::optional<ClientCapture> last;
        std::optional<ClientCapture> settled;
        PumpUntil(
            [&] {
                ClientCapture now(Form());
                if (last && now.SameAs(*last)) settled = now;
                last = now;
                return settled.has_value();
            },
            std::chrono::milliseconds(10000), [this](MSG& m) { return window.PreTranslateMessage(m); });
        return settled ? *settled : *last;
    }

    // Window size, control places and fonts, all from the design's twips at `dpi`.
    void ExpectLaidOutAt(int at) {
        SCOPED_TRACE("at " + std::to_string(at) + " dpi");
        RECT client;
        GetClientRect(Form(), &client);
        EXPECT_EQ(client.right, TwipsToPixels(kFormDesign.clientWidth, at));
        EXPECT_EQ(client.bottom, TwipsToPixels(kFormDesign.clientHeight, at));
        for (const ControlDesign& design : kControlDesigns) {
            const HWND control = Of(design.id);
            if (control == nullptr) continue;
            RECT place;
            GetWindowRect(control, &place);
            MapWindowPoints(nullptr, Form(), reinterpret_cast<POINT*>(&place), 2);
            const RECT expected{TwipsToPixels(design.left, at), TwipsToPixels(design.top, at),
                                TwipsToPixels(design.left, at) + TwipsToPixels(design.width, at),
                                TwipsToPixels(design.top, at) + TwipsToPixels(design.height, at)};
            EXPECT_TRUE(EqualRect(&place, &expected)) << design.name;
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
            EXPECT_EQ(font.lfHeight, -static_cast<LONG>(design.font.points * at / 72.0 + 0.5)) << design.name;
            // The bitmap face only where it has a strike: at whole multiples of 96.
            EXPECT_EQ(std::wstring(font.lfFaceName), at % 96 == 0 ? L"MS Sans Serif" : L"Microsoft Sans Serif")
                << design.name;
        }
    }

    // Every pixel of the bare surface, out to the edges and corners, is the background picture's
    // blue: none of the window's grey shows.
    void ExpectBackgroundFillsTheClientArea() {
        const ClientCapture shown = Shown();
        ASSERT_EQ(shown.width(), TwipsToPixels(kFormDesign.clientWidth, dpi()));
        int sampled = 0;
        for (int y = 0; y < shown.height(); y += 3) {
            for (int x = 0; x < shown.width(); x += 3) {
                const POINT point{x, y};
                if (ChildWindowFromPointEx(Form(), point, CWP_SKIPINVISIBLE) != Form()) continue;
                bool onLabel = false;
                for (const ControlDesign& design : kControlDesigns) {
                    const RECT label = window.PixelsOf(design.id);
                    onLabel = onLabel || (design.kind == ControlKind::Label && PtInRect(&label, point));
                }
                if (onLabel) continue;
                ++sampled;
                ASSERT_EQ(GetBValue(shown.At(x, y)), 255) << "at " << x << "," << y;
            }
        }
        EXPECT_GT(sampled, shown.width() * shown.height() / 9 / 2);
        // The picture's darkened rim reaches every corner: it is stretched, not tiled or cut.
        for (const POINT corner : {POINT{0, 0}, POINT{shown.width() - 1, 0}, POINT{0, shown.height() - 1},
                                   POINT{shown.width() - 1, shown.height() - 1}}) {
            EXPECT_LT(GetRValue(shown.At(corner.x, corner.y)), 60) << corner.x << "," << corner.y;
        }
    }

    // The black glyphs grow with the scale: their ink is the picture's, scaled.
    void ExpectGlyphsScaled() {
        const ClientCapture shown = Shown();
        for (const ControlId id : {ControlId::CmdQuit, ControlId::CmdMinimise}) {
            const RECT natural = NaturalInk(pictures, DesignOf(id).picture);
            const RECT ink = InkOf([&](int x, int y) { return shown.At(x, y); }, window.PixelsOf(id));
            const int expectedWidth = (natural.right - natural.left) * dpi() / 96;
            const int expectedHeight = (natural.bottom - natural.top) * dpi() / 96;
            EXPECT_NEAR(ink.right - ink.left, expectedWidth, 1) << DesignOf(id).name << " at " << dpi();
            EXPECT_NEAR(ink.bottom - ink.top, expectedHeight, 1) << DesignOf(id).name << " at " << dpi();
        }
    }

    // The address's window shows exactly what the form paints there without it.
    void ExpectAddressAsTheSurfaceShowsIt() {
        const HWND address = Of(ControlId::Label2);
        ASSERT_NE(address, nullptr);
        const ClientCapture onItsWindow = Shown();
        ShowWindow(address, SW_HIDE);
        const ClientCapture onTheSurface = Shown();
        ShowWindow(address, SW_SHOWNA);
        const RECT label = window.PixelsOf(ControlId::Label2);
        int differing = 0;
        for (int y = label.top; y < label.bottom; ++y) {
            for (int x = label.left; x < label.right; ++x) {
                differing += onItsWindow.At(x, y) != onTheSurface.At(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(differing, 0) << "at " << dpi() << " dpi";
    }

    void ExpectPointerScaled() {
        SendMessageW(Form(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Of(ControlId::CmdLancer)),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(GetCursor(), &info));
        const win32::Bitmap mask(info.hbmMask);
        const win32::Bitmap colour(info.hbmColor);
        BITMAP picture{};
        GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof picture, &picture);
        EXPECT_EQ(picture.bmWidth, win32::ScaledPixels(32, dpi()));
        EXPECT_EQ(info.xHotspot, static_cast<DWORD>(win32::ScaledPixels(5, dpi())));
        EXPECT_EQ(info.yHotspot, 0u);
    }
};

TEST_F(ScaledWindowTest, TheWholeWindowFollowsTheScreensScaling) {
    if (const char* expected = std::getenv("TALVENOR_EXPECTED_DPI")) {
        ASSERT_EQ(dpi(), std::atoi(expected)) << "the system's scaling did not reach the window";
    }
    ExpectLaidOutAt(dpi());
    ExpectBackgroundFillsTheClientArea();
    ExpectGlyphsScaled();
    ExpectAddressAsTheSurfaceShowsIt();
    ExpectPointerScaled();
}

TEST_F(ScaledWindowTest, AMoveToAScreenOfAnotherScalingLaysTheWindowOutAgain) {
    const int original = dpi();
    for (const int target : {original == 192 ? 120 : 192, 144, original}) {
        SCOPED_TRACE("moved to a screen at " + std::to_string(target) + " dpi");
        const int width = TwipsToPixels(kFormDesign.clientWidth, target);
        const int height = TwipsToPixels(kFormDesign.clientHeight, target);
        RECT suggested{40, 30, 40 + width, 30 + height};
        SendMessageW(Form(), WM_DPICHANGED, MAKEWPARAM(target, target), reinterpret_cast<LPARAM>(&suggested));
        Pump();
        EXPECT_EQ(window.Dpi(), target);
        RECT outer;
        GetWindowRect(Form(), &outer);
        EXPECT_TRUE(EqualRect(&outer, &suggested)) << "the suggested rectangle is taken";
        ExpectLaidOutAt(target);
        ExpectBackgroundFillsTheClientArea();
        ExpectGlyphsScaled();
        ExpectAddressAsTheSurfaceShowsIt();
        ExpectPointerScaled();
    }
}

}  // namespace
}  // namespace talvenor::testing

namespace talvenor::testing {
namespace {

// The program's manifest, which the tests carry too, asks to be told each screen's own scaling.
TEST(DpiAwareness, TheProgramIsAwareOfEachScreensScaling) {
    using GetContext = HANDLE(WINAPI*)();
    using AwarenessOf = int(WINAPI*)(HANDLE);
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto getContext = reinterpret_cast<GetContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    const auto awarenessOf = reinterpret_cast<AwarenessOf>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (getContext == nullptr || awarenessOf == nullptr) GTEST_SKIP() << "a system without per-screen scaling";
    constexpr int kPerMonitorAware = 2;
    EXPECT_EQ(awarenessOf(getContext()), kPerMonitorAware);
}

}  // namespace
}  // namespace talvenor::testing
