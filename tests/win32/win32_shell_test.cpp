#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "presets.h"
#include "win32_services.h"
#include "win32_test_support.h"
#include "win32_text.h"

namespace talvenor::testing {
namespace {

namespace fs = std::filesystem;

// What the stand-in tool wrote about its start.
struct Received {
    std::string commandLine;
    std::string directory;
    int show = -1;
    std::vector<std::string> arguments;
};

// A report can show before its process has let go of it: read until it reads whole.
bool ReadReport(const fs::path& report, Received& received) {
    std::ifstream in(report, std::ios::binary);
    Received read;
    std::string show;
    if (!std::getline(in, read.commandLine) || !std::getline(in, read.directory) || !std::getline(in, show) ||
        show.empty()) {
        return false;
    }
    read.show = std::atoi(show.c_str());
    for (std::string line; std::getline(in, line);) read.arguments.push_back(line);
    received = read;
    return true;
}

bool WaitForReport(const fs::path& folder, Received& received) {
    return PumpUntil([&] { return ReadReport(folder / L"argv_echo.txt", received); });
}

class ShellTest : public ::testing::Test {
protected:
    TemporaryFolder tools{L"Talvenor outils"};
    TemporaryFolder videos{L"Talvenor vidéos été"};
    win32::Win32Platform platform{GetModuleHandleW(nullptr)};

    void InstallTool(const std::wstring& name) {
        fs::copy_file(TestProgramFolder() / L"argv_echo.exe", tools.path() / name);
    }
    std::string ToolDir() const { return win32::Narrow(tools.path().wstring()); }
};

TEST_F(ShellTest, TheToolGetsItsArgumentsTheWorkingDirectoryAndTheWindowStyle) {
    InstallTool(L"ffmpeg.exe");
    InstallTool(L"ffplay.exe");
    struct Case {
        CommandLine command;
        WindowStyle style;
        int show;
        bool exactText;  // names that need no quotes: the line is the composed text itself
    };
    const Case cases[] = {
        {ConversionCommand(kPresets[2], ToolDir(), "clip"), WindowStyle::NormalFocus, SW_SHOWNORMAL, true},
        {ConversionCommand(kPresets[1], ToolDir(), "mon clip & co ^ 100%"), WindowStyle::NormalFocus,
         SW_SHOWNORMAL, false},
        {ConversionCommand(kPresets[3], ToolDir(), "été \"à\" Noël"), WindowStyle::NormalFocus, SW_SHOWNORMAL,
         false},
        {ConversionCommand(kPresets[0], ToolDir(), "-dash"), WindowStyle::NormalFocus, SW_SHOWNORMAL, false},
        {PlayerCommand(ToolDir(), "Видео", ".flv"), WindowStyle::MinimisedFocus, SW_SHOWMINIMIZED, true},
    };
    const WorkingDirectory inVideos(videos.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.text);
        fs::remove(videos.path() / L"argv_echo.txt");
        ASSERT_TRUE(platform.Shell(c.command, c.style));
        Received received;
        ASSERT_TRUE(WaitForReport(videos.path(), received));
        EXPECT_EQ(received.arguments, c.command.arguments);
        EXPECT_EQ(win32::Widen(received.directory), videos.path().wstring());
        EXPECT_EQ(received.show, c.show);
        const std::string tool = ToolDir() + "\\" + c.command.program + ".exe";
        const std::string quotedTool = "\"" + tool + "\"";
        if (c.exactText) {
            EXPECT_EQ(received.commandLine, quotedTool + c.command.text.substr(ToolDir().size() + 1 +
                                                                               c.command.program.size()));
        }
    }
}

TEST_F(ShellTest, FindsTheToolWithoutExtensionThenOnTheSearchPath) {
    InstallTool(L"ffmpeg");
    const WorkingDirectory inVideos(videos.path());
    Received received;
    ASSERT_TRUE(platform.Shell(ConversionCommand(kPresets[0], ToolDir(), "clip"), WindowStyle::NormalFocus));
    ASSERT_TRUE(WaitForReport(videos.path(), received));
    EXPECT_EQ(received.arguments, (std::vector<std::string>{"-y", "-i", "clip.flv", "-f", "avi", "clip.avi"}));

    // No folder given: the program's own folder and the PATH are searched.
    fs::remove(videos.path() / L"argv_echo.txt");
    const CommandLine bare{"argv_echo /t", "", "argv_echo", {"/t"}, "argv_echo"};
    ASSERT_TRUE(platform.Shell(bare, WindowStyle::MinimisedFocus));
    ASSERT_TRUE(WaitForReport(videos.path(), received));
    EXPECT_EQ(received.arguments.back(), "/t");
}

TEST_F(ShellTest, TheMixerIsTheOldOneElseItsSuccessorAndWithNeitherTheLaunchFails) {
    // Neither mixer is part of the system here, as under Wine: the search path decides alone.
    wchar_t system[MAX_PATH];
    const fs::path systemFolder(std::wstring(system, GetSystemDirectoryW(system, MAX_PATH)));
    for (const wchar_t* mixer : {L"sndvol32.exe", L"sndvol.exe"}) {
        if (fs::exists(systemFolder / mixer)) GTEST_SKIP() << "this system has its own mixer";
    }
    const EnvironmentVariable path(L"PATH", tools.path().wstring());
    const WorkingDirectory inVideos(videos.path());
    struct Case {
        std::vector<std::wstring> installed;
        const wchar_t* started;  // null: nothing can start
    };
    const Case cases[] = {
        {{}, nullptr},
        {{L"sndvol.exe"}, L"sndvol.exe"},
        {{L"sndvol32.exe", L"sndvol.exe"}, L"sndvol32.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.started != nullptr ? win32::Narrow(c.started) : "neither mixer");
        for (const auto& entry : fs::directory_iterator(tools.path())) fs::remove(entry.path());
        for (const std::wstring& name : c.installed) InstallTool(name);
        fs::remove(videos.path() / L"argv_echo.txt");
        const bool started = platform.Shell(MixerCommand(), WindowStyle::MinimisedFocus);
        ASSERT_EQ(started, c.started != nullptr);
        if (!started) continue;
        Received received;
        ASSERT_TRUE(WaitForReport(videos.path(), received));
        EXPECT_EQ(received.commandLine, "\"" + win32::Narrow((tools.path() / c.started).wstring()) + "\" /t");
        EXPECT_EQ(received.arguments, std::vector<std::string>{"/t"});
    }
}

TEST_F(ShellTest, AMissingToolIsReportedAsAFailure) {
    EXPECT_FALSE(platform.Shell(ConversionCommand(kPresets[0], ToolDir(), "clip"), WindowStyle::NormalFocus));
    const CommandLine absent{"talvenor-absent-tool /x", "", "talvenor-absent-tool", {"/x"}, "absent"};
    EXPECT_FALSE(platform.Shell(absent, WindowStyle::MinimisedFocus));
}

TEST_F(ShellTest, AStartedConversionIsFollowedUntilItEnds) {
    // The stand-in runs until its window is closed.
    fs::copy_file(TestProgramFolder() / L"fake_player.exe", tools.path() / L"ffmpeg.exe");
    const WorkingDirectory inVideos(videos.path());
    const ProcessHandle conversion =
        platform.Shell(ConversionCommand(kPresets[0], ToolDir(), "clip"), WindowStyle::NormalFocus);
    ASSERT_NE(conversion, 0u);
    EXPECT_TRUE(platform.IsRunning(conversion));
    HWND window = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (window = win32::MainWindowOf(static_cast<DWORD>(conversion))) != nullptr; }));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !platform.IsRunning(conversion); })) << "still running once it has ended";

    // Nothing started, or nothing to follow, is never running.
    EXPECT_FALSE(platform.IsRunning(0));
    EXPECT_FALSE(platform.IsRunning(kUnfollowedProcess));
}

TEST_F(ShellTest, OneFileHasOneFullPathHoweverItIsNamed) {
    const WorkingDirectory inVideos(videos.path());
    const std::string clip = platform.FullPath("clip.avi");
    std::wstring expected = (videos.path() / L"clip.avi").wstring();
    CharUpperBuffW(expected.data(), static_cast<DWORD>(expected.size()));
    EXPECT_EQ(clip, win32::Narrow(expected));
    const std::string sameFolder = "..\\" + win32::Narrow(videos.path().filename().wstring()) + "\\clip.avi";
    for (const std::string& other : {std::string("Clip.AVI"), std::string(".\\clip.avi"), sameFolder}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(platform.FullPath(other), clip);
    }
    EXPECT_NE(platform.FullPath("clip.flv"), clip);
}

}  // namespace
}  // namespace talvenor::testing
