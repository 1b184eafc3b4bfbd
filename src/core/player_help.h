// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace talvenor {

// The player's keyboard and mouse commands, 20 lines joined by CR LF.
extern const std::string_view kPlayerHelpText;

// The key that makes the player quit.
inline constexpr std::string_view kPlayerQuitKey = "q";

}  // namespace talvenor
