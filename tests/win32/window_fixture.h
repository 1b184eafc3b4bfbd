// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include "win32_api.h"

#include <chrono>
#include <string>
#include <vector>

#include "form1.h"
#include "recording_platform.h"
#include "win32_pictures.h"
#include "win32_test_support.h"
#include "win32_window.h"

namespace talvenor::testing {

// The real window over recording services: what the window does is seen in the core's calls.
class RealWindowTest : public ::testing::Test {
protected:
    CallLog log;
    RecordingPlatform platform{log};
    RecordingDialog dialog{log};
    win32::PictureSet pictures{GetModuleHandleW(nullptr)};
    win32::Win32Form window{GetModuleHandleW(nullptr), pictures};
    Form1 form{window, dialog, platform};

    void SetUp() override {
        platform.separators = "\\/";
        window.Attach(form);
        window.LoadAndShow();
        Pump();
        log.clear();
    }

    HWND Of(ControlId id) const { return window.ControlWindow(id); }
    HWND Form() const { return window.Handle(); }
    void Pump() {
        PumpUntil([] { return true; }, std::chrono::milliseconds(0),
                  [this](MSG& m) { return window.PreTranslateMessage(m); });
    }
};

// The real window, with what its tests read of it.
class WindowTest : public RealWindowTest {
protected:
    POINT CentreOf(ControlId id) const {
        const RECT r = window.PixelsOf(id);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // A press and a release of the left button at `point` of `target`'s client area.
    static void Click(HWND target, POINT point) {
        SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
        SendMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    }
    void PressTab(bool shift) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG message{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        EXPECT_TRUE(window.PreTranslateMessage(message));
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    }
    std::vector<std::string> TabCycleFrom(ControlId start, int presses) {
        SetFocus(Of(start));
        std::vector<std::string> names;
        for (int i = 0; i < presses; ++i) {
            PressTab(false);
            names.push_back(NameOfWindow(GetFocus()));
        }
        return names;
    }
    std::string NameOfWindow(HWND control) const {
        for (const ControlDesign& design : kControlDesigns) {
            if (Of(design.id) == control) return std::string(design.name);
        }
        return "?";
    }
    // The colour shown at `point` of the client area, read from the window that lies there.
    COLORREF PixelAt(POINT point) const {
        const HWND shown = ChildWindowFromPointEx(Form(), point, CWP_SKIPINVISIBLE);
        MapWindowPoints(Form(), shown, &point, 1);
        const win32::WindowDc dc(shown);
        return GetPixel(dc.get(), point.x, point.y);
    }
};

}  // namespace talvenor::testing
