// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "player_help.h"
#include "presets.h"
#include "sendkey.h"
#include "win32_platform.h"
#include "win32_test_support.h"
#include "win32_text.h"

namespace talvenor::testing {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kPlayerClass[] = L"TalvenorFakePlayer";

std::vector<std::string> LinesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Players started from the test's own folder of tools, with Talvenor's own window holding the
// focus as it does when "Voir" or "Stop" is clicked.
class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame_.reset(CreateWindowExW(0, L"STATIC", L"Talvenor player test",
                                     WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 100, nullptr,
                                     nullptr, nullptr, nullptr));
        edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 5, 5, 280, 24, frame_.get(),
                                nullptr, nullptr, nullptr);
        SetForegroundWindow(frame_.get());
        SetFocus(edit_);
        ASSERT_TRUE(PumpUntil(
            [this] { return GetForegroundWindow() == frame_.get() && GetFocus() == edit_; }));
    }

    void TearDown() override {
        // A player the test left running would outlive it, and keep its folders from going.
        for (HWND player; (player = FindWindowW(kPlayerClass, nullptr)) != nullptr;) {
            DWORD processId = 0;
            GetWindowThreadProcessId(player, &processId);
            const win32::KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
            PostMessageW(player, WM_CLOSE, 0, 0);
            if (!PumpUntil([&] {
                    return !IsWindow(player) &&
                           WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT;
                })) {
                break;
            }
        }
    }

    void InstallPlayer(const wchar_t* standIn) {
        fs::copy_file(TestProgramFolder() / standIn, tools.path() / L"ffplay.exe");
    }
    bool Play(const std::string& baseName) {
        return platform.Shell(
            PlayerCommand(win32::Narrow(tools.path().wstring()), baseName, ".flv"),
            WindowStyle::MinimisedFocus);
    }
    // What the players wrote: their folder and argument at the start, "quit" when the key came.
    std::vector<std::string> Reported() const { return LinesOf(videos.path() / L"player.txt"); }
    bool Reported(const std::vector<std::string>& lines) const { return Reported() == lines; }

    TemporaryFolder tools{L"Talvenor lecteur"};
    TemporaryFolder videos{L"Talvenor vidéos lecteur"};
    const WorkingDirectory inVideos{videos.path()};
    const EnvironmentVariable report{L"TALVENOR_PLAYER_REPORT",
                                     (videos.path() / L"player.txt").wstring()};
    win32::Win32Platform platform{GetModuleHandleW(nullptr)};
    win32::Window frame_;
    HWND edit_ = nullptr;
};

TEST_F(PlayerTest, AStopBringsTheLastPlayerForwardRestoredAndTypesTheQuitKeyIntoIt) {
    InstallPlayer(L"fake_player.exe");
    const std::string folder = win32::Narrow(videos.path().wstring());

    ASSERT_TRUE(Play("premier"));
    const WindowHandle first = platform.GetForegroundWindow();
    ASSERT_TRUE(PumpUntil([&] { return Reported({folder, "premier.flv"}); })) << ::testing::PrintToString(Reported());
    ASSERT_TRUE(Play("clip été"));
    const WindowHandle second = platform.GetForegroundWindow();
    EXPECT_NE(first, second);

    // As "Stop" does it: the key is asked for first, the window brought forward second, and the
    // player's window need not exist yet.
    SendKeysKeepLocks(platform, std::string(kPlayerQuitKey), false);
    EXPECT_TRUE(platform.SetForegroundWindow(second));
    const HWND played = FindWindowW(kPlayerClass, L"clip été.flv");
    ASSERT_NE(played, nullptr);
    EXPECT_TRUE(PumpUntil([&] {
        return Reported({folder, "premier.flv", folder, "clip été.flv", "quit"});
    })) << ::testing::PrintToString(Reported());
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(played); })) << "the player quits on its key";
    EXPECT_EQ(WindowText(edit_), L"") << "the key went to the player, not to the window it left";

    const HWND other = FindWindowW(kPlayerClass, L"premier.flv");
    ASSERT_NE(other, nullptr) << "the first player keeps running";
    EXPECT_TRUE(IsIconic(other)) << "it started minimised and nothing restored it";

    // The stopped player is gone: a second stop finds no window of it and fails quietly.
    EXPECT_FALSE(platform.SetForegroundWindow(second));
    // Away from a launch the foreground window is the real one, and a real handle is used as it is.
    EXPECT_TRUE(platform.SetForegroundWindow(reinterpret_cast<WindowHandle>(other)));
    EXPECT_TRUE(PumpUntil(
        [&] { return platform.GetForegroundWindow() == reinterpret_cast<WindowHandle>(other); }));
}

TEST_F(PlayerTest, AStopWithNoPlayerToBringForwardTypesNoKeyAnywhere) {
    InstallPlayer(L"argv_echo.exe");
    ASSERT_TRUE(Play("clip"));
    const WindowHandle endedWithoutWindow = platform.GetForegroundWindow();
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(videos.path() / L"argv_echo.txt"); }));
    const HWND closed = CreateWindowExW(0, L"STATIC", L"closed player", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                        nullptr, nullptr, nullptr);
    DestroyWindow(closed);
    struct Case {
        const char* what;
        WindowHandle player;
    };
    const Case cases[] = {
        {"no player ever started", 0},
        {"the player ended without a window", endedWithoutWindow},
        {"the player's window is closed", reinterpret_cast<WindowHandle>(closed)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetWindowTextW(edit_, L"");
        SendKeysKeepLocks(platform, std::string(kPlayerQuitKey), false);
        EXPECT_FALSE(platform.SetForegroundWindow(c.player));
        // A key of our own after the stop's: once it arrives, any key the stop typed came first.
        std::vector<INPUT> marker = win32::KeyInputsFor(L"z");
        PumpUntil([] { return false; }, std::chrono::milliseconds(0));
        SendInput(static_cast<UINT>(marker.size()), marker.data(), sizeof(INPUT));
        EXPECT_TRUE(PumpUntil([&] { return !WindowText(edit_).empty(); }));
        EXPECT_EQ(WindowText(edit_), L"z") << "the quit key went into the window that had the focus";
    }
}

TEST_F(PlayerTest, AStandInForAProgramThatEndedWithoutAWindowFailsWithoutWaitingOut) {
    InstallPlayer(L"argv_echo.exe");
    ASSERT_TRUE(Play("clip"));
    const WindowHandle player = platform.GetForegroundWindow();
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(videos.path() / L"argv_echo.txt"); }));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(platform.SetForegroundWindow(player));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
}

TEST(MainWindowOf, FindsTheVisibleUnownedWindowOfTheProcess) {
    const auto make = [](const wchar_t* title, DWORD visible, HWND owner) {
        return win32::Window(CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | visible, 0,
                                             0, 100, 100, owner, nullptr, nullptr, nullptr));
    };
    const win32::Window shown = make(L"shown", WS_VISIBLE, nullptr);
    // Made later, so that both come before it in the search.
    const win32::Window hidden = make(L"hidden", 0, nullptr);
    const win32::Window owned = make(L"owned", WS_VISIBLE, shown.get());
    EXPECT_EQ(win32::MainWindowOf(GetCurrentProcessId()), shown.get());
}

}  // namespace
}  // namespace talvenor::testing
