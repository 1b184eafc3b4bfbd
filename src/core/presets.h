// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"

namespace talvenor {

struct ConversionPreset {
    std::string_view label;        // the List1 item, and TxtChoix while the row is chosen
    std::string_view sourceExt;    // what the dialog offers and SourceExt remembers
    std::string_view filter;       // the dialog's one-entry filter
    std::string_view middle;       // between the two base names: source extension, options, blanks
    std::string_view outputExt;    // after the second base name
    // The middle text for a source whose own rate the output keeps, as the start of the file
    // shows it (FlvRateSuitsMpeg1); empty where the line never depends on the source.
    std::string_view middleAtOwnRate;
    // The middle text, before the rate, for a source of fewer than 19.488 pictures a second whose
    // rate the start of the file shows (FlvLowRateMpeg1Twelfths); empty where there is none.
    std::string_view middleAtLowRate{};
};

inline constexpr int kPresetCount = 4;
extern const std::array<ConversionPreset, kPresetCount> kPresets;

// The list's selected index names a preset only when, taken as unsigned, it is at most 3, so
// the -1 of an empty selection names none.
const ConversionPreset* PresetAt(std::int16_t listIndex);

inline constexpr std::string_view kFfmpegHead = "/ffmpeg -y -i ";
inline constexpr std::string_view kFfplayHead = "/ffplay ";

// `sourceName`, when given, is the input's name instead of `baseName` with the preset's source
// extension. `sourceStart` holds the source's first kFlvStartBytes bytes, read for a preset whose
// line depends on them (middleAtOwnRate); empty, the preset's general line is given.
// `outputFolder`, when given, is where the output goes instead of the working directory, with its
// closing separator. The tool writes the output under its PartialOutput name.
CommandLine ConversionCommand(const ConversionPreset& preset, const std::string& toolDir,
                              const std::string& baseName, const std::string& sourceName = {},
                              std::string_view sourceStart = {}, const std::string& outputFolder = {});
// The output file a conversion writes, relative to the working directory.
std::string ConversionOutput(const ConversionPreset& preset, const std::string& baseName);
// The name a conversion writes `output` under until it has ended well: "clip (inachevé).avi" for
// "clip.avi", in the same folder and with the same extension, which decides the file's type for
// some presets. A machine stopped mid-way leaves it under that name, never taken for a finished one.
std::string PartialOutput(const std::string& output);
inline constexpr std::string_view kPartialMark = " (inachevé)";
CommandLine PlayerCommand(const std::string& toolDir, const std::string& baseName,
                          const std::string& sourceExt, const std::string& sourceName = {});
CommandLine MixerCommand();
CommandLine WebSiteCommand();
// An address as a browser must be given it: with its scheme, http:// unless it names one.
std::string WebAddress(const std::string& address);

// The words of a run of options, split at blanks; empty words (double blanks) carry nothing.
std::vector<std::string> SplitWords(std::string_view text);

// A file name as the tools must receive it: one that a tool would take for an option or a
// protocol ("-x.flv", "a:b.flv") is given a "./" so that it stays a plain file name. An absolute
// path ("/home/…", "C:\…") is one already.
std::string FileArgument(const std::string& fileName);

// The chosen file's name without folders and extension. `separators` lists the characters
// that end a folder name in `path`. A name with no "." is kept whole.
std::string BaseNameOf(const std::string& path, std::string_view separators);
// The file's name after the last separator, and the folder before it; a root ("/", "C:\")
// is kept whole.
std::string FileNameOf(const std::string& path, std::string_view separators);
std::string FolderOf(const std::string& path, std::string_view separators);
// Whether two names are the same but for the case of their ASCII letters.
bool SameIgnoringCase(std::string_view a, std::string_view b);
// The source types the presets read, in capitals: "FLV et AVI".
std::string SourceTypesText();

}  // namespace talvenor
