// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "form1.h"
#include "recording_platform.h"

namespace talvenor::testing {

// A whole FLV file: a "framerate" in its metadata when one is given, then `count` one-byte
// Sorenson pictures, `rate` a second at whole milliseconds, every other one `lateMs` late.
inline std::string FlvFile(int count, double rate, double metadataRate = 0, int lateMs = 0) {
    const auto big = [](std::uint64_t value, int width) {
        std::string bytes;
        while (width-- > 0) bytes.push_back(static_cast<char>(value >> (8 * width)));
        return bytes;
    };
    std::string file("FLV\x01\x01\0\0\0\x09\0\0\0\0", 13);
    const auto tag = [&](int type, const std::string& data, std::uint64_t time) {
        file += big(type, 1) + big(data.size(), 3) + big(time, 3) + big(time >> 24, 4) + data + big(data.size() + 11, 4);
    };
    const std::string key("\x02\0\x0aonMetaData\x08\0\0\0\x01\0\x09" "framerate", 29);
    if (metadataRate > 0) tag(18, key + big(0, 1) + big(std::bit_cast<std::uint64_t>(metadataRate), 8), 0);
    for (int i = 0; i < count; ++i) tag(9, "\x22", std::llround(i * 1000 / rate) + i % 2 * lateMs);
    return file;
}

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
