// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "presets.h"
#include "win32_accessible.h"
#include "win32_text.h"

namespace talvenor::win32 {

namespace {

// The key a WM_KEYDOWN or WM_SYSKEYDOWN names, as the program reads it, with the modifiers down.
KeyPress ToKeyPress(const MSG& message) {
    KeyPress press;
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return press;
    switch (message.wParam) {
        case VK_SPACE: press.key = Key::Space; break;
        case VK_RETURN: press.key = Key::Enter; break;
        case VK_F4: press.key = Key::F4; break;
        case VK_DOWN: press.key = Key::Down; break;
        default: break;
    }
    press.shift = GetKeyState(VK_SHIFT) < 0;
    press.control = GetKeyState(VK_CONTROL) < 0;
    press.alt = GetKeyState(VK_MENU) < 0;
    return press;
}

}  // namespace

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
    if (message.message == WM_KEYDOWN && KeyPressesButton(ToKeyPress(message)) &&
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
    if (message.hwnd == nullptr || message.hwnd == window_.get()) return false;
    const int id = GetDlgCtrlID(message.hwnd) - kFirstControlId;
    if (id < 0 || id >= kControlCount || At(static_cast<ControlId>(id)).window != message.hwnd) return false;
    return KeyClicksTextBox(static_cast<ControlId>(id), ToKeyPress(message));
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

}  // namespace talvenor::win32
