// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "player_help.h"
#include "sendkey.h"
#include "win32_file_dialog.h"
#include "win32_platform.h"
#include "win32_test_support.h"
#include "win32_text.h"

namespace talvenor::testing {
namespace {

namespace fs = std::filesystem;
using win32::Narrow;
using win32::Widen;

// Keys typed into a window of this test, which has the focus as a player would.
class KeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame_.reset(CreateWindowExW(0, L"STATIC", L"Talvenor keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                     300, 100, nullptr, nullptr, nullptr, nullptr));
        edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 5, 5, 280, 24, frame_.get(), nullptr,
                                nullptr, nullptr);
        SetForegroundWindow(frame_.get());
        SetFocus(edit_);
        ASSERT_TRUE(PumpUntil([this] { return GetForegroundWindow() == frame_.get() && GetFocus() == edit_; }));
    }

    win32::Win32Platform platform{GetModuleHandleW(nullptr)};
    win32::Window frame_;
    HWND edit_ = nullptr;
};

TEST_F(KeysTest, KeysAreTypedAfterTheHandlerReturnsEachAsItsKey) {
    const std::wstring typed = L"q?Aé";
    platform.SendKeys(Narrow(typed), false);
    // The keys go where the handler brings the focus, as a stop brings the player forward.
    EXPECT_TRUE(platform.SetForegroundWindow(reinterpret_cast<WindowHandle>(frame_.get())));
    EXPECT_EQ(WindowText(edit_), L"") << "nothing is typed while the handler runs";
    EXPECT_TRUE(PumpUntil([&] { return WindowText(edit_) == typed; })) << Narrow(WindowText(edit_));

    // Letters and signs go as their virtual keys with the layout's shift state, not as characters.
    for (const INPUT& input : win32::KeyInputsFor(L"q?")) {
        EXPECT_EQ(input.ki.dwFlags & KEYEVENTF_UNICODE, 0u);
        EXPECT_NE(input.ki.wVk, 0);
        EXPECT_EQ(input.ki.wScan, MapVirtualKeyW(input.ki.wVk, MAPVK_VK_TO_VSC));
    }
}

TEST_F(KeysTest, DoEventsDeliversAPendingSendAndTheLocksStayAsTheyWere) {
    KeyStateTable before{};
    platform.GetKeyboardState(before);
    SendKeysKeepLocks(platform, "q", false);
    EXPECT_TRUE(platform.SetForegroundWindow(reinterpret_cast<WindowHandle>(frame_.get())));
    platform.DoEvents();
    EXPECT_TRUE(PumpUntil([&] { return WindowText(edit_) == L"q"; }));
    KeyStateTable after{};
    platform.GetKeyboardState(after);
    for (const std::uint8_t lock : {kVkCapital, kVkNumLock, kVkScroll}) {
        EXPECT_EQ(after[lock] & 1, before[lock] & 1) << int{lock};
    }
}

TEST_F(KeysTest, TheLockKeyEventsOfTheKeySenderToggleCapsLock) {
    EXPECT_EQ(platform.PlatformId(), kPlatformWin32Nt);
    KeyStateTable table{};
    platform.GetKeyboardState(table);
    const bool before = (table[kVkCapital] & 1) != 0;
    ToggleCapsLock(platform);
    EXPECT_TRUE(PumpUntil([&] { return CapsLockOn(platform) != before; }));
    ToggleCapsLock(platform);
    EXPECT_TRUE(PumpUntil([&] { return CapsLockOn(platform) == before; }));
}

}  // namespace
}  // namespace talvenor::testing
