#include "form1.h"

#include <iterator>

#include "player_help.h"
#include "presets.h"
#include "sendkey.h"

namespace talvenor {

Form1::Form1(FormControls& controls, OpenFileDialog& dialog, PlatformServices& platform)
    : controls_(controls), Cmd1(dialog), platform_(platform) {}

void Form1::Raise(ControlId control, EventKind event, const MouseEvent& mouse) {
    if (!IsConnected(control, event)) return;
    switch (control) {
        case ControlId::Form1:
            if (event == EventKind::Load) return Form_Load();
            return Form_MouseDown(mouse.button, mouse.shift, mouse.x, mouse.y);
        case ControlId::Label1: return Label1_MouseDown(mouse.button, mouse.shift, mouse.x, mouse.y);
        case ControlId::Label3: return Label3_MouseDown(mouse.button, mouse.shift, mouse.x, mouse.y);
        case ControlId::Label2: return Label2_Click();
        case ControlId::CmdMinimise: return CmdMinimise_Click();
        case ControlId::CmdHP: return CmdHP_Click();
        case ControlId::CmdListOpen: return CmdListOpen_Click();
        case ControlId::List1: return List1_Click();
        case ControlId::Text1: return Text1_Click();
        case ControlId::CmdLancer: return CmdLancer_Click();
        case ControlId::CmdVisu: return CmdVisu_Click();
        case ControlId::CmdStop: return CmdStop_Click();
        case ControlId::CmdQuit: return CmdQuit_Click();
        case ControlId::Command1: return Command1_Click();
        default: return;
    }
}

void Form1::Form_Load() {
    controls_.SetEnabled(ControlId::CmdLancer, false);
    // Selecting an item raises the list's click, as a user's choice would.
    controls_.SetListIndex(ControlId::List1, 0);
    List1_Click();
    controls_.SetText(ControlId::TxtChoix,
                      controls_.ListItem(ControlId::List1, controls_.ListIndex(ControlId::List1)));
    ListToggleCount = 0;
}

void Form1::List1_Click() {
    controls_.SetVisible(ControlId::List1, false);
    controls_.SetText(ControlId::TxtChoix,
                      controls_.ListItem(ControlId::List1, controls_.ListIndex(ControlId::List1)));
    controls_.SetEnabled(ControlId::CmdLancer, false);
    controls_.SetEnabled(ControlId::CmdVisu, false);
    controls_.SetEnabled(ControlId::CmdStop, false);
    controls_.SetBackColor(ControlId::Text1, kPromptColour);
    controls_.SetText(ControlId::Text1, std::string(kFilePrompt));
    ListToggleCount = 0;
}

void Form1::CmdListOpen_Click() {
    ListToggleCount = static_cast<std::int16_t>(ListToggleCount + 1);
    if (ListToggleCount == 1) controls_.SetVisible(ControlId::List1, true);
    if (ListToggleCount == 2) {
        controls_.SetVisible(ControlId::List1, false);
        ListToggleCount = 0;
    }
}

void Form1::Text1_Click() {
    if (const ConversionPreset* preset = PresetAt(controls_.ListIndex(ControlId::List1))) {
        Cmd1.SetFilter(std::string(preset->filter));
        CanView = true;
        SourceExt = std::string(preset->sourceExt);
    }
    Cmd1.SetDialogTitle(kDialogTitle);
    // Left empty so that a cancelled dialog shows as an empty name.
    Cmd1.SetFileName("");
    Cmd1.ShowOpen();
    const std::string path = Cmd1.FileName();
    if (path.empty()) return;

    BaseName = BaseNameOf(path, platform_.PathSeparators());
    controls_.SetText(ControlId::Text1, BaseName);
    controls_.SetBackColor(ControlId::Text1, kChosenColour);
    controls_.SetEnabled(ControlId::CmdLancer, true);
    controls_.SetEnabled(ControlId::CmdVisu, CanView);
    controls_.SetEnabled(ControlId::CmdStop, CanView);
}

void Form1::CmdLancer_Click() {
    const ConversionPreset* preset = PresetAt(controls_.ListIndex(ControlId::List1));
    if (preset == nullptr) return;
    const std::string toolDir = platform_.AppPath();
    const std::string baseName = controls_.Text(ControlId::Text1);
    const CommandLine command = ConversionCommand(*preset, toolDir, baseName);
    const std::string output = ConversionOutput(*preset, baseName);
    // A second click, or another preset with the same output, must not start a second writer
    // of a file that is still being written.
    const std::string fullPath = platform_.FullPath(output);
    if (ConversionRunning(fullPath)) {
        platform_.MsgBox(ConversionBusyMessage(output));
        return;
    }
    // The tool replaces its output without asking (-y): the user is asked here instead.
    if (platform_.FileExists(output) && !platform_.AskYesNo(ReplaceQuestion(output))) return;
    if (const ProcessHandle process = Launch(command, WindowStyle::NormalFocus)) conversions_[fullPath] = process;
}

bool Form1::ConversionRunning(const std::string& fullPath) {
    // Ended conversions are forgotten as they are found.
    for (auto it = conversions_.begin(); it != conversions_.end();) {
        it = platform_.IsRunning(it->second) ? std::next(it) : conversions_.erase(it);
    }
    return conversions_.count(fullPath) != 0;
}

void Form1::CmdVisu_Click() {
    const CommandLine command =
        PlayerCommand(platform_.AppPath(), controls_.Text(ControlId::Text1), SourceExt);
    if (!Launch(command, WindowStyle::MinimisedFocus)) return;
    PlayerHwnd = platform_.GetForegroundWindow();
}

void Form1::CmdStop_Click() {
    SendKeysKeepLocks(platform_, std::string(kPlayerQuitKey), SendWait);
    platform_.SetForegroundWindow(PlayerHwnd);
}

void Form1::CmdQuit_Click() {
    SendKeysKeepLocks(platform_, std::string(kPlayerQuitKey), false);
    platform_.SetForegroundWindow(PlayerHwnd);
    platform_.DoEvents();
    platform_.End();
}

void Form1::Command1_Click() { platform_.MsgBox(std::string(kPlayerHelpText)); }

void Form1::Form_MouseDown(std::int16_t button, std::int16_t, float, float) { WindowDrag(button); }
void Form1::Label1_MouseDown(std::int16_t button, std::int16_t, float, float) { WindowDrag(button); }
void Form1::Label3_MouseDown(std::int16_t button, std::int16_t, float, float) { WindowDrag(button); }

void Form1::WindowDrag(std::int16_t button) {
    if (button != kLeftButton) return;
    const WindowHandle window = controls_.hWnd();
    platform_.SetWindowPos(window, kHwndTopmost, 0, 0, 0, 0,
                           kSwpNoSize | kSwpNoMove | kSwpNoActivate | kSwpShowWindow);
    platform_.ReleaseCapture();
    platform_.SendMessage(window, kWmNcLButtonDown, kHtCaption, 0);
}

void Form1::CmdMinimise_Click() { controls_.SetWindowState(kMinimised); }

void Form1::CmdHP_Click() { Launch(MixerCommand(), WindowStyle::MinimisedFocus); }

void Form1::Label2_Click() { Launch(WebSiteCommand(), WindowStyle::MinimisedFocus); }

ProcessHandle Form1::Launch(const CommandLine& command, WindowStyle style) {
    if (const ProcessHandle process = platform_.Shell(command, style)) return process;
    platform_.MsgBox(LaunchFailureMessage(command));
    return 0;
}

std::string LaunchFailureMessage(const CommandLine& command) {
    if (command.program == "ffmpeg" || command.program == "ffplay") {
        return "Impossible de lancer « " + command.program + " ».\n\nPlacez " + command.program +
               " dans le dossier de Talvenor (" + command.toolDir +
               ") ou installez-le sur le système.";
    }
    return "Impossible d'ouvrir " + command.description + " : aucun programme adapté n'a été trouvé.";
}

std::string ReplaceQuestion(const std::string& outputName) {
    return "Le fichier « " + outputName + " » existe déjà. Le remplacer ?";
}

std::string ConversionBusyMessage(const std::string& outputName) {
    return "La conversion vers « " + outputName + " » est déjà en cours.";
}

}  // namespace talvenor
