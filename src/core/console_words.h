/* SPDX-License-Identifier: GPL-3.0-or-later */
#pragma once

/* The words a conversion's console shows, the same on every platform. Plain C macros, so that the
   Linux helper (C) and the Windows console (C++) print the very same UTF-8 text. */

/* What a conversion's console says when the tool fails, before and after the exit code, and how
   the user closes it. */
#define TALVENOR_CONVERSION_FAILED "La conversion a échoué"
#define TALVENOR_PRESS_ENTER "Appuyez sur Entrée pour fermer cette fenêtre."
/* Why, the line after: what happened and what the user can do. A conversion that does not end
   well keeps nothing: the tool writes under a temporary name, which only success turns into the
   file's own, so a file it was to replace stays as it was. */
#define TALVENOR_NOTHING_KEPT "Rien n'a été gardé ; un fichier qu'elle devait remplacer est resté tel qu'il était."
#define TALVENOR_REASON_NOT_VIDEO \
    "ffmpeg ne sait pas lire le fichier source comme une vidéo : il est vide, abîmé, ou c'est un autre " \
    "genre de fichier. Choisissez-en un autre. " TALVENOR_NOTHING_KEPT
#define TALVENOR_REASON_DISK_FULL \
    "Le disque est plein : la conversion s'est arrêtée avant la fin. " TALVENOR_NOTHING_KEPT \
    " Libérez de la place, puis relancez-la."
#define TALVENOR_REASON_NO_RIGHT \
    "ffmpeg n'a pas eu le droit d'écrire le fichier converti (support en lecture seule, dossier d'un " \
    "autre utilisateur) ou de lire la source. " TALVENOR_NOTHING_KEPT
#define TALVENOR_REASON_GONE \
    "Le fichier source ou son dossier est introuvable : déplacé, renommé, supprimé, ou sur un support " \
    "retiré. " TALVENOR_NOTHING_KEPT
#define TALVENOR_REASON_STOPPED \
    "ffmpeg a été arrêté avant la fin. " TALVENOR_NOTHING_KEPT \
    " Pour garder ce qui est déjà converti, arrêtez-le plutôt avec la touche q."
#define TALVENOR_REASON_CRASHED "ffmpeg s'est arrêté brutalement (plantage). " TALVENOR_NOTHING_KEPT
#define TALVENOR_REASON_NOT_STARTED \
    "ffmpeg n'a pas pu être lancé : placez-le dans le dossier de Talvenor ou installez-le, puis " \
    "relancez la conversion."
#define TALVENOR_REASON_NOT_NAMED \
    "La conversion a abouti, mais le fichier n'a pas pu prendre son nom : il est resté sous son nom " \
    "provisoire, qui finit par « (inachevé) »."
#define TALVENOR_REASON_OTHER "ffmpeg n'a pas pu convertir la vidéo ; ses lignes ci-dessus disent pourquoi. " TALVENOR_NOTHING_KEPT
/* The console's title once the conversion has failed: "Talvenor — ffmpeg — échec de la conversion". */
#define TALVENOR_TITLE_FAILED "échec de la conversion"
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
