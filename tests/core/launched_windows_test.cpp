// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "launched_windows.h"

namespace talvenor {
namespace {

TEST(LaunchedWindows, OneStandInPerLaunchEachBoundToItsProcess) {
    LaunchedWindows windows(0x40000000);
    EXPECT_EQ(windows.TakeStandIn(), 0u) << "no launch yet: the system's own answer";
    windows.Launched(101);
    const WindowHandle first = windows.TakeStandIn();
    EXPECT_EQ(windows.TakeStandIn(), 0u) << "a launch gives one stand-in only";
    windows.Launched(202);
    const WindowHandle second = windows.TakeStandIn();
    EXPECT_GE(first, 0x40000000u);
    EXPECT_NE(first, second);
    EXPECT_EQ(windows.ProcessOf(first), 101);
    EXPECT_EQ(windows.ProcessOf(second), 202);
    EXPECT_EQ(windows.ProcessOf(0x2A0001), 0) << "a real handle stands for no process";
}

TEST(LaunchedWindows, AForgottenLaunchGivesNoStandIn) {
    LaunchedWindows windows(0x40000000);
    windows.Launched(101);
    windows.Launched(0);
    EXPECT_EQ(windows.TakeStandIn(), 0u);
}

}  // namespace
}  // namespace talvenor
