/* SPDX-License-Identifier: GPL-3.0-or-later */
#pragma once

/* The words a conversion's console shows, the same on every platform. Plain C macros, so that the
   Linux helper (C) and the Windows console (C++) print the very same UTF-8 text. */

/* What a conversion's console says when the tool fails, before and after the exit code, and how
   the user closes it. */
#define TALVENOR_CONVERSION_FAILED "La conversion a échoué"
#define TALVENOR_PRESS_ENTER "Appuyez sur Entrée pour fermer cette fenêtre."
/* The desktop's notification once a long conversion has ended well. */
#define TALVENOR_CONVERSION_DONE "Conversion terminée"

/* The console's title: "Talvenor — ffmpeg — 42 % (reste 1 min 10 s)". */
#define TALVENOR_TITLE_NAME "Talvenor"
#define TALVENOR_TITLE_SEPARATOR " — "
#define TALVENOR_TIME_LEFT "reste"
#define TALVENOR_HOURS "h"
#define TALVENOR_MINUTES "min"
#define TALVENOR_SECONDS "s"

#ifdef __cplusplus
#include <string_view>

namespace talvenor {

inline constexpr std::string_view kConversionFailed = TALVENOR_CONVERSION_FAILED;
inline constexpr std::string_view kPressEnterToClose = TALVENOR_PRESS_ENTER;
inline constexpr std::string_view kConversionDone = TALVENOR_CONVERSION_DONE;

}  // namespace talvenor
#endif
