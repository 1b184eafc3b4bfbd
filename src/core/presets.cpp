// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets.h"

#include <algorithm>
#include <utility>

#include "flv_rate.h"
#include "version.h"

namespace talvenor {

const std::array<ConversionPreset, kPresetCount> kPresets{{
    {"Vidéo  FLV vers AVI", ".flv", "Video|*.flv;", ".flv -f avi ", ".avi", ""},
    {"Vidéo  FLV vers AVI non compressé.", ".flv", "Video|*.flv;",
     ".flv -vcodec rawvideo -s 320x240 -acodec pcm_s16le -ac 2 -f avi ", ".avi", ""},
    // MPEG-1 knows only the rates 23.976 to 60. Below 19.488 frames a second ffmpeg would pick one
    // of its unofficial rates (15, 12, 10, 5) and then refuse it: such a source gets the smallest
    // multiple of its rate from 23.976 up (15 -> 30, 12 -> 24), others the rate ffmpeg picks for
    // them, 25 when it knows none. Only the rate changes: lut2 takes it from its first input, one
    // picture of the fps filter, and copies the pixels of the second, the pictures at their own
    // times, which ffmpeg then repeats to fill the rate, as it always has.
    // That copy adds a fifth or more to the conversion's processor time: a source whose start
    // shows a rate ffmpeg keeps by itself gets the plain line, which gives the same bytes; one
    // whose start shows a lower rate for certain is given the output's rate with -r, which, with
    // a filter of no effect in the graph, gives the same bytes as well.
    {"Vidéo  FLV vers MPEG1", ".flv", "Video|*.flv;",
     ".flv -vf split[a][b];[a]fps='if(gte(source_fps,19.488),source_fps,if(gt(source_fps,0),"
     "source_fps*ceil(23.976/source_fps),25))',trim=end_frame=1[r];[r][b]lut2=c0=y:c1=y:c2=y ",
     ".mpeg", ".flv  ", ".flv -vf null -r "},
    {"Vidéo  AVI vers FLV", ".avi", "Video|*.avi;",
     ".avi -ab 56k -ar 44100 -b 200k -r 15 -s 320x240 -f flv ", ".flv", ""},
}};

namespace {

// Joins the pieces with nothing between them.
std::string Join(std::initializer_list<std::string_view> pieces) {
    std::string joined;
    for (std::string_view piece : pieces) joined.append(piece);
    return joined;
}

}  // namespace

std::vector<std::string> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) words.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

const ConversionPreset* PresetAt(std::int16_t listIndex) {
    const auto row = static_cast<std::uint16_t>(listIndex);
    if (row > 3) return nullptr;
    return &kPresets[row];
}

std::string FileArgument(const std::string& fileName) {
    const bool absolute = (!fileName.empty() && (fileName.front() == '/' || fileName.front() == '\\')) ||
                          (fileName.size() >= 3 && fileName[1] == ':' && (fileName[2] == '\\' || fileName[2] == '/'));
    if (absolute) return fileName;
    const bool looksLikeOption = !fileName.empty() && fileName.front() == '-';
    const bool looksLikeProtocol = fileName.find(':') != std::string::npos;
    if (looksLikeOption || looksLikeProtocol) return "./" + fileName;
    return fileName;
}

std::string ConversionOutput(const ConversionPreset& preset, const std::string& baseName) {
    return Join({baseName, preset.outputExt});
}

std::string PartialOutput(const std::string& output) {
    // The extension of the file's own name, not a dot in one of its folders.
    const std::size_t nameStart = output.find_last_of("/\\") + 1;
    std::size_t dot = output.rfind('.');
    if (dot == std::string::npos || dot < nameStart) dot = output.size();
    return output.substr(0, dot).append(kPartialMark).append(output.substr(dot));
}

CommandLine ConversionCommand(const ConversionPreset& preset, const std::string& toolDir,
                              const std::string& baseName, const std::string& sourceName,
                              std::string_view sourceStart, const std::string& outputFolder) {
    std::string middle(preset.middle);
    if (!preset.middleAtOwnRate.empty() && FlvRateSuitsMpeg1(sourceStart)) {
        middle = preset.middleAtOwnRate;
    } else if (const int twelfths = preset.middleAtLowRate.empty() ? 0 : FlvLowRateMpeg1Twelfths(sourceStart)) {
        const std::string rate = twelfths % 12 == 0 ? std::to_string(twelfths / 12) : std::to_string(twelfths) + "/12";
        middle = Join({preset.middleAtLowRate, rate, " "});
    }
    // The middle text starts with the source extension, which belongs to the input's name.
    const std::size_t extEnd = middle.find(' ');
    const std::string input =
        sourceName.empty() ? Join({baseName, middle.substr(0, extEnd)}) : sourceName;
    CommandLine line;
    line.output = outputFolder + ConversionOutput(preset, baseName);
    line.partialOutput = PartialOutput(line.output);
    line.text = Join({toolDir, kFfmpegHead, input, middle.substr(extEnd), line.output});
    line.toolDir = toolDir;
    line.program = "ffmpeg";
    line.description = "ffmpeg";
    line.purpose = LaunchPurpose::Conversion;
    line.arguments = {"-y", "-i"};
    line.arguments.push_back(FileArgument(input));
    for (std::string& word : SplitWords(middle.substr(extEnd))) line.arguments.push_back(std::move(word));
    line.arguments.push_back(FileArgument(line.partialOutput));
    return line;
}

CommandLine PlayerCommand(const std::string& toolDir, const std::string& baseName,
                          const std::string& sourceExt, const std::string& sourceName) {
    const std::string input = sourceName.empty() ? Join({baseName, sourceExt}) : sourceName;
    CommandLine line;
    line.text = Join({toolDir, kFfplayHead, input});
    line.toolDir = toolDir;
    line.program = "ffplay";
    line.description = "ffplay";
    line.purpose = LaunchPurpose::Player;
    line.arguments = {FileArgument(input)};
    return line;
}

CommandLine MixerCommand() {
    return {"sndvol32 /t", "", "sndvol32", {"/t"}, "le mélangeur de volume", LaunchPurpose::Mixer};
}

CommandLine WebSiteCommand() {
    return {"explorer.exe " TALVENOR_ADDRESS, "", "explorer.exe", {TALVENOR_ADDRESS},
            "le navigateur web", LaunchPurpose::WebSite};
}

std::string WebAddress(const std::string& address) {
    if (address.find("://") != std::string::npos) return address;
    return "http://" + address;
}

std::string FileNameOf(const std::string& path, std::string_view separators) {
    const std::size_t slash = path.find_last_of(separators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path, std::string_view separators) {
    const std::size_t slash = path.find_last_of(separators);
    if (slash == std::string::npos) return ".";
    std::string folder = path.substr(0, slash);
    // "/clip.flv" lies in "/", "C:\clip.flv" in "C:\", not in the drive's current folder "C:".
    if (folder.empty() || folder.back() == ':') folder.push_back(path[slash]);
    return folder;
}

std::string BaseNameOf(const std::string& path, std::string_view separators) {
    std::string name = FileNameOf(path, separators);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string SourceTypesText() {
    std::vector<std::string> types;
    for (const ConversionPreset& preset : kPresets) {
        std::string type(preset.sourceExt.substr(1));
        for (char& c : type) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
    }
    std::string text;
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (i > 0) text += i + 1 == types.size() ? " et " : ", ";
        text += types[i];
    }
    return text;
}

}  // namespace talvenor
