#pragma once

#include <string_view>

namespace talvenor {

// What a conversion's console says when the tool fails, before and after the exit code, and how
// the user closes it. The same words on every platform.
inline constexpr std::string_view kConversionFailed = "La conversion a échoué";
inline constexpr std::string_view kPressEnterToClose =
    "Appuyez sur Entrée pour fermer cette fenêtre.";

}  // namespace talvenor
