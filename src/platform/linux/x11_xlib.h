// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <X11/Xlib.h>

namespace talvenor::linux_backend {

inline Display* Dpy(void* display) { return static_cast<Display*>(display); }

// Owns what Xlib hands back from XGetWindowProperty and XQueryTree.
struct XFreeGuard {
    void* data;
    ~XFreeGuard() {
        if (data != nullptr) XFree(data);
    }
};

}  // namespace talvenor::linux_backend
