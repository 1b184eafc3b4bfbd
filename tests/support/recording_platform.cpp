// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording_platform.h"

#include <algorithm>

#include "form_design.h"
#include "presets.h"

namespace talvenor::testing {

namespace {

std::string Hex(std::uint64_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + out;
}

}  // namespace

const char* NameOf(ControlId control) {
    if (control == ControlId::Form1) return "Form1";
    if (control == ControlId::Label7_0) return "Label7(0)";
    if (control == ControlId::Label7_1) return "Label7(1)";
    return DesignOf(control).name.data();
}

ProcessHandle RecordingPlatform::Shell(const CommandLine& command, WindowStyle style) {
    log_.push_back("Shell(" + command.text + ", " + std::to_string(static_cast<int>(style)) + ")");
    if (!shellSucceeds) return 0;
    launched.push_back(command);
    styles.push_back(style);
    running.insert(launched.size());
    return launched.size();
}

bool RecordingPlatform::IsRunning(ProcessHandle process) {
    log_.push_back("IsRunning(" + std::to_string(process) + ")");
    return running.count(process) != 0;
}

std::string RecordingPlatform::AppPath() {
    log_.push_back("AppPath");
    return appPath;
}

void RecordingPlatform::MsgBox(const std::string& prompt) {
    log_.push_back("MsgBox");
    messages.push_back(prompt);
}

bool RecordingPlatform::AskYesNo(const std::string& prompt) {
    log_.push_back("AskYesNo(" + prompt + ")");
    return answerYes;
}

void RecordingPlatform::SendKeys(const std::string& keys_, bool wait) {
    log_.push_back("SendKeys(" + keys_ + ", " + (wait ? "true" : "false") + ")");
    for (const auto& [key, value] : keysAfterSend) keys[key] = value;
}

void RecordingPlatform::DoEvents() { log_.push_back("DoEvents"); }

void RecordingPlatform::End() {
    log_.push_back("End");
    ended = true;
}

bool RecordingPlatform::FileExists(const std::string& name) {
    log_.push_back("FileExists(" + name + ")");
    return std::find(existingFiles.begin(), existingFiles.end(), name) != existingFiles.end();
}

std::string RecordingPlatform::ReadStart(const std::string& name, std::size_t count) {
    log_.push_back("ReadStart(" + name + ")");
    return fileStarts.count(name) ? fileStarts[name].substr(0, count) : std::string();
}

std::string RecordingPlatform::FullPath(const std::string& name) {
    log_.push_back("FullPath(" + name + ")");
    return name.starts_with("/") ? name : currentFolder + "/" + name;
}

std::string RecordingPlatform::PathSeparators() { return separators; }

FileState RecordingPlatform::CheckFile(const std::string& path) {
    log_.push_back("CheckFile(" + path + ")");
    const auto found = fileStates.find(path);
    return found == fileStates.end() ? FileState::ReadableFile : found->second;
}

bool RecordingPlatform::SetCurrentFolder(const std::string& folder) {
    log_.push_back("SetCurrentFolder(" + folder + ")");
    if (std::find(lockedFolders.begin(), lockedFolders.end(), folder) != lockedFolders.end()) return false;
    currentFolder = folder;
    return true;
}

bool RecordingPlatform::CanWriteIn(const std::string& folder) {
    return std::find(readOnlyFolders.begin(), readOnlyFolders.end(), folder) == readOnlyFolders.end();
}

void RecordingPlatform::SetWindowPos(WindowHandle window, std::intptr_t insertAfter, int x, int y,
                                     int width, int height, std::uint32_t flags) {
    log_.push_back("SetWindowPos(" + Hex(window) + ", " + std::to_string(insertAfter) + ", " +
                   std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(width) +
                   ", " + std::to_string(height) + ", " + Hex(flags) + ")");
}

void RecordingPlatform::ReleaseCapture() { log_.push_back("ReleaseCapture"); }

void RecordingPlatform::SendMessage(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wParam, std::intptr_t lParam) {
    log_.push_back("SendMessage(" + Hex(window) + ", " + Hex(message) + ", " + std::to_string(wParam) +
                   ", " + std::to_string(lParam) + ")");
}

WindowHandle RecordingPlatform::GetForegroundWindow() {
    log_.push_back("GetForegroundWindow");
    if (foregroundWindows.empty()) return 0;
    const WindowHandle window = foregroundWindows.front();
    foregroundWindows.pop_front();
    return window;
}

bool RecordingPlatform::SetForegroundWindow(WindowHandle window) {
    log_.push_back("SetForegroundWindow(" + Hex(window) + ")");
    return window != 0;
}

void RecordingPlatform::GetKeyboardState(KeyStateTable& table) {
    log_.push_back("GetKeyboardState");
    table = keys;
}

void RecordingPlatform::SetKeyboardState(const KeyStateTable& table) {
    log_.push_back("SetKeyboardState(20=" + std::to_string(table[0x14]) + ", 144=" +
                   std::to_string(table[0x90]) + ", 145=" + std::to_string(table[0x91]) + ")");
    // The system keeps only the toggle bit of a lock key.
    for (std::size_t key = 0; key < keys.size(); ++key) keys[key] = table[key] & 0x01;
}

void RecordingPlatform::keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode,
                                    std::uint32_t flags, std::uintptr_t extraInfo) {
    log_.push_back("keybd_event(" + std::to_string(virtualKey) + ", " + std::to_string(scanCode) +
                   ", " + std::to_string(flags) + ", " + std::to_string(extraInfo) + ")");
    if ((flags & kKeyEventKeyUp) != 0) keys[virtualKey] = keys[virtualKey] == 0 ? 1 : 0;
}

std::uint32_t RecordingPlatform::PlatformId() {
    log_.push_back("GetVersionEx");
    return platformId;
}

void RecordingPlatform::Notify(const std::string& title, const std::string& text, const std::string& file) {
    log_.push_back("Notify");
    notifications.push_back(title + ": " + text + " [" + file + "]");
}

RecordingControls::RecordingControls(CallLog& log) : log_(log) {
    for (const ControlDesign& design : kControlDesigns) {
        text[design.id] = std::string(design.text);
        enabled[design.id] = design.enabled;
        visible[design.id] = design.visible;
        if (design.backColor) backColor[design.id] = *design.backColor;
    }
}

void RecordingControls::SetText(ControlId control, const std::string& value) {
    log_.push_back(std::string(NameOf(control)) + ".Text=" + value);
    text[control] = value;
}

std::string RecordingControls::Text(ControlId control) { return text[control]; }

void RecordingControls::SetEnabled(ControlId control, bool value) {
    log_.push_back(std::string(NameOf(control)) + ".Enabled=" + (value ? "True" : "False"));
    enabled[control] = value;
}

void RecordingControls::SetVisible(ControlId control, bool value) {
    log_.push_back(std::string(NameOf(control)) + ".Visible=" + (value ? "True" : "False"));
    visible[control] = value;
}

void RecordingControls::SetBackColor(ControlId control, Colour colour) {
    log_.push_back(std::string(NameOf(control)) + ".BackColor=" + Hex(colour));
    backColor[control] = colour;
}

std::int16_t RecordingControls::ListIndex(ControlId) { return listIndex; }

void RecordingControls::SetListIndex(ControlId control, std::int16_t index) {
    log_.push_back(std::string(NameOf(control)) + ".ListIndex=" + std::to_string(index));
    listIndex = index;
}

// The list holds what both backends fill it with: the presets' labels, in their order.
std::string RecordingControls::ListItem(ControlId, int index) {
    if (index < 0 || index >= kPresetCount) return "";
    return std::string(kPresets[static_cast<std::size_t>(index)].label);
}

WindowHandle RecordingControls::hWnd() { return window; }

void RecordingControls::SetWindowState(int state) {
    log_.push_back("Form1.WindowState=" + std::to_string(state));
    windowState = state;
}

void RecordingDialog::SetFilter(const std::string& value) {
    log_.push_back("Cmd1.Filter=" + value);
    filter = value;
}

void RecordingDialog::SetDialogTitle(const std::string& value) {
    log_.push_back("Cmd1.DialogTitle=" + value);
    title = value;
}

void RecordingDialog::SetFileName(const std::string& value) {
    log_.push_back("Cmd1.FileName=" + value);
    fileName = value;
}

void RecordingDialog::ShowOpen() {
    log_.push_back("Cmd1.ShowOpen");
    if (answers.empty()) return;
    if (!answers.front().empty()) fileName = answers.front();
    answers.pop_front();
}

std::string RecordingDialog::FileName() { return fileName; }

}  // namespace talvenor::testing
