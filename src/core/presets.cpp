#include "presets.h"

#include <utility>

#include "version.h"

namespace talvenor {

const std::array<ConversionPreset, kPresetCount> kPresets{{
    {"Vidéo  FLV vers AVI", ".flv", "Video|*.flv;", ".flv -f avi ", ".avi"},
    {"Vidéo  FLV vers AVI non compressé.", ".flv", "Video|*.flv;",
     ".flv -vcodec rawvideo -s 320x240 -acodec pcm_s16le -ac 2 -f avi ", ".avi"},
    {"Vidéo  FLV vers MPEG1", ".flv", "Video|*.flv;", ".flv  ", ".mpeg"},
    {"Vidéo  AVI vers FLV", ".avi", "Video|*.avi;",
     ".avi -ab 56 -ar 44100 -b 200 -r 15 -s 320x240 -f flv ", ".flv"},
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
    const bool looksLikeOption = !fileName.empty() && fileName.front() == '-';
    const bool looksLikeProtocol = fileName.find(':') != std::string::npos;
    if (looksLikeOption || looksLikeProtocol) return "./" + fileName;
    return fileName;
}

std::string ConversionOutput(const ConversionPreset& preset, const std::string& baseName) {
    return Join({baseName, preset.outputExt});
}

CommandLine ConversionCommand(const ConversionPreset& preset, const std::string& toolDir,
                              const std::string& baseName) {
    CommandLine line;
    line.text = Join({toolDir, kFfmpegHead, baseName, preset.middle, baseName, preset.outputExt});
    line.toolDir = toolDir;
    line.program = "ffmpeg";
    line.description = "ffmpeg";
    line.arguments = {"-y", "-i"};
    // The middle text starts with the source extension, which belongs to the input's name.
    const std::string_view middle = preset.middle;
    const std::size_t extEnd = middle.find(' ');
    line.arguments.push_back(FileArgument(Join({baseName, middle.substr(0, extEnd)})));
    for (std::string& word : SplitWords(middle.substr(extEnd))) line.arguments.push_back(std::move(word));
    line.arguments.push_back(FileArgument(ConversionOutput(preset, baseName)));
    return line;
}

CommandLine PlayerCommand(const std::string& toolDir, const std::string& baseName,
                          const std::string& sourceExt) {
    CommandLine line;
    line.text = Join({toolDir, kFfplayHead, baseName, sourceExt});
    line.toolDir = toolDir;
    line.program = "ffplay";
    line.description = "ffplay";
    line.arguments = {FileArgument(Join({baseName, sourceExt}))};
    return line;
}

CommandLine MixerCommand() {
    return {"sndvol32 /t", "", "sndvol32", {"/t"}, "le mélangeur de volume"};
}

CommandLine WebSiteCommand() {
    return {"explorer.exe " TALVENOR_ADDRESS, "", "explorer.exe", {TALVENOR_ADDRESS},
            "le navigateur web"};
}

std::string BaseNameOf(const std::string& path, std::string_view separators) {
    const std::size_t slash = path.find_last_of(separators);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

}  // namespace talvenor
