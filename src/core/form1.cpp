// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include "console_words.h"
#include "flv_rate.h"
#include "player_help.h"
#include "presets.h"
#include "sendkey.h"

namespace talvenor {

namespace {

constexpr char32_t kNoCharacter = 0xFFFFFFFF;

// The character of UTF-8 `text` at `i`, moving `i` past it. A byte that begins no character
// (Latin-1, a sequence cut short, one longer than needed, a surrogate, past U+10FFFF) is taken
// alone, as kNoCharacter.
char32_t NextCharacter(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    const std::size_t length = lead > 0xF4 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    char32_t c = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= text.size() || (byte(i + k) & 0xC0) != 0x80) c = kNoCharacter;
        if (c != kNoCharacter) c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (length == 0 || c == kNoCharacter || c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return kNoCharacter;
    }
    i += length;
    return c;
}

// `text` with each byte that begins no character replaced by U+FFFD, as a display shows it.
std::string WellFormed(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        if (NextCharacter(text, i) == kNoCharacter) out += "\uFFFD";
        else out.append(text, at, i - at);
    }
    return out;
}

// Right-to-left letters and digits (unassigned ones in their blocks included) and the controls of
// direction: what can reorder the text around a name.
bool TurnsText(char32_t c) {
    return (c >= 0x0590 && c <= 0x08FF) || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFE) ||
           (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF);
}

// No isolate reaches past the end of a paragraph.
bool EndsParagraph(char32_t c) {
    return c == 0x0A || c == 0x0D || (c >= 0x1C && c <= 0x1E) || c == 0x85 || c == 0x2029;
}

}  // namespace

std::string Isolated(const std::string& text) {
    // What is not UTF-8 is shown as U+FFFD: read as anything else, it could close an isolate.
    const std::string name = WellFormed(text);
    bool turns = false;
    for (std::size_t i = 0; i < name.size() && !turns;) turns = TurnsText(NextCharacter(name, i));
    if (!turns) return name;
    std::string shown;
    std::size_t lineStart = 0;
    int open = 0;   // isolates the line starts and leaves open
    int stray = 0;  // ends of isolates that the line has not started
    const auto isolateLine = [&](std::size_t end) {
        if (end == lineStart) return;
        for (int n = 0; n <= stray; ++n) shown += "\u2068";
        shown.append(name, lineStart, end - lineStart);
        for (int n = 0; n <= open; ++n) shown += "\u2069";
    };
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t at = i;
        const char32_t c = NextCharacter(name, i);
        if (c >= 0x2066 && c <= 0x2068) ++open;
        if (c == 0x2069 && open > 0) --open;
        else if (c == 0x2069) ++stray;
        if (!EndsParagraph(c)) continue;
        isolateLine(at);
        shown.append(name, at, i - at);
        lineStart = i;
        open = stray = 0;
    }
    isolateLine(name.size());
    return shown;
}

Form1::Form1(FormControls& controls, OpenFileDialog& dialog, PlatformServices& platform)
    : controls_(controls), Cmd1(dialog), platform_(platform) {
    platform_.OnConversionEnded(
        [this](ProcessHandle process, int exitCode, double seconds) { ConversionEnded(process, exitCode, seconds); });
}

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
    ChooseFile(path);
}

bool Form1::ChooseFile(const std::string& path) {
    if (!EnterFolderOf(path)) return false;
    ShowChosen(path);
    return true;
}

bool Form1::EnterFolderOf(const std::string& path) {
    // The tools are given bare names: they find the file in the working directory.
    const std::string folder = FolderOf(path, platform_.PathSeparators());
    if (platform_.SetCurrentFolder(folder)) {
        folder_ = folder;
        return true;
    }
    platform_.MsgBox(FolderFailureMessage(folder));
    return false;
}

void Form1::ShowChosen(const std::string& path) {
    const std::string separators = platform_.PathSeparators();
    if (const ConversionPreset* preset = PresetAt(controls_.ListIndex(ControlId::List1))) {
        CanView = true;
        SourceExt = std::string(preset->sourceExt);
    }
    ChosenName = FileNameOf(path, separators);
    BaseName = BaseNameOf(path, separators);
    controls_.SetText(ControlId::Text1, BaseName);
    controls_.SetBackColor(ControlId::Text1, kChosenColour);
    controls_.SetEnabled(ControlId::CmdLancer, true);
    controls_.SetEnabled(ControlId::CmdVisu, CanView);
    controls_.SetEnabled(ControlId::CmdStop, CanView);
}

void Form1::OpenFiles(const std::vector<OfferedFile>& files) {
    if (files.empty()) return;
    const OfferedFile& file = files.front();
    std::vector<std::string> told;
    if (files.size() > 1) told.push_back(SeveralFilesNotice(file.path));
    std::int16_t row = -1;
    if (!file.local) {
        told.push_back(RemoteRefusal(file.path));
    } else if (const FileState state = platform_.CheckFile(file.path);
               state != FileState::ReadableFile) {
        told.push_back(FileRefusal(file.path, state));
    } else if (row = PresetRowFor(file.path); row < 0) {
        told.push_back(UnsupportedTypeRefusal(file.path));
    }
    if (!told.empty()) {
        std::string text = told.front();
        for (std::size_t i = 1; i < told.size(); ++i) text += "\n\n" + told[i];
        platform_.MsgBox(text);
    }
    // Nothing changes, the preset included, unless the file's folder can be entered.
    if (row < 0 || !EnterFolderOf(file.path)) return;
    if (row != controls_.ListIndex(ControlId::List1)) {
        // As a choice in the list: the list closes and shows the new preset.
        controls_.SetListIndex(ControlId::List1, row);
        List1_Click();
    }
    ShowChosen(file.path);
}

std::int16_t Form1::PresetRowFor(const std::string& path) {
    const std::string name = FileNameOf(path, platform_.PathSeparators());
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return -1;
    const std::string_view ext = std::string_view(name).substr(dot);
    const std::int16_t current = controls_.ListIndex(ControlId::List1);
    const ConversionPreset* preset = PresetAt(current);
    if (preset != nullptr && SameIgnoringCase(preset->sourceExt, ext)) return current;
    for (int row = 0; row < kPresetCount; ++row) {
        if (SameIgnoringCase(kPresets[row].sourceExt, ext)) return static_cast<std::int16_t>(row);
    }
    return -1;
}

std::string Form1::SourceFileName(const std::string& baseName, std::string_view sourceExt) {
    std::string name = baseName;
    name.append(sourceExt);
    // Only a name that differs from the chosen one in case alone, and only when the system
    // finds no file by the preset's spelling (Windows finds it whatever the case).
    if (name == ChosenName || !SameIgnoringCase(name, ChosenName)) return name;
    return platform_.FileExists(name) ? name : ChosenName;
}

void Form1::CmdLancer_Click() {
    const ConversionPreset* preset = PresetAt(controls_.ListIndex(ControlId::List1));
    if (preset == nullptr) return;
    const std::string toolDir = platform_.AppPath();
    const std::string baseName = controls_.Text(ControlId::Text1);
    const std::string outputName = ConversionOutput(*preset, baseName);
    // The output goes beside its source, unless that folder cannot take it (a CD-ROM, a locked
    // card, someone else's folder): then, if the user agrees, into the user's videos folder.
    std::string outputFolder;
    std::string shownFolder = folder_;
    if (!platform_.CanWriteIn(folder_)) {
        const std::string videos = platform_.VideosFolder();
        if (videos.empty()) {
            platform_.MsgBox(UnwritableFolderMessage(folder_));
            return;
        }
        if (!platform_.AskYesNo(OtherFolderQuestion(folder_, outputName, videos))) return;
        outputFolder = videos + platform_.PathSeparators().substr(0, 1);
        shownFolder = videos;
    }
    const std::string output = outputFolder + outputName;
    // A second click, or another preset with the same output, must not start a second writer
    // of a file that is still being written.
    const std::string fullPath = platform_.FullPath(output);
    if (ConversionRunning(fullPath)) {
        platform_.MsgBox(ConversionBusyMessage(output));
        return;
    }
    // The tool replaces its output without asking (-y): the user is asked here instead.
    if (platform_.FileExists(output) && !platform_.AskYesNo(ReplaceQuestion(output))) return;
    const std::string sourceName = SourceFileName(baseName, preset->sourceExt);
    // Only a line that depends on the source costs a read of its start.
    const std::string sourceStart =
        preset->middleAtOwnRate.empty() ? std::string() : platform_.ReadStart(sourceName, kFlvStartBytes);
    const CommandLine command =
        ConversionCommand(*preset, toolDir, baseName, sourceName, sourceStart, outputFolder);
    if (const ProcessHandle process = Launch(command, WindowStyle::NormalFocus)) {
        conversions_[fullPath] = {process, outputName, shownFolder};
    }
}

bool Form1::ConversionRunning(const std::string& fullPath) {
    // An ended one stays known until its end is reported, so that the report still finds it.
    const auto found = conversions_.find(fullPath);
    return found != conversions_.end() && platform_.IsRunning(found->second.process);
}

void Form1::ConversionEnded(ProcessHandle process, int exitCode, double seconds) {
    // A short conversion is seen ending; a failed one says so in its own window.
    constexpr double kNoticeableSeconds = 10;
    for (auto it = conversions_.begin(); it != conversions_.end(); ++it) {
        if (it->second.process != process) continue;
        if (exitCode == 0 && seconds > kNoticeableSeconds) {
            platform_.Notify(std::string(kConversionDone),
                             ConversionDoneText(it->second.output, it->second.folder), it->first);
        }
        conversions_.erase(it);
        return;
    }
}

void Form1::CmdVisu_Click() {
    const std::string baseName = controls_.Text(ControlId::Text1);
    const CommandLine command = PlayerCommand(platform_.AppPath(), baseName, SourceExt,
                                              SourceFileName(baseName, SourceExt));
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
    platform_.MsgBox(LaunchFailureMessage(command, platform_.MissingToolAdvice()));
    return 0;
}

std::string LaunchFailureMessage(const CommandLine& command, ToolAdvice advice) {
    const std::string& tool = command.program;
    if (tool != "ffmpeg" && tool != "ffplay") {
        return "Impossible d'ouvrir " + command.description +
               " : aucun programme adapté n'a été trouvé.";
    }
    const std::string failed = "Impossible de lancer « " + tool + " ».\n\nPlacez " + tool;
    if (advice == ToolAdvice::Winget) {
        // The package brings ffplay too.
        return failed + ".exe dans le dossier de Talvenor (" + Isolated(command.toolDir) +
               ") ou installez-le, par exemple avec la commande : winget install Gyan.FFmpeg";
    }
    return failed + " dans le dossier de Talvenor (" + Isolated(command.toolDir) +
           ") ou installez-le sur le système.";
}

std::string ReplaceQuestion(const std::string& outputName) {
    return "Le fichier « " + Isolated(outputName) + " » existe déjà. Le remplacer ?";
}

std::string FileRefusal(const std::string& path, FileState state) {
    switch (state) {
        case FileState::Missing: return "Le fichier « " + Isolated(path) + " » n'existe pas.";
        case FileState::NotAFile:
            return "« " + Isolated(path) + " » n'est pas un fichier : Talvenor ouvre un fichier vidéo.";
        case FileState::Unreadable:
            return "Le fichier « " + Isolated(path) +
                   " » ne peut pas être lu : vous n'avez pas le droit de le lire.";
        case FileState::ReadableFile: break;
    }
    return {};
}

std::string RemoteRefusal(const std::string& address) {
    return "« " + Isolated(address) +
           " » n'est pas un fichier de cet ordinateur : Talvenor n'ouvre que des fichiers locaux.";
}

std::string UnsupportedTypeRefusal(const std::string& path) {
    return "Talvenor convertit les fichiers " + SourceTypesText() + " : « " + Isolated(path) +
           " » n'en est pas un.";
}

std::string SeveralFilesNotice(const std::string& chosen) {
    return "Talvenor ouvre un seul fichier à la fois : seul le premier, « " + Isolated(chosen) +
           " », est pris.";
}

std::string FolderFailureMessage(const std::string& folder) {
    return "Impossible de se placer dans le dossier « " + Isolated(folder) +
           " » : le fichier n'est pas choisi.";
}

namespace {
constexpr std::string_view kCannotTakeFile =
    " » ne peut pas recevoir le fichier converti : il est en lecture seule, ou vous n'avez pas le droit d'y écrire.";
}  // namespace

std::string OtherFolderQuestion(const std::string& folder, const std::string& outputName, const std::string& videos) {
    return "Le dossier « " + Isolated(folder) + std::string(kCannotTakeFile) + "\n\nEnregistrer « " +
           Isolated(outputName) + " » dans votre dossier de vidéos, « " + Isolated(videos) + " », à la place ?";
}

std::string UnwritableFolderMessage(const std::string& folder) {
    return "Le dossier « " + Isolated(folder) + std::string(kCannotTakeFile) +
           "\n\nCopiez la vidéo dans un dossier où vous pouvez écrire, puis choisissez-la de nouveau.";
}

std::string ConversionBusyMessage(const std::string& outputName) {
    return "La conversion vers « " + Isolated(outputName) + " » est déjà en cours.";
}

std::string ConversionDoneText(const std::string& outputName, const std::string& folder) {
    return "« " + Isolated(outputName) + " » est prêt dans " + Isolated(folder) + ".";
}

std::string FolderShowFailureMessage(const std::string& folder) {
    return "Impossible d'ouvrir le dossier « " + Isolated(folder) + " » : aucun programme adapté n'a été trouvé.";
}

std::string NotifiedFileFailureMessage(const std::string& file, bool fileGone, std::string_view separators) {
    return fileGone ? FileRefusal(file, FileState::Missing) : FolderShowFailureMessage(FolderOf(file, separators));
}

}  // namespace talvenor
