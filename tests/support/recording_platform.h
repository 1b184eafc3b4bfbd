// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "controls.h"
#include "platform.h"

namespace talvenor::testing {

// One log shared by the fakes, so that a test sees every call in the order it happened.
using CallLog = std::vector<std::string>;

// Records every platform call with its arguments. Key states live in `keys`; a lock toggled
// through keybd_event or SetKeyboardState flips there, as on a real system.
class RecordingPlatform : public PlatformServices {
public:
    explicit RecordingPlatform(CallLog& log) : log_(log) {}

    ProcessHandle Shell(const CommandLine& command, WindowStyle style) override;
    bool IsRunning(ProcessHandle process) override;
    std::string AppPath() override;
    void MsgBox(const std::string& prompt) override;
    bool AskYesNo(const std::string& prompt) override;
    void SendKeys(const std::string& keys, bool wait) override;
    void DoEvents() override;
    void End() override;
    bool FileExists(const std::string& name) override;
    std::string ReadStart(const std::string& name, std::size_t count) override;
    std::string FullPath(const std::string& name) override;
    std::string PathSeparators() override;
    ToolAdvice MissingToolAdvice() override { return toolAdvice; }
    FileState CheckFile(const std::string& path) override;
    bool SetCurrentFolder(const std::string& folder) override;
    bool CanWriteIn(const std::string& folder) override;
    std::string VideosFolder() override { return videosFolder; }
    void SetWindowPos(WindowHandle window, std::intptr_t insertAfter, int x, int y, int width,
                      int height, std::uint32_t flags) override;
    void ReleaseCapture() override;
    void SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) override;
    WindowHandle GetForegroundWindow() override;
    bool SetForegroundWindow(WindowHandle window) override;
    void GetKeyboardState(KeyStateTable& table) override;
    void SetKeyboardState(const KeyStateTable& table) override;
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override;
    std::uint32_t PlatformId() override;
    void OnConversionEnded(ConversionEndedHandler handler) override { conversionEnded = std::move(handler); }
    void Notify(const std::string& title, const std::string& text, const std::string& file) override;

    // What the fake answers.
    std::string appPath = "/opt/talvenor";
    std::string separators = "/";
    ToolAdvice toolAdvice = ToolAdvice::InstallOnSystem;
    bool shellSucceeds = true;
    bool answerYes = true;
    std::vector<std::string> existingFiles;
    // Folders that cannot take a new file, and the user's videos folder ("" for none).
    std::vector<std::string> readOnlyFolders;
    std::string videosFolder = "/home/u/Vidéos";
    std::map<std::string, FileState> fileStates;  // any other path is a readable file
    std::map<std::string, std::string> fileStarts;  // what ReadStart gives; empty for others
    std::vector<std::string> lockedFolders;       // folders that cannot be made current
    std::deque<WindowHandle> foregroundWindows;  // answered in turn, then 0
    std::uint32_t platformId = kPlatformWin32Nt;
    KeyStateTable keys{};
    // Key bytes that the send changes, as a key sender that disturbs the locks would.
    std::map<std::uint8_t, std::uint8_t> keysAfterSend;

    // What the program did. The n-th process started is n; it runs until taken out of `running`.
    std::vector<CommandLine> launched;
    std::set<ProcessHandle> running;
    std::vector<WindowStyle> styles;
    std::vector<std::string> messages;
    std::vector<std::string> notifications;  // "title: text"
    bool ended = false;
    ConversionEndedHandler conversionEnded;  // what the form asked to be told
    std::string currentFolder;

private:
    CallLog& log_;
};

class RecordingControls : public FormControls {
public:
    explicit RecordingControls(CallLog& log);

    void SetText(ControlId control, const std::string& text) override;
    std::string Text(ControlId control) override;
    void SetEnabled(ControlId control, bool enabled) override;
    void SetVisible(ControlId control, bool visible) override;
    void SetBackColor(ControlId control, Colour colour) override;
    std::int16_t ListIndex(ControlId list) override;
    void SetListIndex(ControlId list, std::int16_t index) override;
    std::string ListItem(ControlId list, int index) override;
    WindowHandle hWnd() override;
    void SetWindowState(int state) override;

    // The controls' properties, starting as the stored design has them.
    std::map<ControlId, std::string> text;
    std::map<ControlId, bool> enabled;
    std::map<ControlId, bool> visible;
    std::map<ControlId, Colour> backColor;
    std::int16_t listIndex = -1;
    WindowHandle window = 0x2A0001;
    int windowState = 0;

private:
    CallLog& log_;
};

// Answers each ShowOpen with the next path in `answers`; an empty one is a cancel, which leaves
// the file name as it was set.
class RecordingDialog : public OpenFileDialog {
public:
    explicit RecordingDialog(CallLog& log) : log_(log) {}

    void SetFilter(const std::string& filter) override;
    void SetDialogTitle(const std::string& title) override;
    void SetFileName(const std::string& fileName) override;
    void ShowOpen() override;
    std::string FileName() override;

    std::deque<std::string> answers;
    std::string filter;
    std::string title;
    std::string fileName;

private:
    CallLog& log_;
};

const char* NameOf(ControlId control);

}  // namespace talvenor::testing
