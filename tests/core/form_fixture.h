// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include "form1.h"
#include "recording_platform.h"

namespace talvenor::testing {

class FormTest : public ::testing::Test {
protected:
    CallLog log;
    RecordingControls controls{log};
    RecordingDialog dialog{log};
    RecordingPlatform platform{log};
    Form1 form{controls, dialog, platform};

    // Loads the window, picks `path` under preset `row`, and forgets the calls so far.
    void LoadAndChoose(int row, const std::string& path) {
        form.Form_Load();
        controls.listIndex = static_cast<std::int16_t>(row);
        form.List1_Click();
        dialog.answers.push_back(path);
        form.Text1_Click();
        log.clear();
    }
};

}  // namespace talvenor::testing
