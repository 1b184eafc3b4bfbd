// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "win32_api.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "form1.h"
#include "recording_platform.h"
#include "win32_pictures.h"
#include "win32_platform.h"
#include "win32_test_support.h"
#include "window_fixture.h"
#include "win32_text.h"
#include "win32_window.h"

namespace talvenor::testing {
namespace {

namespace fs = std::filesystem;
using win32::Narrow;
using win32::Widen;

// A drop of `paths` as Explorer hands it over: a DROPFILES block followed by the wide names.
HDROP DropOf(const std::vector<std::wstring>& paths) {
    std::wstring names;
    for (const std::wstring& path : paths) names += path + L'\0';
    names += L'\0';
    const std::size_t size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(),
                names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

class FileWindowTest : public RealWindowTest {
protected:
    std::string TextOf(ControlId id) const { return Narrow(WindowText(Of(id))); }
    int ShowOpens() const {
        return static_cast<int>(std::count(log.begin(), log.end(), "Cmd1.ShowOpen"));
    }
    // A key as the message loop meets it, with Alt held or not.
    bool Key(ControlId target, UINT message, WPARAM key, bool alt = false) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_MENU] = alt ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG msg{Of(target), message, key, 0, 0, {}};
        const bool handled = window.PreTranslateMessage(msg);
        keys[VK_MENU] = 0;
        SetKeyboardState(keys);
        return handled;
    }
};

TEST_F(FileWindowTest, ADropChoosesTheFirstFileUnderThePresetThatReadsIt) {
    struct Case {
        std::vector<std::wstring> paths;
        std::string shown, choix, folder;
        std::size_t messages;
    };
    const std::vector<Case> cases = {
        {{L"C:\\Vidéos\\mon clip.flv"}, "mon clip", "Vidéo  FLV vers AVI", "C:\\Vidéos", 0},
        {{L"D:\\DCIM\\MVI_0042.AVI"}, "MVI_0042", "Vidéo  AVI vers FLV", "D:\\DCIM", 0},
        {{L"C:\\a\\un.avi", L"C:\\b\\deux.flv"}, "un", "Vidéo  AVI vers FLV", "C:\\a", 1},
        {{L"C:\\a\\notes.txt"}, std::string(kFilePrompt), "Vidéo  FLV vers AVI", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.paths.front()));
        SendMessageW(window.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(c.paths)), 0);
        EXPECT_EQ(TextOf(ControlId::Text1), c.shown);
        EXPECT_EQ(TextOf(ControlId::TxtChoix), c.choix);
        EXPECT_EQ(platform.currentFolder, c.folder);
        EXPECT_EQ(IsWindowEnabled(Of(ControlId::CmdVisu)) != FALSE,
                  c.messages == 0 || c.paths.size() > 1);
        EXPECT_EQ(platform.messages.size(), c.messages);
        // Back to the state of a window just opened.
        SendMessageW(Of(ControlId::List1), LB_SETCURSEL, 0, 0);
        form.List1_Click();
        platform.messages.clear();
        platform.currentFolder.clear();
    }
    // The window takes drops; its controls hand theirs to it.
    EXPECT_NE(GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
    EXPECT_EQ(GetWindowLongPtrW(Of(ControlId::Text1), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
}

TEST_F(FileWindowTest, SpaceEnterF4AndAltDownOnTheFileBoxOpenTheDialog) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM key;
        bool alt;
    };
    const std::vector<Case> cases = {{"Space", WM_KEYDOWN, VK_SPACE, false},
                                     {"Enter", WM_KEYDOWN, VK_RETURN, false},
                                     {"F4", WM_KEYDOWN, VK_F4, false},
                                     {"Alt+Down", WM_SYSKEYDOWN, VK_DOWN, true}};
    int opened = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.answers.push_back("C:\\v\\clip " + std::string(c.name) + ".flv");
        EXPECT_TRUE(Key(ControlId::Text1, c.message, c.key, c.alt));
        EXPECT_EQ(ShowOpens(), ++opened);
        EXPECT_EQ(TextOf(ControlId::Text1), "clip " + std::string(c.name));
        // The preset's box is no file box.
        Key(ControlId::TxtChoix, c.message, c.key, c.alt);
        EXPECT_EQ(ShowOpens(), opened);
    }
    // Other keys on the file box open nothing.
    for (WPARAM other : {WPARAM{'A'}, WPARAM{VK_DOWN}, WPARAM{VK_F5}})
        Key(ControlId::Text1, WM_KEYDOWN, other);
    EXPECT_EQ(ShowOpens(), opened);
}

TEST_F(FileWindowTest, EnterAndSpacePressAFocusedButton) {
    form.OpenFiles({{"C:\\v\\clip.flv"}});
    ASSERT_TRUE(IsWindowEnabled(Of(ControlId::CmdVisu)));
    SetFocus(Of(ControlId::CmdVisu));
    EXPECT_TRUE(Key(ControlId::CmdVisu, WM_KEYDOWN, VK_RETURN));
    ASSERT_EQ(platform.launched.size(), 1u);
    EXPECT_EQ(platform.launched.back().arguments, std::vector<std::string>{"clip.flv"});

    SetFocus(Of(ControlId::CmdLancer));
    SendMessageW(Of(ControlId::CmdLancer), WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(Of(ControlId::CmdLancer), WM_KEYUP, VK_SPACE, 0xC0000001);
    ASSERT_EQ(platform.launched.size(), 2u);
    EXPECT_EQ(platform.launched.back().output, "clip.avi");
}

TEST_F(FileWindowTest, PictureButtonsCarryTheNameAScreenReaderReads) {
    const std::vector<std::pair<ControlId, std::string>> names = {
        {ControlId::CmdHP, "Volume"},
        {ControlId::CmdListOpen, "Ouvrir la liste des conversions"},
        {ControlId::CmdMinimise, "Barre de tâches"},
        {ControlId::CmdQuit, "Quitter"}};
    for (const auto& [id, name] : names) EXPECT_EQ(TextOf(id), name);
}

TEST(FileServices, WhatAPathNamesAndTheFolderMadeCurrent) {
    TemporaryFolder videos{L"Talvenor fichiers été"};
    std::ofstream(videos.path() / L"clip été.flv") << "flv";
    fs::create_directory(videos.path() / L"dossier.flv");
    win32::Win32Platform platform{GetModuleHandleW(nullptr)};
    const std::vector<std::pair<fs::path, FileState>> cases = {
        {videos.path() / L"clip été.flv", FileState::ReadableFile},
        {videos.path() / L"CLIP ÉTÉ.FLV", FileState::ReadableFile},
        {videos.path() / L"absent.flv", FileState::Missing},
        {videos.path() / L"nulle part" / L"absent.flv", FileState::Missing},
        {videos.path() / L"dossier.flv", FileState::NotAFile},
    };
    for (const auto& [path, state] : cases) {
        SCOPED_TRACE(Narrow(path.wstring()));
        EXPECT_EQ(platform.CheckFile(Narrow(path.wstring())), state);
    }

    const WorkingDirectory start(fs::temp_directory_path());
    EXPECT_TRUE(platform.SetCurrentFolder(Narrow(videos.path().wstring())));
    EXPECT_EQ(fs::current_path(), videos.path());
    EXPECT_FALSE(platform.SetCurrentFolder(Narrow((videos.path() / L"nulle part").wstring())));
    EXPECT_EQ(fs::current_path(), videos.path());
}

}  // namespace
}  // namespace talvenor::testing
