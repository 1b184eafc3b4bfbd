// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "presets.h"
#include "win32_accessible.h"
#include "win32_services.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"TalvenorForm";
// Far from IDOK and IDCANCEL, which the dialog keys send to the window.
constexpr int kFirstControlId = 1000;

int ControlIdOf(ControlId id) { return kFirstControlId + static_cast<int>(id); }

int Scale(int twips, int dpi) { return TwipsToPixels(twips, dpi); }

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
bool HasReachableWindow(const ControlDesign& design) { return design.id == ControlId::Label2; }

UINT TextFormat(Alignment alignment) {
    const UINT horizontal = alignment == Alignment::Centre ? DT_CENTER
                            : alignment == Alignment::Right ? DT_RIGHT
                                                            : DT_LEFT;
    return horizontal | DT_WORDBREAK | DT_NOPREFIX;
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
    const HWND first = NextInTabOrder(nullptr, 1);
    if (first != nullptr) SetFocus(first);
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

LRESULT CALLBACK Win32Form::TextBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, TextBoxProc, 0);
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    // A text box tells nobody of clicks: a release over the box, after its own handling, is one.
    if (message == WM_LBUTTONUP) {
        RECT client;
        GetClientRect(window, &client);
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (PtInRect(&client, point)) {
            auto* form = reinterpret_cast<Win32Form*>(self);
            form->Raise(static_cast<ControlId>(GetDlgCtrlID(window) - kFirstControlId), EventKind::Click);
        }
    }
    return result;
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

LRESULT Win32Form::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam) - kFirstControlId;
    if (lParam == 0 || id < 0 || id >= kControlCount) return 0;
    const auto control = static_cast<ControlId>(id);
    const ControlKind kind = At(control).design->kind;
    const WORD code = HIWORD(wParam);
    const bool buttonClick = (kind == ControlKind::CommandButton || kind == ControlKind::PictureButton) &&
                             (code == BN_CLICKED || code == BN_DOUBLECLICKED);
    const bool listClick = kind == ControlKind::ListBox && code == LBN_SELCHANGE;
    if (buttonClick || listClick) Raise(control, EventKind::Click);
    return 0;
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

LRESULT Win32Form::OnSetCursor(HWND under, UINT hitTest) {
    if (hitTest != HTCLIENT || under == window_.get()) return FALSE;
    const int id = GetDlgCtrlID(under) - kFirstControlId;
    if (id < 0 || id >= kControlCount || !At(static_cast<ControlId>(id)).design->handPointer) return FALSE;
    SetCursor(pictures_.HandPointer(dpi_));
    return TRUE;
}

ControlId Win32Form::ControlAtPoint(POINT point) const {
    // The labels in front come first in the stored order.
    for (const ControlDesign& design : kControlDesigns) {
        const Control& label = At(design.id);
        if (design.kind == ControlKind::Label && label.visible && PtInRect(&label.pixels, point)) {
            return design.id;
        }
    }
    return ControlId::Form1;
}

LRESULT Win32Form::OnMouseDown(std::int16_t button, WPARAM keys, LPARAM position) {
    const POINT point{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    const ControlId target = ControlAtPoint(point);
    const RECT origin = PixelsOf(target);
    MouseEvent mouse;
    mouse.button = button;
    mouse.shift = static_cast<std::int16_t>(((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
                                            (GetKeyState(VK_MENU) < 0 ? 4 : 0));
    mouse.x = static_cast<float>(point.x - origin.left) * kTwipsPerInch / static_cast<float>(dpi_);
    mouse.y = static_cast<float>(point.y - origin.top) * kTwipsPerInch / static_cast<float>(dpi_);
    pressed_ = target;
    // A press holds the mouse until its release, as a click needs both on the same label.
    if (button == 1) SetCapture(window_.get());
    Raise(target, EventKind::MouseDown, mouse);
    return 0;
}

LRESULT Win32Form::OnMouseUp(LPARAM position) {
    const POINT point{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    if (GetCapture() == window_.get()) ReleaseCapture();
    const ControlId target = ControlAtPoint(point);
    const RECT client = PixelsOf(ControlId::Form1);
    if (PtInRect(&client, point) && target == pressed_) Raise(target, EventKind::Click);
    return 0;
}

void Win32Form::Raise(ControlId control, EventKind event, const MouseEvent& mouse) {
    if (form_ != nullptr) form_->Raise(control, event, mouse);
}

bool Win32Form::PreTranslateMessage(MSG& message) {
    if (message.hwnd != window_.get() && !IsChild(window_.get(), message.hwnd)) return false;
    if (OpensLikeAClick(message)) {
        Raise(static_cast<ControlId>(GetDlgCtrlID(message.hwnd) - kFirstControlId), EventKind::Click);
        return true;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 &&
        GetKeyState(VK_MENU) >= 0) {
        const HWND next = NextInTabOrder(GetFocus(), GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        if (next != nullptr) SetFocus(next);
        return true;
    }
    // Enter presses the focused button, as in a dialog where the focused button is the default.
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        (SendMessageW(message.hwnd, WM_GETDLGCODE, 0, 0) & (DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON))) {
        SendMessageW(message.hwnd, BM_CLICK, 0, 0);
        return true;
    }
    return IsDialogMessageW(window_.get(), &message) != FALSE;
}

LRESULT Win32Form::OnDropFiles(HDROP drop) {
    std::vector<OfferedFile> files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        files.push_back({Narrow(name)});
    }
    DragFinish(drop);
    if (form_ != nullptr) form_->OpenFiles(files);
    return 0;
}

bool Win32Form::OpensLikeAClick(const MSG& message) const {
    // Space, Enter, F4 or Alt+Down on the file box open its dialog, as a click does.
    const HWND box = At(ControlId::Text1).window;
    if (box == nullptr || message.hwnd != box) return false;
    const bool plain = GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (message.message == WM_KEYDOWN && plain) {
        return message.wParam == VK_SPACE || message.wParam == VK_RETURN || message.wParam == VK_F4;
    }
    return message.message == WM_SYSKEYDOWN && message.wParam == VK_DOWN && GetKeyState(VK_MENU) < 0;
}

HWND Win32Form::NextInTabOrder(HWND from, int step) const {
    const auto count = static_cast<int>(tabOrder_.size());
    const auto found = std::find(tabOrder_.begin(), tabOrder_.end(), from);
    int index = found == tabOrder_.end() ? (step > 0 ? -1 : count) : static_cast<int>(found - tabOrder_.begin());
    for (int tried = 0; tried < count; ++tried) {
        index = (index + step + count) % count;
        const HWND candidate = tabOrder_[static_cast<std::size_t>(index)];
        if (candidate != from && IsWindowVisible(candidate) && IsWindowEnabled(candidate)) return candidate;
    }
    return nullptr;
}

// A control that is hidden or disabled hands the focus on, as the tab order goes.
void Win32Form::KeepFocusOff(HWND leaving) {
    if (GetFocus() != leaving) return;
    const HWND next = NextInTabOrder(leaving, 1);
    SetFocus(next != nullptr ? next : window_.get());
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
