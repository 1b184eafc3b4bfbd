// SPDX-License-Identifier: GPL-3.0-or-later
#include "form_design.h"

#include <stdexcept>

#include "version.h"

namespace talvenor {

namespace {

constexpr FontDesign kTitleFont{"MS Sans Serif", 18, true};
constexpr FontDesign kSubtitleFont{"MS Sans Serif", 13.5, true};
constexpr FontDesign kBoldFont{"MS Sans Serif", 8.25, true};

// Shown only on the taskbar button and in the task switcher: the window has no title bar.
constexpr char kCaption[] = "Talvenor 1.0                                                                                                        " TALVENOR_ADDRESS;

}  // namespace

const FormDesign kFormDesign{kCaption, 5505, 4305, 0x808080, Picture::P1Background, Picture::P2Icon,
                             Picture::P3Hand, kDefaultFont};

// Front to back: where two controls overlap, the earlier one covers the later one.
const std::array<ControlDesign, kControlCount> kControlDesigns{{
    ControlDesign{ControlId::Command1, ControlKind::CommandButton, "Command1", -1, "?", 2400, 2520, 255, 255, 18,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::None, true, "",
                  true, true, false},
    ControlDesign{ControlId::CmdHP, ControlKind::PictureButton, "CmdHP", -1, "", 2760, 2520, 255, 255, 17,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::P4Speaker, true, "",
                  true, true, false},
    ControlDesign{ControlId::CmdListOpen, ControlKind::PictureButton, "CmdListOpen", -1, "", 4200, 1335, 255, 255, 12,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::P5Arrow, true, "",
                  true, true, false},
    ControlDesign{ControlId::TxtChoix, ControlKind::TextBox, "TxtChoix", -1, "", 980, 1320, 3495, 285, 11,
                  0xFFFFC0, std::nullopt, kDefaultFont, Alignment::Centre, Picture::None, true, "",
                  true, true, true},
    ControlDesign{ControlId::List1, ControlKind::ListBox, "List1", -1, "", 960, 1560, 3495, 840, 9,
                  0xFFFFC0, std::nullopt, kDefaultFont, Alignment::Left, Picture::None, true, "",
                  true, false, false},
    ControlDesign{ControlId::CmdStop, ControlKind::CommandButton, "CmdStop", -1, "Stop", 3120, 2520, 615, 255, 8,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::None, true, "",
                  false, true, false},
    ControlDesign{ControlId::CmdVisu, ControlKind::CommandButton, "CmdVisu", -1, "Voir", 1560, 2520, 735, 255, 7,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::None, true, "",
                  false, true, false},
    ControlDesign{ControlId::CmdMinimise, ControlKind::PictureButton, "CmdMinimise", -1, "", 4320, 240, 255, 255, 6,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::P6Minimise, true, "Barre de tâches",
                  true, true, false},
    ControlDesign{ControlId::CmdLancer, ControlKind::CommandButton, "CmdLancer", -1, "Lancer la conversion sélectionnée", 1200, 2880, 3015, 255, 4,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::None, true, "",
                  true, true, false},
    ControlDesign{ControlId::CmdQuit, ControlKind::PictureButton, "CmdQuit", -1, "", 4680, 240, 255, 255, 2,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::P7Cross, true, "Quitter",
                  true, true, false},
    ControlDesign{ControlId::Cmd1, ControlKind::FileDialog, "Cmd1", -1, "", 0, 0, 0, 0, -1,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::None, false, "",
                  true, false, false},
    ControlDesign{ControlId::Text1, ControlKind::TextBox, "Text1", -1, "Un clic ici pour sélectionner le fichier à coder ", 960, 1845, 3495, 285, 0,
                  0xC0C0FF, std::nullopt, kDefaultFont, Alignment::Centre, Picture::None, true, "",
                  true, true, true},
    ControlDesign{ControlId::Label9, ControlKind::Label, "Label9", -1, "1.0", 3720, 520, 375, 255, 20,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::None, false, "",
                  true, true, false},
    ControlDesign{ControlId::Label8, ControlKind::Label, "Label8", -1, "Utilise ffmpeg", 360, 3840, 1095, 255, 19,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::None, false, "",
                  true, true, false},
    ControlDesign{ControlId::Label7_1, ControlKind::Label, "Label7", 1, "Talvenor", 1815, 360, 1935, 495, 16,
                  std::nullopt, 0x404040, kTitleFont, Alignment::Centre, Picture::None, false, "",
                  true, true, false},
    ControlDesign{ControlId::Label7_0, ControlKind::Label, "Label7", 0, "Talvenor", 1800, 360, 1935, 495, 15,
                  std::nullopt, 0xFFC0C0, kTitleFont, Alignment::Centre, Picture::None, false, "",
                  true, true, false},
    ControlDesign{ControlId::Label6, ControlKind::Label, "Label6", -1, "Choix du fichier à voir ou à convertir", 960, 2160, 3375, 255, 14,
                  std::nullopt, std::nullopt, kBoldFont, Alignment::Centre, Picture::None, false, "",
                  true, true, false},
    ControlDesign{ControlId::Label5, ControlKind::Label, "Label5", -1, "Conversion choisie.", 960, 1600, 3495, 255, 13,
                  std::nullopt, std::nullopt, kBoldFont, Alignment::Centre, Picture::None, false, "",
                  true, true, false},
    ControlDesign{ControlId::Label4, ControlKind::Label, "Label4", -1, "Le  fichier  reformaté  se  retrouve dans le répertoire du fichier source", 1200, 3240, 3015, 495, 10,
                  std::nullopt, std::nullopt, kBoldFont, Alignment::Centre, Picture::None, false, "",
                  true, true, false},
    ControlDesign{ControlId::Label3, ControlKind::Label, "Label3", -1, "Conversions vidéo ", 1440, 720, 2745, 375, 5,
                  std::nullopt, 0x404040, kSubtitleFont, Alignment::Centre, Picture::None, false, "",
                  true, true, false},
    // Wide enough for the whole address; its right edge stays by the window's corner.
    ControlDesign{ControlId::Label2, ControlKind::Label, "Label2", -1, TALVENOR_ADDRESS, 3825, 3840, 1350, 255, 3,
                  std::nullopt, std::nullopt, kDefaultFont, Alignment::Left, Picture::None, false, "",
                  true, true, false},
    ControlDesign{ControlId::Label1, ControlKind::Label, "Label1", -1, "Conversions vidéo ", 1200, 720, 3255, 495, 1,
                  std::nullopt, 0xFFC0C0, kSubtitleFont, Alignment::Centre, Picture::None, false, "",
                  true, true, false},
}};

const ControlDesign& DesignOf(ControlId id) {
    for (const ControlDesign& control : kControlDesigns) {
        if (control.id == id) return control;
    }
    throw std::out_of_range("no such control in the design");
}

std::string_view AccessibleName(ControlId id) {
    switch (id) {
        case ControlId::Command1: return "Aide : commandes du lecteur";
        case ControlId::CmdHP: return "Volume";
        case ControlId::CmdListOpen: return "Ouvrir la liste des conversions";
        case ControlId::TxtChoix: return "Conversion choisie";
        case ControlId::List1: return "Conversions";
        case ControlId::Text1: return "Choix du fichier à voir ou à convertir";
        case ControlId::Label2: return "Site web";
        default: break;
    }
    const ControlDesign& design = DesignOf(id);
    std::string_view name = design.text.empty() ? design.toolTip : design.text;
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    return name;
}

const std::array<EventConnection, kConnectionCount> kConnections{{
    {ControlId::Form1, EventKind::Load, "Form_Load"},
    {ControlId::Form1, EventKind::MouseDown, "Form_MouseDown"},
    {ControlId::Label1, EventKind::MouseDown, "Label1_MouseDown"},
    {ControlId::Label3, EventKind::MouseDown, "Label3_MouseDown"},
    {ControlId::Label2, EventKind::Click, "Label2_Click"},
    {ControlId::CmdMinimise, EventKind::Click, "CmdMinimise_Click"},
    {ControlId::CmdHP, EventKind::Click, "CmdHP_Click"},
    {ControlId::CmdListOpen, EventKind::Click, "CmdListOpen_Click"},
    {ControlId::List1, EventKind::Click, "List1_Click"},
    {ControlId::Text1, EventKind::Click, "Text1_Click"},
    {ControlId::CmdLancer, EventKind::Click, "CmdLancer_Click"},
    {ControlId::CmdVisu, EventKind::Click, "CmdVisu_Click"},
    {ControlId::CmdStop, EventKind::Click, "CmdStop_Click"},
    {ControlId::CmdQuit, EventKind::Click, "CmdQuit_Click"},
    {ControlId::Command1, EventKind::Click, "Command1_Click"},
}};

bool IsConnected(ControlId control, EventKind event) {
    for (const EventConnection& connection : kConnections) {
        if (connection.control == control && connection.event == event) return true;
    }
    return false;
}

ControlId FirstFocus() {
    const ControlDesign* first = nullptr;
    for (const ControlDesign& design : kControlDesigns) {
        const bool stop = design.tabIndex >= 0 && design.kind != ControlKind::Label &&
                          design.kind != ControlKind::FileDialog &&
                          design.enabled && design.visible;
        if (stop && (first == nullptr || design.tabIndex < first->tabIndex)) first = &design;
    }
    return first != nullptr ? first->id : ControlId::Form1;
}

bool KeyClicksTextBox(ControlId box, const KeyPress& key) {
    if (DesignOf(box).kind != ControlKind::TextBox || !IsConnected(box, EventKind::Click)) return false;
    const bool plain = !key.shift && !key.control && !key.alt;
    const bool altAlone = key.alt && !key.shift && !key.control;
    return (plain && (key.key == Key::Space || key.key == Key::Enter || key.key == Key::F4)) ||
           (altAlone && key.key == Key::Down);
}

bool KeyPressesButton(const KeyPress& key) {
    return key.key == Key::Enter && !key.shift && !key.control && !key.alt;
}

}  // namespace talvenor
