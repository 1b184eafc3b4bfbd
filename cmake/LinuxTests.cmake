# Window tests (Qt Test, offscreen) and end-to-end tests (Xvfb, openbox, real tools).
