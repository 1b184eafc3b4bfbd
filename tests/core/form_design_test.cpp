// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <set>

#include "form_design.h"
#include "presets.h"

namespace talvenor {
namespace {

// Characters, not bytes: "é" counts once.
std::size_t Characters(std::string_view text) {
    std::size_t count = 0;
    for (unsigned char c : text) count += (c & 0xC0) != 0x80;
    return count;
}

struct Place {
    ControlId id;
    int left, top, width, height;  // pixels at 96 dpi
};

TEST(FormDesign, EveryControlLandsOnItsPixelsAt96Dpi) {
    const std::vector<Place> places = {
        {ControlId::Command1, 160, 168, 17, 17}, {ControlId::CmdHP, 184, 168, 17, 17},
        {ControlId::CmdListOpen, 280, 89, 17, 17}, {ControlId::TxtChoix, 65, 88, 233, 19},
        {ControlId::List1, 64, 104, 233, 56},      {ControlId::CmdStop, 208, 168, 41, 17},
        {ControlId::CmdVisu, 104, 168, 49, 17},    {ControlId::CmdMinimise, 288, 16, 17, 17},
        {ControlId::CmdLancer, 80, 192, 201, 17},  {ControlId::CmdQuit, 312, 16, 17, 17},
        {ControlId::Text1, 64, 123, 233, 19},      {ControlId::Label9, 248, 35, 25, 17},
        {ControlId::Label8, 24, 256, 73, 17},      {ControlId::Label7_1, 121, 24, 129, 33},
        {ControlId::Label7_0, 120, 24, 129, 33},   {ControlId::Label6, 64, 144, 225, 17},
        {ControlId::Label5, 64, 107, 233, 17},     {ControlId::Label4, 80, 216, 201, 33},
        {ControlId::Label3, 96, 48, 183, 25},      {ControlId::Label2, 255, 256, 90, 17},
        {ControlId::Label1, 80, 48, 217, 33},
    };
    for (const Place& p : places) {
        const ControlDesign& d = DesignOf(p.id);
        SCOPED_TRACE(std::string(d.name));
        EXPECT_EQ(TwipsToPixels(d.left), p.left);
        EXPECT_EQ(TwipsToPixels(d.top), p.top);
        EXPECT_EQ(TwipsToPixels(d.width), p.width);
        EXPECT_EQ(TwipsToPixels(d.height), p.height);
    }
    EXPECT_EQ(TwipsToPixels(kFormDesign.clientWidth), 367);
    EXPECT_EQ(TwipsToPixels(kFormDesign.clientHeight), 287);
    // Another resolution follows the screen.
    EXPECT_EQ(TwipsToPixels(kFormDesign.clientWidth, 192), 734);
}

TEST(FormDesign, TabOrderIsAPermutationAndTheDialogHasNone) {
    std::set<int> seen;
    for (const ControlDesign& d : kControlDesigns) {
        if (d.kind == ControlKind::FileDialog) {
            EXPECT_EQ(d.tabIndex, -1);
            continue;
        }
        EXPECT_TRUE(seen.insert(d.tabIndex).second) << d.name;
    }
    EXPECT_EQ(seen.size(), 21u);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 20);
    EXPECT_EQ(DesignOf(ControlId::Text1).tabIndex, 0);
}

TEST(FormDesign, TextsAreExact) {
    EXPECT_EQ(Characters(DesignOf(ControlId::Text1).text), 49u);
    EXPECT_EQ(Characters(kFilePrompt), 48u);
    EXPECT_EQ(std::string(DesignOf(ControlId::Text1).text), std::string(kFilePrompt) + " ");
    EXPECT_EQ(DesignOf(ControlId::Label1).text, "Conversions vidéo ");
    EXPECT_EQ(Characters(DesignOf(ControlId::Label3).text), 18u);
    EXPECT_EQ(DesignOf(ControlId::Label4).text,
              "Le  fichier  reformaté  se  retrouve dans le répertoire du fichier source");
    EXPECT_EQ(DesignOf(ControlId::Label5).text, "Conversion choisie.");
    EXPECT_EQ(DesignOf(ControlId::CmdMinimise).toolTip, "Barre de tâches");
    EXPECT_EQ(DesignOf(ControlId::CmdQuit).toolTip, "Quitter");
    EXPECT_EQ(DesignOf(ControlId::Label2).text, "talvenor.example");

    const std::string caption(kFormDesign.caption);
    EXPECT_EQ(caption.rfind("Talvenor 1.0", 0), 0u);
    EXPECT_EQ(caption.find_first_not_of(' ', 12), 116u);
    EXPECT_EQ(caption.substr(116), "talvenor.example");

    const std::vector<std::pair<std::string_view, std::size_t>> labels = {
        {"Vidéo  FLV vers AVI", 19}, {"Vidéo  FLV vers AVI non compressé.", 34},
        {"Vidéo  FLV vers MPEG1", 21}, {"Vidéo  AVI vers FLV", 19}};
    for (int row = 0; row < kPresetCount; ++row) {
        EXPECT_EQ(kPresets[row].label, labels[row].first);
        EXPECT_EQ(Characters(kPresets[row].label), labels[row].second);
    }
}

TEST(FormDesign, TitlesAreDoubledOnePixelApart) {
    const ControlDesign& light = DesignOf(ControlId::Label7_0);
    const ControlDesign& dark = DesignOf(ControlId::Label7_1);
    EXPECT_EQ(dark.left - light.left, 15);
    EXPECT_EQ(dark.top, light.top);
    EXPECT_EQ(light.foreColor, Colour{0xFFC0C0});
    EXPECT_EQ(dark.foreColor, Colour{0x404040});
    // The dark subtitle's centre stands one pixel left of the light one's.
    const ControlDesign& sub = DesignOf(ControlId::Label1);
    const ControlDesign& subDark = DesignOf(ControlId::Label3);
    EXPECT_EQ((sub.left * 2 + sub.width) - (subDark.left * 2 + subDark.width), 30);
    // Earlier in the stored order means in front: the dark ones are drawn over the light ones.
    auto position = [](ControlId id) { return &DesignOf(id) - kControlDesigns.data(); };
    EXPECT_LT(position(ControlId::Label7_1), position(ControlId::Label7_0));
    EXPECT_LT(position(ControlId::Label3), position(ControlId::Label1));
    // The shown list lies over Text1 and under TxtChoix and the arrow button.
    EXPECT_LT(position(ControlId::TxtChoix), position(ControlId::List1));
    EXPECT_LT(position(ControlId::CmdListOpen), position(ControlId::List1));
    EXPECT_LT(position(ControlId::List1), position(ControlId::Text1));
}

TEST(FormDesign, PointersAndInitialStates) {
    for (const ControlDesign& d : kControlDesigns) {
        SCOPED_TRACE(std::string(d.name));
        const bool isControl = d.kind == ControlKind::CommandButton ||
                               d.kind == ControlKind::PictureButton ||
                               d.kind == ControlKind::TextBox || d.kind == ControlKind::ListBox;
        EXPECT_EQ(d.handPointer, isControl);
        EXPECT_EQ(d.picture != Picture::None, d.kind == ControlKind::PictureButton);
    }
    EXPECT_FALSE(DesignOf(ControlId::List1).visible);
    EXPECT_FALSE(DesignOf(ControlId::CmdVisu).enabled);
    EXPECT_FALSE(DesignOf(ControlId::CmdStop).enabled);
    EXPECT_TRUE(DesignOf(ControlId::CmdLancer).enabled);
    EXPECT_TRUE(DesignOf(ControlId::Text1).locked);
    EXPECT_TRUE(DesignOf(ControlId::TxtChoix).locked);
}

TEST(Connections, FifteenAndNoneOnTheProductTitle) {
    std::set<std::string_view> handlers;
    for (const EventConnection& c : kConnections) handlers.insert(c.handler);
    EXPECT_EQ(handlers.size(), 15u);
    EXPECT_TRUE(IsConnected(ControlId::Label1, EventKind::MouseDown));
    EXPECT_TRUE(IsConnected(ControlId::Label3, EventKind::MouseDown));
    EXPECT_TRUE(IsConnected(ControlId::Form1, EventKind::MouseDown));
    for (ControlId id : {ControlId::Label7_0, ControlId::Label7_1, ControlId::Label2, ControlId::Label4,
                         ControlId::Label9, ControlId::TxtChoix, ControlId::Text1}) {
        EXPECT_FALSE(IsConnected(id, EventKind::MouseDown));
    }
    EXPECT_FALSE(IsConnected(ControlId::TxtChoix, EventKind::Click));
    EXPECT_FALSE(IsConnected(ControlId::Label1, EventKind::Click));
}

}  // namespace
}  // namespace talvenor
