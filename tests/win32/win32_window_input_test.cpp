// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "win32_api.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "form1.h"
#include "presets.h"
#include "recording_platform.h"
#include "win32_pictures.h"
#include "win32_test_support.h"
#include "window_fixture.h"
#include "version.h"
#include "win32_text.h"
#include "win32_window.h"

namespace talvenor::testing {
namespace {

using win32::Narrow;

bool Contains(const CallLog& log, const std::string& entry) {
    return std::find(log.begin(), log.end(), entry) != log.end();
}

TEST_F(WindowTest, TabFollowsTheTabIndicesAndTakesInControlsAsTheyAreEnabledOrShown) {
    EXPECT_EQ(TabCycleFrom(ControlId::Text1, 7),
              (std::vector<std::string>{"CmdQuit", "CmdMinimise", "TxtChoix", "CmdListOpen", "CmdHP", "Command1",
                                        "Text1"}));
    SetFocus(Of(ControlId::Text1));
    PressTab(true);
    EXPECT_EQ(NameOfWindow(GetFocus()), "Command1");

    dialog.answers.push_back("C:\\Vidéos\\clip.flv");
    SendMessageW(Of(ControlId::CmdListOpen), BM_CLICK, 0, 0);
    form.Text1_Click();
    EXPECT_EQ(TabCycleFrom(ControlId::Text1, 11),
              (std::vector<std::string>{"CmdQuit", "CmdLancer", "CmdMinimise", "CmdVisu", "CmdStop", "List1",
                                        "TxtChoix", "CmdListOpen", "CmdHP", "Command1", "Text1"}));
}

TEST_F(WindowTest, ButtonsTheListAndTheFileBoxReachTheirHandlers) {
    SendMessageW(Of(ControlId::CmdListOpen), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowVisible(Of(ControlId::List1)));
    // Shown, the list covers the file box.
    const POINT overText1 = CentreOf(ControlId::Text1);
    EXPECT_EQ(ChildWindowFromPointEx(Form(), overText1, CWP_SKIPINVISIBLE), Of(ControlId::List1));

    RECT item;
    SendMessageW(Of(ControlId::List1), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    Click(Of(ControlId::List1), {(item.left + item.right) / 2, (item.top + item.bottom) / 2});
    EXPECT_FALSE(IsWindowVisible(Of(ControlId::List1)));
    EXPECT_EQ(Narrow(WindowText(Of(ControlId::TxtChoix))), "Vidéo  FLV vers MPEG1");

    dialog.answers.push_back("C:\\Mes vidéos\\été.2024.flv");
    RECT box;
    GetClientRect(Of(ControlId::Text1), &box);
    Click(Of(ControlId::Text1), {box.right / 2, box.bottom / 2});
    EXPECT_TRUE(Contains(log, "Cmd1.Filter=Video|*.flv;"));
    EXPECT_EQ(Narrow(WindowText(Of(ControlId::Text1))), "été.2024");
    EXPECT_TRUE(IsWindowEnabled(Of(ControlId::CmdLancer)));

    SendMessageW(Of(ControlId::CmdLancer), BM_CLICK, 0, 0);
    ASSERT_EQ(platform.launched.size(), 1u);
    EXPECT_EQ(platform.launched.back().output, "été.2024.mpeg");

    SendMessageW(Of(ControlId::Command1), BM_CLICK, 0, 0);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages.back().substr(0, 22), " Commandes du moniteur");
    // Enter presses the focused button, as in a dialog.
    SetFocus(Of(ControlId::Command1));
    MSG enter{Of(ControlId::Command1), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(window.PreTranslateMessage(enter));
    EXPECT_EQ(platform.messages.size(), 2u);

    SendMessageW(Of(ControlId::CmdHP), BM_CLICK, 0, 0);
    EXPECT_TRUE(Contains(log, "Shell(sndvol32 /t, 2)"));

    SendMessageW(Of(ControlId::CmdMinimise), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsIconic(Form()));
}

TEST_F(WindowTest, PressesOnTheSurfaceMoveTheWindowOnlyFromTheBackgroundAndTheSubtitle) {
    const RECT label1 = window.PixelsOf(ControlId::Label1);
    const RECT label3 = window.PixelsOf(ControlId::Label3);
    const RECT label7 = window.PixelsOf(ControlId::Label7_0);
    struct Case {
        const char* where;
        POINT point;
        UINT down;
        bool moves;
    };
    const Case cases[] = {
        {"bare background", {6, 150}, WM_LBUTTONDOWN, true},
        {"Label3", CentreOf(ControlId::Label3), WM_LBUTTONDOWN, true},
        {"Label1 beside Label3", {(label1.left + label3.left) / 2, label3.bottom - 2}, WM_LBUTTONDOWN, true},
        {"Label3, right button", CentreOf(ControlId::Label3), WM_RBUTTONDOWN, false},
        {"background, middle button", {6, 150}, WM_MBUTTONDOWN, false},
        {"product title", {label7.left + 4, label7.top + 4}, WM_LBUTTONDOWN, false},
        {"Label2", CentreOf(ControlId::Label2), WM_LBUTTONDOWN, false},
        {"Label8", CentreOf(ControlId::Label8), WM_LBUTTONDOWN, false},
        {"Label4", CentreOf(ControlId::Label4), WM_LBUTTONDOWN, false},
    };
    const std::string handle = "0x" + [this] {
        char text[32];
        snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(window.hWnd()));
        return std::string(text);
    }();
    for (const Case& c : cases) {
        log.clear();
        SendMessageW(Form(), c.down, 0, MAKELPARAM(c.point.x, c.point.y));
        const CallLog expected = {"SetWindowPos(" + handle + ", -1, 0, 0, 0, 0, 0x53)", "ReleaseCapture",
                                  "SendMessage(" + handle + ", 0xA1, 2, 0)"};
        EXPECT_EQ(log, c.moves ? expected : CallLog{}) << c.where;
        SendMessageW(Form(), WM_LBUTTONUP, 0, MAKELPARAM(c.point.x, c.point.y));
    }
    // The address's window lets the mouse through: presses and releases there reach the form.
    POINT overAddress = CentreOf(ControlId::Label2);
    ClientToScreen(Form(), &overAddress);
    EXPECT_EQ(WindowFromPoint(overAddress), Form());
    // A click on the address opens the web site.
    log.clear();
    Click(Form(), CentreOf(ControlId::Label2));
    EXPECT_EQ(log, CallLog{"Shell(explorer.exe talvenor.example, 2)"});
}

}  // namespace
}  // namespace talvenor::testing
