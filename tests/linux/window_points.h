// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace talvenor::e2e {

// Where the end-to-end tests click and look: centres of the controls, in window pixels at 96 dpi.
struct Point {
    int x, y;
};
inline constexpr Point kText1{180, 132};
inline constexpr Point kText1Edge{67, 127};  // inside the file box, clear of its text
inline constexpr Point kListOpen{288, 97};
inline constexpr Point kLancer{180, 200};
inline constexpr Point kVoir{128, 176};
inline constexpr Point kStop{228, 176};
inline constexpr Point kHelp{168, 176};
inline constexpr Point kSpeaker{192, 176};
inline constexpr Point kMinimise{296, 24};
inline constexpr Point kQuit{320, 24};
inline constexpr Point kLabel2{300, 264};
inline constexpr Point kBackground{30, 150};
inline constexpr Point kProductTitle{185, 30};
inline constexpr Point kSubtitleLight{88, 66};
inline constexpr Point kSubtitleDark{150, 70};
inline constexpr Point kLabel4{180, 222};
// List1 lies at (64, 104); its items are 13 pixels high inside a 2-pixel frame.
inline Point ListItem(int row) { return {180, 104 + 2 + 13 * row + 6}; }

// The titles they look for.
inline const std::string kMainTitle = "^Talvenor 1\\.0 ";
inline const std::string kDialogTitle = "^Sélection du fichier vidéo$";
inline const std::string kBoxTitle = "^Talvenor$";
// A conversion's terminal, with or without its progress.
inline const std::string kConversionTitle = "^Talvenor — ffmpeg( — .*)?$";

}  // namespace talvenor::e2e
