// SPDX-License-Identifier: GPL-3.0-or-later
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <dlfcn.h>

#include <vector>

#include "x11_desktop.h"
#include "x11_xlib.h"

namespace talvenor::linux_backend {

namespace {

// Keys are typed through the XTEST extension, whose library is loaded the first time a key is
// sent: the window does not need it to start.
void FakeKeyEvent(Display* dpy, KeyCode code, bool press) {
    using FakeKey = decltype(&XTestFakeKeyEvent);
    static const FakeKey fakeKey = [] {
        void* library = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        return library != nullptr ? reinterpret_cast<FakeKey>(dlsym(library, "XTestFakeKeyEvent")) : nullptr;
    }();
    if (fakeKey != nullptr) fakeKey(dpy, code, press ? True : False, CurrentTime);
}

bool ScrollLockIndicator(Display* dpy, bool* on) {
    const Atom name = XInternAtom(dpy, "Scroll Lock", False);
    Bool state = False;
    if (!XkbGetNamedIndicator(dpy, name, nullptr, &state, nullptr, nullptr)) return false;
    *on = state != False;
    return true;
}

unsigned long KeysymOfVirtualKey(std::uint8_t virtualKey) {
    switch (virtualKey) {
        case 0x14: return XK_Caps_Lock;
        case 0x90: return XK_Num_Lock;
        case 0x91: return XK_Scroll_Lock;
        default: return NoSymbol;
    }
}

// Decodes UTF-8; malformed bytes are skipped.
std::vector<char32_t> CodePoints(const std::string& text) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) {
            ++i;
            continue;
        }
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) point = (point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        points.push_back(point);
        i += length;
    }
    return points;
}

}  // namespace

unsigned X11Desktop::ModifierMaskOf(unsigned long keysym) {
    return XkbKeysymToModifiers(Dpy(display_), keysym);
}

void X11Desktop::ReadLocks(KeyStateTable& table) {
    if (!Available()) return;
    Display* dpy = Dpy(display_);
    XkbStateRec state{};
    if (XkbGetState(dpy, XkbUseCoreKbd, &state) != Success) return;
    // Num Lock's modifier differs between keymaps: ask which one it is.
    const unsigned numMask = ModifierMaskOf(XK_Num_Lock);
    table[0x14] = (state.locked_mods & LockMask) != 0 ? 1 : 0;
    table[0x90] = numMask != 0 && (state.locked_mods & numMask) != 0 ? 1 : 0;
    bool scroll = false;
    if (!ScrollLockIndicator(dpy, &scroll)) {
        const unsigned scrollMask = ModifierMaskOf(XK_Scroll_Lock);
        scroll = scrollMask != 0 && (state.locked_mods & scrollMask) != 0;
    }
    table[0x91] = scroll ? 1 : 0;
}

void X11Desktop::WriteLocks(const KeyStateTable& table) {
    if (!Available()) return;
    Display* dpy = Dpy(display_);
    const unsigned numMask = ModifierMaskOf(XK_Num_Lock);
    XkbLockModifiers(dpy, XkbUseCoreKbd, LockMask, (table[0x14] & 1) ? LockMask : 0);
    if (numMask != 0) XkbLockModifiers(dpy, XkbUseCoreKbd, numMask, (table[0x90] & 1) ? numMask : 0);
    XkbSetNamedIndicator(dpy, XInternAtom(dpy, "Scroll Lock", False), True, (table[0x91] & 1) ? True : False,
                         False, nullptr);
    XSync(dpy, False);
}

void X11Desktop::FakeVirtualKey(std::uint8_t virtualKey, bool press) {
    if (!Available()) return;
    Display* dpy = Dpy(display_);
    const KeyCode code = XKeysymToKeycode(dpy, KeysymOfVirtualKey(virtualKey));
    if (code == 0) return;
    FakeKeyEvent(dpy, code, press);
    XSync(dpy, False);
}

void X11Desktop::TypeKeysym(unsigned long keysym) {
    Display* dpy = Dpy(display_);
    KeyCode code = XKeysymToKeycode(dpy, keysym);
    bool remapped = false;
    int keysymsPerCode = 0;
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(dpy, &minCode, &maxCode);
    if (code == 0) {
        // The layout has no key for it: lend an unused key code this symbol for one press.
        KeySym* map = XGetKeyboardMapping(dpy, minCode, maxCode - minCode + 1, &keysymsPerCode);
        XFreeGuard guard{map};
        for (int candidate = maxCode; candidate >= minCode && code == 0; --candidate) {
            bool empty = true;
            for (int k = 0; k < keysymsPerCode; ++k) {
                empty = empty && map[(candidate - minCode) * keysymsPerCode + k] == NoSymbol;
            }
            if (empty) code = static_cast<KeyCode>(candidate);
        }
        if (code == 0) return;
        KeySym symbols[2] = {keysym, keysym};
        XChangeKeyboardMapping(dpy, code, 2, symbols, 1);
        XSync(dpy, False);
        remapped = true;
    }
    // The second level of the key needs Shift.
    const bool shifted = !remapped && XkbKeycodeToKeysym(dpy, code, 0, 0) != keysym &&
                         XkbKeycodeToKeysym(dpy, code, 0, 1) == keysym;
    const KeyCode shift = XKeysymToKeycode(dpy, XK_Shift_L);
    if (shifted && shift != 0) FakeKeyEvent(dpy, shift, true);
    FakeKeyEvent(dpy, code, true);
    FakeKeyEvent(dpy, code, false);
    if (shifted && shift != 0) FakeKeyEvent(dpy, shift, false);
    XSync(dpy, False);
    if (remapped) {
        KeySym none[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(dpy, code, 2, none, 1);
        XSync(dpy, False);
    }
}

void X11Desktop::TypeText(const std::string& text) {
    if (!Available()) return;
    for (char32_t point : CodePoints(text)) {
        // Latin-1 characters are their own key symbols; the rest use the Unicode range.
        const unsigned long keysym = point < 0x100 ? point : 0x01000000UL | point;
        TypeKeysym(keysym);
    }
}

}  // namespace talvenor::linux_backend
