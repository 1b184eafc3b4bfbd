// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "platform.h"

namespace talvenor::linux_backend {

// What the program asks of the X server and of the window manager: lock states, synthesised
// keys, the active window, the topmost band. Every call does nothing when there is no X display
// (the offscreen platform of the tests), so the callers need no checks of their own.
class X11Desktop {
public:
    // `display` is an Xlib Display*; null means no X server.
    explicit X11Desktop(void* display);

    bool Available() const { return display_ != nullptr; }

    // The three lock keys as Windows' key-state table sees them: 1 for on, 0 for off.
    void ReadLocks(KeyStateTable& table);
    // Sets the lock keys to the low bit of their entries.
    void WriteLocks(const KeyStateTable& table);
    // A press or a release of the key behind a Windows virtual-key code.
    void FakeVirtualKey(std::uint8_t virtualKey, bool press);
    // Types UTF-8 `text` into the focused window, each character as the key that types it.
    void TypeText(const std::string& text);

    // The window the window manager reports as active, else the one with the input focus.
    WindowHandle ActiveWindow();
    // The X server time of the user's latest press or key, which a request made for it carries.
    void NoteUserTime(unsigned long time) { userTime_ = time; }
    // Asks the window manager to activate `window` (or focuses it directly without one), as the
    // user's latest action asks for it.
    bool Activate(WindowHandle window);
    // Waits, at most `milliseconds`, until `window` or one of its children has the focus.
    bool WaitForFocus(WindowHandle window, int milliseconds);
    // The top-level window whose _NET_WM_PID is `pid`, or 0.
    WindowHandle WindowOfProcess(pid_t pid);
    // Minimises `window` to the taskbar.
    void Iconify(WindowHandle window);
    // Whether the window manager shows `window` minimised (ICCCM's iconic state).
    bool IsIconic(WindowHandle window);
    // Puts `window` in the topmost band (or raises it without a window manager).
    void MakeTopmost(WindowHandle window);
    bool IsTopmost(WindowHandle window);
    void UngrabPointer();
    void Flush();

private:
    bool HasWindowManager();
    unsigned ModifierMaskOf(unsigned long keysym);
    void TypeKeysym(unsigned long keysym);

    void* display_;
    unsigned long userTime_ = 0;  // CurrentTime until the user has acted
};

}  // namespace talvenor::linux_backend
