// SPDX-License-Identifier: GPL-3.0-or-later
// preset_line ROW BASE SOURCE: the arguments a click on preset ROW gives ffmpeg, one a line.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "flv_rate.h"
#include "presets.h"

int main(int argc, char** argv) {
    const talvenor::ConversionPreset* preset = argc == 4 ? talvenor::PresetAt(std::atoi(argv[1])) : nullptr;
    if (!preset) return 2;
    std::string start(talvenor::kFlvStartBytes, '\0');
    start.resize(std::ifstream(argv[3], std::ios::binary).read(start.data(), std::ssize(start)).gcount());
    for (const std::string& word : talvenor::ConversionCommand(*preset, "", argv[2], argv[3], start).arguments) std::puts(word.c_str());
}
