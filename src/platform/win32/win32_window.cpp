// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "presets.h"
#include "win32_accessible.h"
#include "win32_platform.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"TalvenorForm";

// The window's own resolution where the system tracks one per window, else the system's.
int DpiOf(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
    }
    const WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

int PointsToHeight(double points, int dpi) {
    return -static_cast<int>(points * dpi / 72.0 + 0.5);
}

bool IsWindowed(ControlKind kind) {
    return kind != ControlKind::Label && kind != ControlKind::FileDialog;
}

// A clickable label lies on a window of its own so that screen readers find and name it. The
// window shows the form's surface where it lies and lets the mouse through to the form.
bool HasReachableWindow(const ControlDesign& design) {
    return design.kind == ControlKind::Label && IsConnected(design.id, EventKind::Click);
}

// The class, styles and extended styles a control of `design` is created with.
struct WindowKind {
    const wchar_t* className;
    DWORD style;
    DWORD extendedStyle;
};

WindowKind KindOf(const ControlDesign& design) {
    const DWORD common = WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP;
    switch (design.kind) {
        case ControlKind::CommandButton:
            return {L"BUTTON", common | BS_PUSHBUTTON, 0};
        case ControlKind::PictureButton:
            return {L"BUTTON", common | BS_OWNERDRAW, 0};
        case ControlKind::TextBox:
            return {L"EDIT",
                    common | ES_AUTOHSCROLL |
                        (design.alignment == Alignment::Centre  ? ES_CENTER
                         : design.alignment == Alignment::Right ? ES_RIGHT
                                                                : ES_LEFT) |
                        (design.locked ? ES_READONLY : 0),
                    WS_EX_CLIENTEDGE};
        case ControlKind::ListBox:
            // Exactly the designed height: four items, no scroll bar.
            return {L"LISTBOX", common | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE};
        default:
            return {nullptr, 0, 0};
    }
}

std::int16_t ButtonOf(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN: return 1;
        case WM_RBUTTONDOWN: return 2;
        default: return 4;
    }
}

}  // namespace

UINT TextFormat(Alignment alignment) {
    const UINT horizontal = alignment == Alignment::Centre ? DT_CENTER
                            : alignment == Alignment::Right ? DT_RIGHT
                                                            : DT_LEFT;
    return horizontal | DT_WORDBREAK | DT_NOPREFIX;
}

Win32Form::Win32Form(HINSTANCE instance, const PictureSet& pictures) : pictures_(pictures) {
    formBackground_.reset(CreateSolidBrush(kFormDesign.backColor));

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = pictures_.ProgramIcon();
    windowClass.hIconSm = pictures_.SmallProgramIcon();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kFormClass;
    RegisterClassExW(&windowClass);

    // No border and no title bar, but a taskbar button that carries the caption. Sized once the
    // window knows the resolution of the screen it lies on.
    window_.reset(CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kFormClass,
                                  Widen(kFormDesign.caption).c_str(),
                                  WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                                  nullptr, nullptr, instance, this));
    dpi_ = DpiOf(window_.get());
    CreateControls(instance);
    CreateToolTips(instance);
    Layout();
    // Centred on the screen of the window's place.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_.get(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& screen = monitor.rcMonitor;
    const int width = Scale(kFormDesign.clientWidth, dpi_);
    const int height = Scale(kFormDesign.clientHeight, dpi_);
    SetWindowPos(window_.get(), nullptr, screen.left + (screen.right - screen.left - width) / 2,
                 screen.top + (screen.bottom - screen.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

Win32Form::~Win32Form() {
    // Going with the object is not the user closing the window: no event, no quit request.
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    toolTips_.reset();
    window_.reset();
}

void Win32Form::CreateControls(HINSTANCE instance) {
    // Created front to back: each new child window goes beneath the ones before it.
    for (const ControlDesign& design : kControlDesigns) {
        Control& control = At(design.id);
        control.design = &design;
        control.visible = design.visible;
        if (design.backColor) {
            control.backColour = *design.backColor;
            control.background.reset(CreateSolidBrush(*design.backColor));
        }
        if (design.kind == ControlKind::Label) control.text = Widen(design.text);
        if (HasReachableWindow(design)) {
            // No SS_NOTIFY: the static answers hit tests as transparent, so presses, releases and
            // the pointer's shape are the form's, as over any other label.
            const DWORD style =
                WS_CHILD | WS_CLIPSIBLINGS | SS_OWNERDRAW | (design.visible ? WS_VISIBLE : 0);
            const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIdOf(design.id)));
            control.window = CreateWindowExW(0, L"STATIC", control.text.c_str(), style, 0, 0, 0, 0,
                                             window_.get(), id, instance, nullptr);
            GiveAccessibleName(control.window, Widen(AccessibleName(design.id)));
            continue;
        }
        if (!IsWindowed(design.kind)) continue;
        const WindowKind kind = KindOf(design);
        // A picture button paints no text: its text is the name a screen reader gives it.
        const std::string_view text =
            design.kind == ControlKind::PictureButton ? AccessibleName(design.id) : design.text;
        control.window = CreateWindowExW(
            kind.extendedStyle, kind.className, Widen(text).c_str(),
            kind.style | (design.visible ? WS_VISIBLE : 0) | (design.enabled ? 0 : WS_DISABLED), 0, 0, 0, 0,
            window_.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIdOf(design.id))), instance,
            nullptr);
        GiveAccessibleName(control.window, Widen(AccessibleName(design.id)));
        if (design.kind == ControlKind::TextBox) {
            SetWindowSubclass(control.window, TextBoxProc, 0, reinterpret_cast<DWORD_PTR>(this));
        }
        if (design.kind == ControlKind::ListBox) {
            for (const ConversionPreset& preset : kPresets) {
                SendMessageW(control.window, LB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(Widen(preset.label).c_str()));
            }
        }
    }
    std::vector<std::pair<int, HWND>> byTabIndex;
    for (const Control& control : controls_) {
        // Labels never take the focus, even those on a window.
        if (control.window != nullptr && control.design->kind != ControlKind::Label &&
            control.design->tabIndex >= 0) {
            byTabIndex.emplace_back(control.design->tabIndex, control.window);
        }
    }
    std::sort(byTabIndex.begin(), byTabIndex.end());
    for (const auto& [tabIndex, window] : byTabIndex) tabOrder_.push_back(window);
}

void Win32Form::CreateToolTips(HINSTANCE instance) {
    // Not owned by the window: under Wine an owned popup keeps its owner out of the topmost band.
    toolTips_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr));
    for (const Control& control : controls_) {
        if (control.window == nullptr || control.design->toolTip.empty()) continue;
        std::wstring text = Widen(control.design->toolTip);
        TOOLINFOW tool{};
        // The size every version of the common controls accepts.
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_.get();
        tool.uId = reinterpret_cast<UINT_PTR>(control.window);
        tool.lpszText = text.data();
        SendMessageW(toolTips_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Win32Form::Layout() {
    // The fonts of the old scaling go once every control holds one of the new.
    const auto previousFonts = std::move(fonts_);
    fonts_.clear();
    HDWP moves = BeginDeferWindowPos(kControlCount);
    for (Control& control : controls_) {
        const ControlDesign& design = *control.design;
        const int left = Scale(design.left, dpi_);
        const int top = Scale(design.top, dpi_);
        control.pixels = {left, top, left + Scale(design.width, dpi_), top + Scale(design.height, dpi_)};
        if (control.window == nullptr) continue;
        SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(design.font)), FALSE);
        if (moves != nullptr) {
            moves = DeferWindowPos(moves, control.window, nullptr, left, top, control.pixels.right - left,
                                   control.pixels.bottom - top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (moves != nullptr) EndDeferWindowPos(moves);
    InvalidateSurface(nullptr);
}

LRESULT Win32Form::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The system's rectangle keeps the window under the pointer as it moves between screens.
    SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    return 0;
}

std::wstring FontFaceAt(std::string_view face, int dpi) {
    // The bitmap face has strikes for whole multiples of its resolution only; its TrueType twin
    // has the same metrics at every size.
    if (face == kDefaultFont.face && dpi % kDesignDpi != 0) return L"Microsoft Sans Serif";
    return Widen(face);
}

HFONT Win32Form::FontFor(const FontDesign& font) {
    for (const auto& [design, made] : fonts_) {
        if (design.face == font.face && design.points == font.points && design.bold == font.bold) {
            return made.get();
        }
    }
    Font made(CreateFontW(PointsToHeight(font.points, dpi_), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
                          FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_SWISS, FontFaceAt(font.face, dpi_).c_str()));
    const HFONT handle = made.get();
    fonts_.emplace_back(font, std::move(made));
    return handle;
}

void Win32Form::LoadAndShow() {
    // Files dropped anywhere on the window: the controls take none, so the drop reaches it.
    DragAcceptFiles(window_.get(), TRUE);
    Raise(ControlId::Form1, EventKind::Load);
    ShowWindow(window_.get(), SW_SHOW);
    UpdateWindow(window_.get());
    if (const HWND first = ControlWindow(FirstFocus())) SetFocus(first);
}

HWND Win32Form::ControlWindow(ControlId id) const {
    if (id == ControlId::Form1) return window_.get();
    return At(id).window;
}

RECT Win32Form::PixelsOf(ControlId id) const {
    if (id == ControlId::Form1) {
        return {0, 0, Scale(kFormDesign.clientWidth, dpi_), Scale(kFormDesign.clientHeight, dpi_)};
    }
    return At(id).pixels;
}

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Messages that come before the window's handle is known, or after it is gone.
    if (self == nullptr || self->window_.get() != window) return DefWindowProcW(window, message, wParam, lParam);
    return self->Dispatch(message, wParam, lParam);
}

LRESULT Win32Form::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: return OnPaint();
        case WM_COMMAND: return OnCommand(wParam, lParam);
        case WM_DRAWITEM: return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_SETCURSOR:
            if (OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam))) return TRUE;
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            return OnMouseDown(ButtonOf(message), wParam, lParam);
        case WM_LBUTTONUP: return OnMouseUp(lParam);
        case WM_DROPFILES: return OnDropFiles(reinterpret_cast<HDROP>(wParam));
        case WM_DPICHANGED: return OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        case WM_SETTINGCHANGE: TakeEnvironmentChange(reinterpret_cast<const wchar_t*>(lParam)); break;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: break;
    }
    return DefWindowProcW(window_.get(), message, wParam, lParam);
}

void Win32Form::SetText(ControlId control, const std::string& text) {
    Control& target = At(control);
    if (target.design->kind != ControlKind::Label) {
        SetWindowTextW(target.window, Widen(text).c_str());
        return;
    }
    target.text = Widen(text);
    if (target.window != nullptr) SetWindowTextW(target.window, target.text.c_str());
    InvalidateSurface(&target.pixels);
}

std::string Win32Form::Text(ControlId control) {
    const Control& source = At(control);
    if (source.design->kind == ControlKind::Label || source.window == nullptr) {
        return Narrow(source.text);
    }
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(source.window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(source.window, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

void Win32Form::SetEnabled(ControlId control, bool enabled) {
    const HWND target = At(control).window;
    if (target == nullptr) return;
    if (!enabled) KeepFocusOff(target);
    EnableWindow(target, enabled ? TRUE : FALSE);
}

void Win32Form::SetVisible(ControlId control, bool visible) {
    Control& target = At(control);
    target.visible = visible;
    if (target.design->kind == ControlKind::Label) InvalidateSurface(&target.pixels);
    if (target.window == nullptr) return;
    if (!visible) KeepFocusOff(target.window);
    ShowWindow(target.window, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Form::SetBackColor(ControlId control, Colour colour) {
    Control& target = At(control);
    target.backColour = colour;
    target.background.reset(CreateSolidBrush(colour));
    if (target.window != nullptr) InvalidateRect(target.window, nullptr, TRUE);
}

std::int16_t Win32Form::ListIndex(ControlId list) {
    return static_cast<std::int16_t>(SendMessageW(At(list).window, LB_GETCURSEL, 0, 0));
}

void Win32Form::SetListIndex(ControlId list, std::int16_t index) {
    SendMessageW(At(list).window, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string Win32Form::ListItem(ControlId list, int index) {
    const HWND window = At(list).window;
    const LRESULT length = SendMessageW(window, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(window, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()))));
    return Narrow(text);
}

WindowHandle Win32Form::hWnd() { return reinterpret_cast<WindowHandle>(window_.get()); }

void Win32Form::SetWindowState(int state) {
    ShowWindow(window_.get(), state == 1 ? SW_MINIMIZE : state == 2 ? SW_MAXIMIZE : SW_RESTORE);
}

}  // namespace talvenor::win32
