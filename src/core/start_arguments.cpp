// SPDX-License-Identifier: GPL-3.0-or-later
#include "start_arguments.h"

namespace talvenor {

StartRequest ReadStartArguments(const std::vector<std::string>& arguments) {
    StartRequest request;
    if (arguments.size() == 1 && arguments[0] == "--version") {
        request.action = StartRequest::Action::PrintVersion;
        return request;
    }
    if (arguments.size() == 1 && arguments[0] == "--help") {
        request.action = StartRequest::Action::PrintHelp;
        return request;
    }
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        // A lone "-" is a name like any other.
        const bool option = argument.size() > 1 && argument[0] == '-';
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && option) {
            request.action = StartRequest::Action::Refuse;
            request.refused = argument;
            request.files.clear();
            return request;
        } else {
            request.files.push_back({argument});
        }
    }
    return request;
}

std::string UsageText(const std::string& programName) {
    return "Utilisation : " + programName +
           " [--version | --help] [--] [FICHIER]\n"
           "\n"
           "Talvenor convertit et lit des fichiers vidéo avec ffmpeg et ffplay.\n"
           "Il ouvre sa fenêtre, avec FICHIER déjà choisi quand il est donné.\n"
           "\n"
           "  --version  affiche la version et quitte\n"
           "  --help     affiche cette aide et quitte\n"
           "  --         la suite est un nom de fichier, même s'il commence par « - »\n";
}

std::string RefusalText(const std::string& programName, const std::string& argument) {
    return programName + " : argument non reconnu « " + argument + " ».\n";
}

}  // namespace talvenor
