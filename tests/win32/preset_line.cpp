// SPDX-License-Identifier: GPL-3.0-or-later
// preset_line ROW BASE SOURCE: the arguments a click on preset ROW gives ffmpeg, one a line.
#include <cstdio>
#include <cstdlib>

#include "presets.h"

int main(int argc, char** argv) {
    const talvenor::ConversionPreset* preset = argc == 4 ? talvenor::PresetAt(std::atoi(argv[1])) : nullptr;
    if (!preset) return 2;
    for (const std::string& word : talvenor::ConversionCommand(*preset, "", argv[2], argv[3]).arguments) std::puts(word.c_str());
}
