// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "form1.h"

namespace talvenor {

// What the program's own command line asks for.
struct StartRequest {
    enum class Action { OpenWindow, PrintVersion, PrintHelp, Refuse };
    Action action = Action::OpenWindow;
    std::vector<OfferedFile> files;  // opened once the window shows
    std::string refused;             // the argument that is no option of ours
};

// Reads the arguments that follow the program's name: "--version" or "--help" alone, else file
// names; "--" ends the options, so that a name may begin with "-".
StartRequest ReadStartArguments(const std::vector<std::string>& arguments);

// The usage text, and the first line of a refusal.
std::string UsageText(const std::string& programName);
std::string RefusalText(const std::string& programName, const std::string& argument);

}  // namespace talvenor
