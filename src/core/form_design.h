// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace talvenor {

// Colours in the &H00BBGGRR form: red in the low byte.
using Colour = std::uint32_t;
constexpr int RedOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

inline constexpr int kTwipsPerInch = 1440;

// Twips to pixels at `dpi` dots per inch, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips, int dpi = 96) {
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

// Every control of the window, in the design's stored order (front to back), then the window.
enum class ControlId {
    Command1,
    CmdHP,
    CmdListOpen,
    TxtChoix,
    List1,
    CmdStop,
    CmdVisu,
    CmdMinimise,
    CmdLancer,
    CmdQuit,
    Cmd1,
    Text1,
    Label9,
    Label8,
    Label7_1,
    Label7_0,
    Label6,
    Label5,
    Label4,
    Label3,
    Label2,
    Label1,
    Form1,
};

enum class ControlKind { CommandButton, PictureButton, TextBox, ListBox, Label, FileDialog };

enum class Alignment { Left = 0, Right = 1, Centre = 2 };

enum class Picture { None, P1Background, P2Icon, P3Hand, P4Speaker, P5Arrow, P6Minimise, P7Cross };

struct FontDesign {
    std::string_view face;
    double points;
    bool bold;
};

inline constexpr FontDesign kDefaultFont{"MS Sans Serif", 8.25, false};

struct ControlDesign {
    ControlId id;
    ControlKind kind;
    std::string_view name;
    int index;  // place in a control array, -1 for a lone control
    std::string_view text;
    int left, top, width, height;  // twips
    int tabIndex;                  // -1: takes no part in the focus order
    std::optional<Colour> backColor;
    std::optional<Colour> foreColor;
    FontDesign font;
    Alignment alignment;
    Picture picture;
    bool handPointer;
    std::string_view toolTip;
    bool enabled;
    bool visible;
    bool locked;
};

struct FormDesign {
    std::string_view caption;
    int clientWidth, clientHeight;  // twips
    Colour backColor;
    Picture picture;
    Picture icon;
    Picture pointerPicture;  // the pointing hand shown over the controls with handPointer
    FontDesign font;
};

inline constexpr int kControlCount = 22;

extern const FormDesign kFormDesign;
extern const std::array<ControlDesign, kControlCount> kControlDesigns;

const ControlDesign& DesignOf(ControlId id);

// The French name a screen reader gives the control: its caption or tool tip, or, for a control
// that shows neither, what it is for.
std::string_view AccessibleName(ControlId id);

// Events that reach the program's handlers.
enum class EventKind { Load, Click, MouseDown };

struct EventConnection {
    ControlId control;
    EventKind event;
    std::string_view handler;
};

inline constexpr int kConnectionCount = 15;
extern const std::array<EventConnection, kConnectionCount> kConnections;

bool IsConnected(ControlId control, EventKind event);

// The control that has the focus when the window opens: the first stop of the tab order.
ControlId FirstFocus();

// A key pressed on one of the window's controls, as the program reads it.
enum class Key { Space, Enter, F4, Down, Other };
struct KeyPress {
    Key key = Key::Other;
    bool shift = false;
    bool control = false;
    bool alt = false;
};
// Space, Enter, F4 or Alt+Down on a text box whose click is connected (the file box) act as the
// click: they open the dialog.
bool KeyClicksTextBox(ControlId box, const KeyPress& key);
// Enter presses the focused button, as in a dialog where the focused button is the default.
bool KeyPressesButton(const KeyPress& key);

// The text of Text1 that stands for "no file chosen", and the colours that go with each state.
inline constexpr std::string_view kFilePrompt = "Un clic ici pour sélectionner le fichier à coder";
inline constexpr Colour kPromptColour = 0xC0C0FF;
inline constexpr Colour kChosenColour = 0xFFFFC0;

}  // namespace talvenor
