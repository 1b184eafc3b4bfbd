// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "recording_platform.h"
#include "sendkey.h"

namespace talvenor::testing {
namespace {

using Log = std::vector<std::string>;

class SendKeyTest : public ::testing::Test {
protected:
    CallLog log;
    RecordingPlatform platform{log};

    std::vector<std::string> Only(const std::string& prefix) const {
        std::vector<std::string> kept;
        for (const std::string& call : log) {
            if (call.rfind(prefix, 0) == 0) kept.push_back(call);
        }
        return kept;
    }
};

TEST_F(SendKeyTest, AnyNonZeroByteReadsAsOn) {
    const std::vector<std::pair<std::uint8_t, bool>> bytes = {{0, false}, {1, true}, {0x80, true}, {0x81, true}, {0xFF, true}};
    for (const auto& [byte, on] : bytes) {
        platform.keys[kVkCapital] = byte;
        platform.keys[kVkNumLock] = byte;
        platform.keys[kVkScroll] = byte;
        EXPECT_EQ(CapsLockOn(platform), on) << int(byte);
        EXPECT_EQ(NumLockOn(platform), on) << int(byte);
        EXPECT_EQ(ScrollLockOn(platform), on) << int(byte);
    }
}

TEST_F(SendKeyTest, UnchangedLocksAreLeftAlone) {
    platform.keys[kVkScroll] = 1;
    platform.keys[kVkCapital] = 1;
    SendKeysKeepLocks(platform, "q", false);
    EXPECT_TRUE(Only("keybd_event").empty());
    EXPECT_TRUE(Only("SetKeyboardState").empty());
    EXPECT_EQ(Only("SendKeys"), Log{"SendKeys(q, false)"});
}

TEST_F(SendKeyTest, NtRestoresEachChangedLockWithAPressAndARelease) {
    struct Case {
        std::map<std::uint8_t, std::uint8_t> changed;
        Log events;
    };
    const std::vector<Case> cases = {
        {{{kVkNumLock, 1}}, {"keybd_event(144, 69, 1, 0)", "keybd_event(144, 69, 3, 0)"}},
        {{{kVkCapital, 1}}, {"keybd_event(20, 69, 1, 0)", "keybd_event(20, 69, 3, 0)"}},
        // Restored in the order Num Lock, Caps Lock, Scroll Lock.
        {{{kVkScroll, 1}, {kVkCapital, 1}, {kVkNumLock, 1}},
         {"keybd_event(144, 69, 1, 0)", "keybd_event(144, 69, 3, 0)", "keybd_event(20, 69, 1, 0)",
          "keybd_event(20, 69, 3, 0)", "keybd_event(145, 69, 1, 0)", "keybd_event(145, 69, 3, 0)"}},
    };
    for (const Case& c : cases) {
        log.clear();
        platform.keys = {};
        platform.keysAfterSend = c.changed;
        SendKeysKeepLocks(platform, "q", false);
        EXPECT_EQ(Only("keybd_event"), c.events);
        // The locks end as they started.
        EXPECT_EQ(platform.keys[kVkNumLock], 0);
        EXPECT_EQ(platform.keys[kVkCapital], 0);
        EXPECT_EQ(platform.keys[kVkScroll], 0);
    }
}

TEST_F(SendKeyTest, WindowsNineXFlipsEveryBitOfTheTable) {
    platform.platformId = kPlatformWin32Windows;
    platform.keys[kVkCapital] = 0;
    ToggleCapsLock(platform);
    EXPECT_EQ(Only("SetKeyboardState"), Log{"SetKeyboardState(20=255, 144=0, 145=0)"});
    log.clear();
    platform.keys = {};
    platform.keys[kVkNumLock] = 1;
    ToggleNumLock(platform);
    EXPECT_EQ(Only("SetKeyboardState"), Log{"SetKeyboardState(20=0, 144=254, 145=0)"});
    EXPECT_TRUE(Only("keybd_event").empty());
}

TEST_F(SendKeyTest, OtherPlatformsLeaveAChangedLockChanged) {
    for (std::uint32_t id : {0u, 3u, 99u}) {
        log.clear();
        platform.platformId = id;
        platform.keys = {};
        platform.keysAfterSend = {{kVkCapital, 1}};
        SendKeysKeepLocks(platform, "q", false);
        EXPECT_TRUE(Only("keybd_event").empty());
        EXPECT_TRUE(Only("SetKeyboardState").empty());
        EXPECT_EQ(platform.keys[kVkCapital], 1);
        // The version is asked for only when a lock needs restoring.
        EXPECT_EQ(Only("GetVersionEx").size(), 1u);
    }
}

TEST_F(SendKeyTest, SecondReadingsFollowEarlierToggles) {
    platform.keysAfterSend = {{kVkNumLock, 1}};
    SendAndRestoreLocks(platform, "q", false);
    // Read Num, Caps, Scroll; send; read Num; toggle it (version, table, two events); read Caps; read Scroll.
    EXPECT_EQ(log, (Log{"GetKeyboardState", "GetKeyboardState", "GetKeyboardState", "SendKeys(q, false)",
                        "GetKeyboardState", "GetVersionEx", "GetKeyboardState", "keybd_event(144, 69, 1, 0)",
                        "keybd_event(144, 69, 3, 0)", "GetKeyboardState", "GetKeyboardState"}));
}

}  // namespace
}  // namespace talvenor::testing
