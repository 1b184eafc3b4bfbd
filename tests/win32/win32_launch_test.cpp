// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "presets.h"
#include "win32_platform.h"
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
    // Conversions show in the console of the real program, built beside the tests.
    void SetUp() override { platform.SetConsoleProgram((TestProgramFolder() / L"Talvenor.exe").wstring()); }

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
        int show;  // -1: the tool is not told; a conversion's console is what shows
        bool exactText;  // names that need no quotes: the line is the composed text itself
    };
    const Case cases[] = {
        {ConversionCommand(kPresets[2], ToolDir(), "clip"), WindowStyle::NormalFocus, -1, false},
        {ConversionCommand(kPresets[1], ToolDir(), "mon clip & co ^ 100%"), WindowStyle::NormalFocus, -1, false},
        {ConversionCommand(kPresets[3], ToolDir(), "été \"à\" Noël"), WindowStyle::NormalFocus, -1, false},
        {ConversionCommand(kPresets[0], ToolDir(), "-dash"), WindowStyle::NormalFocus, -1, false},
        {ConversionCommand(kPresets[0], ToolDir(), "Видео 日本 \\\"x\\"), WindowStyle::NormalFocus, -1, false},
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

TEST_F(ShellTest, TheToolComesFromTalvenorsFolderThenThePathAndNeverFromTheVideosFolder) {
    TemporaryFolder onPath{L"Talvenor chemin"};
    const auto put = [](const fs::path& where) { fs::copy_file(TestProgramFolder() / L"argv_echo.exe", where); };
    // A stray player in the video's folder, the current one, as a download might leave it.
    put(videos.path() / L"ffplay.exe");
    const WorkingDirectory inVideos(videos.path());
    struct Case {
        const char* what;
        std::wstring path;         // the PATH while the player is started
        const wchar_t* besideTalvenor;  // the player in Talvenor's folder, under this name
        fs::path started;          // empty: nothing may start
    };
    const Case cases[] = {
        {"beside Talvenor, without extension", onPath.path().wstring(), L"ffplay", tools.path() / L"ffplay"},
        {"beside Talvenor", onPath.path().wstring(), L"ffplay.exe", tools.path() / L"ffplay.exe"},
        {"on the PATH", L".;;" + onPath.path().wstring(), nullptr, onPath.path() / L"ffplay.exe"},
        {"the current folder by name, or relatively", L".;..\\" + videos.path().filename().wstring() + L";", nullptr,
         {}},
    };
    put(onPath.path() / L"ffplay.exe");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The last case's player may still be ending after its report, its file still in use.
        ASSERT_TRUE(PumpUntil([&] {
            std::error_code busy;
            for (const auto& entry : fs::directory_iterator(tools.path())) fs::remove(entry.path(), busy);
            return fs::is_empty(tools.path());
        }));
        if (c.besideTalvenor != nullptr) InstallTool(c.besideTalvenor);
        fs::remove(videos.path() / L"argv_echo.txt");
        const EnvironmentVariable path(L"PATH", c.path);
        const bool started = platform.Shell(PlayerCommand(ToolDir(), "clip", ".flv"), WindowStyle::MinimisedFocus);
        ASSERT_EQ(started, !c.started.empty());
        if (!started) continue;
        Received received;
        ASSERT_TRUE(WaitForReport(videos.path(), received));
        EXPECT_TRUE(received.commandLine.starts_with("\"" + win32::Narrow(c.started.wstring()) + "\" "))
            << received.commandLine;
        EXPECT_EQ(received.arguments, std::vector<std::string>{"clip.flv"});
    }
}

TEST_F(ShellTest, TheMixerComesFromTheSystemFolderOnlyAndShowsAtOnce) {
    wchar_t system[MAX_PATH];
    const fs::path systemFolder(std::wstring(system, GetSystemDirectoryW(system, MAX_PATH)));
    for (const wchar_t* mixer : {L"sndvol32.exe", L"sndvol.exe"}) {
        if (fs::exists(systemFolder / mixer)) GTEST_SKIP() << "this system has its own mixer";
    }
    // Mixers on the PATH and in the current folder are not the system's.
    InstallTool(L"sndvol32.exe");
    InstallTool(L"sndvol.exe");
    fs::copy_file(TestProgramFolder() / L"argv_echo.exe", videos.path() / L"sndvol.exe");
    const EnvironmentVariable path(L"PATH", tools.path().wstring());
    const WorkingDirectory inVideos(videos.path());
    EXPECT_FALSE(platform.Shell(MixerCommand(), WindowStyle::MinimisedFocus));

    // The later name, as a system of today has it; it opens shown, as the volume popup it stands for.
    const fs::path mixer = systemFolder / L"sndvol.exe";
    fs::copy_file(TestProgramFolder() / L"argv_echo.exe", mixer);
    struct Removed {
        fs::path file;
        // Not while the stand-in still runs from it: a mixer left in the system folder would
        // answer every later test's click on the loudspeaker.
        ~Removed() {
            std::error_code failed;
            for (int tries = 0; !fs::remove(file, failed) && failed && tries < 100; ++tries) Sleep(50);
        }
    } removed{mixer};
    fs::remove(videos.path() / L"argv_echo.txt");
    ASSERT_TRUE(platform.Shell(MixerCommand(), WindowStyle::MinimisedFocus));
    Received received;
    ASSERT_TRUE(WaitForReport(videos.path(), received));
    EXPECT_NE(received.commandLine.find(win32::Narrow(mixer.wstring())), std::string::npos) << received.commandLine;
    EXPECT_EQ(received.arguments, std::vector<std::string>{"/t"});
    EXPECT_EQ(received.show, SW_SHOWNORMAL);
}

TEST_F(ShellTest, AMissingToolIsReportedAsAFailure) {
    EXPECT_FALSE(platform.Shell(ConversionCommand(kPresets[0], ToolDir(), "clip"), WindowStyle::NormalFocus));
    const CommandLine absent{"talvenor-absent-tool /x", "", "talvenor-absent-tool", {"/x"}, "absent"};
    EXPECT_FALSE(platform.Shell(absent, WindowStyle::MinimisedFocus));
}

TEST_F(ShellTest, AStartedConversionIsFollowedUntilItEnds) {
    // The stand-in runs until its window is closed; the conversion's console ends with it.
    fs::copy_file(TestProgramFolder() / L"fake_player.exe", tools.path() / L"ffmpeg.exe");
    const WorkingDirectory inVideos(videos.path());
    const ProcessHandle conversion =
        platform.Shell(ConversionCommand(kPresets[0], ToolDir(), "clip"), WindowStyle::NormalFocus);
    ASSERT_NE(conversion, 0u);
    EXPECT_TRUE(platform.IsRunning(conversion));
    HWND window = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (window = FindWindowW(L"TalvenorFakePlayer", nullptr)) != nullptr; }));
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
