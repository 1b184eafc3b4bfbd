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

// What a modal window showed, read while it was open, and how it was closed.
struct Seen {
    std::wstring caption;
    std::vector<std::wstring> buttons;
    std::vector<std::wstring> texts;
    bool icon = false;
};

Seen Read(HWND box) {
    Seen seen;
    seen.caption = WindowText(box);
    EnumChildWindows(
        box,
        [](HWND child, LPARAM into) {
            auto& out = *reinterpret_cast<Seen*>(into);
            if (!IsWindowVisible(child)) return TRUE;
            const std::wstring kind = ClassOf(child);
            const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
            if (kind == L"Button") out.buttons.push_back(WindowText(child));
            if (kind == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
                out.icon = out.icon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
                return TRUE;
            }
            if (kind == L"Static") out.texts.push_back(WindowText(child));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    return seen;
}

class MessageBoxTest : public ::testing::Test {
protected:
    win32::Win32Platform platform{GetModuleHandleW(nullptr)};
};

TEST_F(MessageBoxTest, TheHelpBoxShowsTheTextUnderTheProgramsNameWithOnlyAnOkButton) {
    Seen seen;
    ModalWatcher::Run([&] { platform.MsgBox(std::string(kPlayerHelpText)); },
                      [&](HWND box) {
                          seen = Read(box);
                          PostMessageW(box, WM_COMMAND, IDOK, 0);
                      });
    EXPECT_EQ(seen.caption, L"Talvenor");
    EXPECT_EQ(seen.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_FALSE(seen.icon);
    EXPECT_NE(std::find(seen.texts.begin(), seen.texts.end(), Widen(kPlayerHelpText)), seen.texts.end());
}

TEST_F(MessageBoxTest, TheQuestionAnswersOuiOrNonInFrench) {
    for (const int answer : {IDYES, IDNO}) {
        Seen seen;
        bool replaced = false;
        ModalWatcher::Run([&] { replaced = platform.AskYesNo("Le fichier « clip.avi » existe déjà. Le remplacer ?"); },
                          [&](HWND box) {
                              seen = Read(box);
                              PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
                          });
        EXPECT_EQ(seen.caption, L"Talvenor");
        EXPECT_EQ(seen.buttons, (std::vector<std::wstring>{L"&Oui", L"&Non"}));
        EXPECT_EQ(replaced, answer == IDYES);
    }
}

TEST_F(MessageBoxTest, EnterAtTheQuestionAnswersNon) {
    bool replaced = true;
    ModalWatcher::Run([&] { replaced = platform.AskYesNo("Le fichier « clip.avi » existe déjà. Le remplacer ?"); },
                      [&](HWND box) {
                          // Where the focus is, as a hurried user's Enter.
                          const HWND focus = GetFocus();
                          PostMessageW(focus != nullptr ? focus : box, WM_KEYDOWN, VK_RETURN, 0);
                      });
    EXPECT_FALSE(replaced);
}

}  // namespace
}  // namespace talvenor::testing
