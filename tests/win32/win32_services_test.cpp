// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "player_help.h"
#include "sendkey.h"
#include "win32_dialog.h"
#include "win32_services.h"
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

// Runs `open`, which shows a modal box of this thread; once the box is up, `act` reads it and
// closes it.
class ModalWatcher {
public:
    static void Run(const std::function<void()>& open, const std::function<void(HWND)>& act) {
        current = &act;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, OnTimer);
        open();
        KillTimer(nullptr, timer);
        current = nullptr;
    }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND candidate, LPARAM found) {
                if (ClassOf(candidate) == L"#32770" && IsWindowVisible(candidate)) {
                    *reinterpret_cast<HWND*>(found) = candidate;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&box));
        if (box == nullptr || current == nullptr) return;
        const auto* act = current;
        current = nullptr;
        (*act)(box);
    }
    static inline const std::function<void(HWND)>* current = nullptr;
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

class ServicesTest : public ::testing::Test {
protected:
    win32::Win32Platform platform{GetModuleHandleW(nullptr)};
};

TEST_F(ServicesTest, TheHelpBoxShowsTheTextUnderTheProgramsNameWithOnlyAnOkButton) {
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

TEST_F(ServicesTest, TheQuestionAnswersOuiOrNonInFrench) {
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

TEST_F(ServicesTest, EnterAtTheQuestionAnswersNon) {
    bool replaced = true;
    ModalWatcher::Run([&] { replaced = platform.AskYesNo("Le fichier « clip.avi » existe déjà. Le remplacer ?"); },
                      [&](HWND box) {
                          // Where the focus is, as a hurried user's Enter.
                          const HWND focus = GetFocus();
                          PostMessageW(focus != nullptr ? focus : box, WM_KEYDOWN, VK_RETURN, 0);
                      });
    EXPECT_FALSE(replaced);
}

TEST(WindowsFilter, BarsBecomeNulsAndTheListEndsWithTwo) {
    using namespace std::string_literals;
    EXPECT_EQ(win32::WindowsFilter(L"Video|*.flv;"), L"Video\0*.flv;\0\0"s);
    EXPECT_EQ(win32::WindowsFilter(L"Video|*.avi;|Tout|*.*"), L"Video\0*.avi;\0Tout\0*.*\0\0"s);
    EXPECT_EQ(win32::WindowsFilter(L""), L""s);
}

class OpenDialogTest : public ::testing::Test {
protected:
    TemporaryFolder videos{L"Talvenor dialogue vidéos"};
    TemporaryFolder elsewhere{L"Talvenor ailleurs"};
    win32::Win32OpenFileDialog dialog;

    // Opens the dialog; once it is up, types `name` into its file name box and confirms, or
    // cancels when `name` is empty. Returns the dialog's caption.
    std::wstring ChooseAndConfirm(const std::wstring& name) {
        std::wstring caption;
        dialog.SetFilter("Video|*.flv;");
        dialog.SetDialogTitle("Sélection du fichier vidéo");
        dialog.SetFileName("");
        ModalWatcher::Run([&] { dialog.ShowOpen(); },
                          [&](HWND box) {
                              caption = WindowText(box);
                              if (name.empty()) {
                                  PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
                                  return;
                              }
                              HWND edit = nullptr;
                              EnumChildWindows(
                                  box,
                                  [](HWND child, LPARAM found) {
                                      if (ClassOf(child) == L"Edit" && IsWindowVisible(child)) {
                                          *reinterpret_cast<HWND*>(found) = child;
                                          return FALSE;
                                      }
                                      return TRUE;
                                  },
                                  reinterpret_cast<LPARAM>(&edit));
                              SetWindowTextW(edit, name.c_str());
                              PostMessageW(box, WM_COMMAND, IDOK, 0);
                          });
        return caption;
    }
};

// The chosen file's folder is made current by the program, which can tell the user when it
// cannot be: the dialog itself leaves the working folder where it was.
TEST_F(OpenDialogTest, AChosenFileGivesItsFullPathAndLeavesTheFolderToTheProgram) {
    const fs::path clip = videos.path() / L"clip été.flv";
    std::ofstream(clip) << "flv";
    const WorkingDirectory start(elsewhere.path());

    EXPECT_EQ(ChooseAndConfirm(clip.wstring()), L"Sélection du fichier vidéo");
    EXPECT_EQ(Widen(dialog.FileName()), clip.wstring());
    EXPECT_EQ(fs::current_path(), elsewhere.path());
}

TEST_F(OpenDialogTest, ACancelLeavesTheNameEmptyAndTheFolderAsItWas) {
    const WorkingDirectory start(elsewhere.path());
    ChooseAndConfirm(L"");
    EXPECT_EQ(dialog.FileName(), "");
    EXPECT_EQ(fs::current_path(), elsewhere.path());
}

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
