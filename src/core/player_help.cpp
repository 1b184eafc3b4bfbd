// SPDX-License-Identifier: GPL-3.0-or-later
#include "player_help.h"

namespace talvenor {

const std::string_view kPlayerHelpText =
    " Commandes du moniteur\r\n"
    "     ------------------------\r\n"
    "\r\n"
    "Clic sur le titre du moniteur\r\n"
    "                Puis :\r\n"
    "\r\n"
    "f....plein ecran\r\n"
    "p ou espace....pause\r\n"
    "s....avance image par image\r\n"
    "q....Quitter\r\n"
    "\r\n"
    "  flêches directionnelles\r\n"
    "\r\n"
    "Gauche...En arrière de 10s\r\n"
    "Droite.....Avancer de 10s\r\n"
    "Haut.......Avancer de 60s\r\n"
    "Bas........Reculer de 60s\r\n"
    "\r\n"
    "Clics sur l'écran pour position\r\n"
    "  temps = % largeur écran";

}  // namespace talvenor
