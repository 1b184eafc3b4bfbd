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

}  // namespace
}  // namespace talvenor::testing
