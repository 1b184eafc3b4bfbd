// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "controls.h"
#include "platform.h"

namespace talvenor {

// A mouse press as the drag handlers receive it: button 1 left, 2 right, 4 middle.
struct MouseEvent {
    std::int16_t button = 0;
    std::int16_t shift = 0;
    float x = 0;
    float y = 0;
};

inline constexpr std::int16_t kLeftButton = 1;
inline constexpr int kMinimised = 1;
inline constexpr const char* kDialogTitle = "Sélection du fichier vidéo";

// A file handed to the program from outside the window: a name on the command line or an item
// dropped on the window. `local` is false for an address that names no file of this computer.
struct OfferedFile {
    std::string path;
    bool local = true;
};

// The window's state and its event handlers. Every decision the program makes is taken here;
// the backends only turn toolkit events into calls of these handlers.
class Form1 {
public:
    Form1(FormControls& controls, OpenFileDialog& dialog, PlatformServices& platform);

    // Routes a connected event to its handler; events without a connection do nothing.
    void Raise(ControlId control, EventKind event, const MouseEvent& mouse = {});

    void Form_Load();
    void Form_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void Label1_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void Label3_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void Label2_Click();
    void CmdMinimise_Click();
    void CmdHP_Click();
    void CmdListOpen_Click();
    void List1_Click();
    void Text1_Click();
    void CmdLancer_Click();
    void CmdVisu_Click();
    void CmdStop_Click();
    void CmdQuit_Click();
    void Command1_Click();

    // The files given on the command line or dropped on the window. The first is chosen, under
    // the preset that reads its type; whatever stands in the way is told in one box.
    void OpenFiles(const std::vector<OfferedFile>& files);
    // The one way a file becomes the chosen one, whatever picked it. Makes its folder the working
    // directory; when that fails the user is told and nothing changes (false).
    bool ChooseFile(const std::string& path);
    // A conversion process that Shell returned has ended, `seconds` after it started. A long one
    // that went well is told to the desktop; either way it is forgotten.
    void ConversionEnded(ProcessHandle process, int exitCode, double seconds);

    // Window state, alive as long as the window.
    std::string BaseName;
    std::string SourceExt;
    bool CanView = false;
    std::int16_t ListToggleCount = 0;
    WindowHandle PlayerHwnd = 0;
    const bool SendWait = false;
    // The chosen file's own name, folders left out, as the system spells it.
    std::string ChosenName;

private:
    void WindowDrag(std::int16_t button);
    // Makes the folder of `path` the working directory, or tells the user it cannot (false).
    bool EnterFolderOf(const std::string& path);
    // The chosen file in the window: its base name, the buttons, what the player needs.
    void ShowChosen(const std::string& path);
    // The source file as the tools must be given it: `baseName` + `sourceExt`, unless no such file
    // exists and the chosen file's name differs from it only in case ("CLIP.FLV").
    std::string SourceFileName(const std::string& baseName, std::string_view sourceExt);
    // The first preset row, from the selected one, whose source type is `path`'s; -1 for none.
    std::int16_t PresetRowFor(const std::string& path);
    // Starts `command` and returns its process; on failure tells the user and returns 0.
    ProcessHandle Launch(const CommandLine& command, WindowStyle style);
    // Whether a conversion started here still writes the file at `fullPath`.
    bool ConversionRunning(const std::string& fullPath);

    // A conversion started here: its process, and the file it writes as the user named it.
    struct Conversion {
        ProcessHandle process = 0;
        std::string output;
        std::string folder;
    };
    // The conversions started here, by the full path of the file each one writes.
    std::map<std::string, Conversion> conversions_;
    // The working directory, as the user's file named it.
    std::string folder_;

    FormControls& controls_;
    OpenFileDialog& Cmd1;
    PlatformServices& platform_;
};

// `name` (a file's or a folder's, UTF-8) as a sentence shows it: where it holds right-to-left
// letters or controls of direction, each of its lines is set apart with U+2068 ... U+2069 (its own
// stray isolates balanced), so that it turns nothing around it. Any other name is shown as it is.
// Bytes that begin no UTF-8 character are shown as U+FFFD, so that the result is UTF-8.
std::string Isolated(const std::string& name);
// What the user reads when `command` could not be started.
std::string LaunchFailureMessage(const CommandLine& command, ToolAdvice advice);
// The question asked before a conversion replaces `outputName`.
std::string ReplaceQuestion(const std::string& outputName);
// Why a file offered from outside the window cannot be chosen.
std::string FileRefusal(const std::string& path, FileState state);
std::string RemoteRefusal(const std::string& address);
std::string UnsupportedTypeRefusal(const std::string& path);
std::string SeveralFilesNotice(const std::string& chosen);
// What the user reads when the chosen file's folder cannot be made the working directory.
std::string FolderFailureMessage(const std::string& folder);
// The question asked when the source's `folder` cannot take the converted file `outputName`: save
// it in the user's `videos` folder instead?
std::string OtherFolderQuestion(const std::string& folder, const std::string& outputName, const std::string& videos);
// What the user reads when `folder` cannot take the converted file and there is no videos folder.
std::string UnwritableFolderMessage(const std::string& folder);
// What the user reads when a conversion started earlier still writes `outputName`.
std::string ConversionBusyMessage(const std::string& outputName);
// What the desktop's notification says once `outputName` has been written in `folder`.
std::string ConversionDoneText(const std::string& outputName, const std::string& folder);
// What the user reads when nothing on the system can show `folder` after a click on that notification.
std::string FolderShowFailureMessage(const std::string& folder);
// What the user reads when a click on that notification cannot show `file` (its folders separated
// by `separators`): the file itself has gone, or nothing can show its folder.
std::string NotifiedFileFailureMessage(const std::string& file, bool fileGone, std::string_view separators);

}  // namespace talvenor
