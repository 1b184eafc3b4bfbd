/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Start-up and memory floor: the least an X program does to put a 367 x 287 window on screen. */
#include <X11/Xlib.h>
#include <stdio.h>

int main(void) {
    Display* dpy = XOpenDisplay(NULL);
    if (dpy == NULL) {
        fprintf(stderr, "floor_xlib: cannot open the display\n");
        return 1;
    }
    const int screen = DefaultScreen(dpy);
    const Window window = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, 367, 287, 0,
                                              BlackPixel(dpy, screen), WhitePixel(dpy, screen));
    XStoreName(dpy, window, "floor_xlib");
    XSelectInput(dpy, window, ExposureMask);
    XMapWindow(dpy, window);
    for (;;) {
        XEvent event;
        XNextEvent(dpy, &event);
    }
}
