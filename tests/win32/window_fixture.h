// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include "win32_api.h"

#include <chrono>

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

}  // namespace talvenor::testing
