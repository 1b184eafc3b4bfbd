# Linux backend: Qt 6 Widgets for the window, X11 for keys, locks, focus and stacking.
