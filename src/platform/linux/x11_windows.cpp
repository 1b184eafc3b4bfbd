// SPDX-License-Identifier: GPL-3.0-or-later
#include "x11_desktop.h"
#include "x11_xlib.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>
#include <vector>

namespace talvenor::linux_backend {

namespace {

std::vector<unsigned long> WindowProperty(Display* dpy, Window window, const char* name, Atom type) {
    std::vector<unsigned long> values;
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const Atom property = XInternAtom(dpy, name, True);
    if (property == 0) return values;
    if (XGetWindowProperty(dpy, window, property, 0, 1024, False, type, &actualType, &format, &count,
                           &after, &data) != Success) {
        return values;
    }
    XFreeGuard guard{data};
    if (data == nullptr || format != 32) return values;
    const auto* longs = reinterpret_cast<const unsigned long*>(data);
    values.assign(longs, longs + count);
    return values;
}

void SendRootMessage(Display* dpy, Window window, const char* type, long l0, long l1, long l2) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(dpy, type, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
}

// Windows of other programs may vanish at any moment: an error about one must not end us.
class IgnoreXErrors {
public:
    explicit IgnoreXErrors(Display* dpy) : dpy_(dpy), previous_(XSetErrorHandler([](Display*, XErrorEvent*) { return 0; })) {}
    ~IgnoreXErrors() {
        XSync(dpy_, False);
        XSetErrorHandler(previous_);
    }
    IgnoreXErrors(const IgnoreXErrors&) = delete;
    IgnoreXErrors& operator=(const IgnoreXErrors&) = delete;

private:
    Display* dpy_;
    XErrorHandler previous_;
};

}  // namespace

X11Desktop::X11Desktop(void* display) : display_(display) {}

bool X11Desktop::HasWindowManager() {
    Display* dpy = Dpy(display_);
    const auto check = WindowProperty(dpy, DefaultRootWindow(dpy), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    return !check.empty() && check[0] != 0;
}

WindowHandle X11Desktop::ActiveWindow() {
    if (!Available()) return 0;
    Display* dpy = Dpy(display_);
    const auto active = WindowProperty(dpy, DefaultRootWindow(dpy), "_NET_ACTIVE_WINDOW", XA_WINDOW);
    if (!active.empty() && active[0] != 0) return active[0];
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy, &focus, &revert);
    return focus > PointerRoot ? focus : 0;
}

bool X11Desktop::Activate(WindowHandle window) {
    if (!Available() || window == 0) return false;
    Display* dpy = Dpy(display_);
    XWindowAttributes attributes{};
    IgnoreXErrors ignore(dpy);
    // A window that no longer exists: nothing to bring forward.
    if (XGetWindowAttributes(dpy, window, &attributes) == 0) return false;
    if (HasWindowManager()) {
        // Source 2: the request comes from the user's own action on our button; its time lets
        // a manager that prevents focus stealing see that the user asked for it.
        SendRootMessage(dpy, window, "_NET_ACTIVE_WINDOW", 2, static_cast<long>(userTime_), 0);
    } else {
        XMapRaised(dpy, window);
        XSetInputFocus(dpy, window, RevertToParent, userTime_);
    }
    XFlush(dpy);
    return true;
}

bool X11Desktop::WaitForFocus(WindowHandle window, int milliseconds) {
    if (!Available() || window == 0) return false;
    Display* dpy = Dpy(display_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    IgnoreXErrors ignore(dpy);
    while (true) {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(dpy, &focus, &revert);
        // The focus may sit on the window or on one of its children.
        for (Window w = focus; w != 0 && w != DefaultRootWindow(dpy);) {
            if (w == window) return true;
            Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(dpy, w, &root, &parent, &children, &count)) break;
            XFreeGuard guard{children};
            w = parent;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

WindowHandle X11Desktop::WindowOfProcess(pid_t pid) {
    if (!Available() || pid <= 0) return 0;
    Display* dpy = Dpy(display_);
    const Window root = DefaultRootWindow(dpy);
    IgnoreXErrors ignore(dpy);
    std::vector<unsigned long> candidates = WindowProperty(dpy, root, "_NET_CLIENT_LIST", XA_WINDOW);
    if (candidates.empty()) {
        // No list kept (no manager, or a Wayland compositor's X11 one): look at the root's
        // children and, for a manager that frames its clients, at theirs.
        auto childrenOf = [dpy](Window parentWindow) {
            Window rootReturn = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            std::vector<unsigned long> found;
            if (XQueryTree(dpy, parentWindow, &rootReturn, &parent, &children, &count)) {
                XFreeGuard guard{children};
                found.assign(children, children + count);
            }
            return found;
        };
        for (unsigned long top : childrenOf(root)) {
            candidates.push_back(top);
            for (unsigned long framed : childrenOf(top)) candidates.push_back(framed);
        }
    }
    for (unsigned long window : candidates) {
        const auto owner = WindowProperty(dpy, window, "_NET_WM_PID", XA_CARDINAL);
        if (!owner.empty() && static_cast<pid_t>(owner[0]) == pid) return window;
    }
    return 0;
}

void X11Desktop::Iconify(WindowHandle window) {
    if (!Available() || window == 0) return;
    Display* dpy = Dpy(display_);
    XIconifyWindow(dpy, window, DefaultScreen(dpy));
    XFlush(dpy);
}

bool X11Desktop::IsIconic(WindowHandle window) {
    if (!Available() || window == 0) return false;
    Display* dpy = Dpy(display_);
    IgnoreXErrors ignore(dpy);
    const auto state = WindowProperty(dpy, window, "WM_STATE", XInternAtom(dpy, "WM_STATE", False));
    return !state.empty() && state[0] == IconicState;
}

void X11Desktop::MakeTopmost(WindowHandle window) {
    if (!Available() || window == 0) return;
    Display* dpy = Dpy(display_);
    if (HasWindowManager()) {
        // 1: add the state; the window stays as it is, no remapping.
        SendRootMessage(dpy, window, "_NET_WM_STATE", 1, XInternAtom(dpy, "_NET_WM_STATE_ABOVE", False), 0);
    } else {
        XRaiseWindow(dpy, window);
    }
    XFlush(dpy);
}

bool X11Desktop::IsTopmost(WindowHandle window) {
    if (!Available() || window == 0) return false;
    Display* dpy = Dpy(display_);
    const Atom above = XInternAtom(dpy, "_NET_WM_STATE_ABOVE", False);
    for (unsigned long state : WindowProperty(dpy, window, "_NET_WM_STATE", XA_ATOM)) {
        if (state == above) return true;
    }
    return false;
}

void X11Desktop::UngrabPointer() {
    if (!Available()) return;
    XUngrabPointer(Dpy(display_), CurrentTime);
    XFlush(Dpy(display_));
}

void X11Desktop::Flush() {
    if (Available()) XSync(Dpy(display_), False);
}

}  // namespace talvenor::linux_backend
