// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "form_fixture.h"
#include "presets.h"

namespace talvenor {
namespace {

struct ConversionCase {
    int row;
    std::string toolDir;
    std::string base;
    std::string text;
    std::vector<std::string> arguments;
};

TEST(ConversionCommand, BuildsEachPresetsLineToTheCharacter) {
    const std::string kMpegRate =
        "split[a][b];[a]fps='if(gte(source_fps,19.488),source_fps,if(gt(source_fps,0),"
        "source_fps*ceil(23.976/source_fps),25))',trim=end_frame=1[r];[r][b]lut2=c0=y:c1=y:c2=y";
    const std::vector<ConversionCase> cases = {
        {0, "D:\\Tools", "clip", "D:\\Tools/ffmpeg -y -i clip.flv -f avi clip.avi",
         {"-y", "-i", "clip.flv", "-f", "avi", "clip (inachevé).avi"}},
        {1, "/opt/t", "clip",
         "/opt/t/ffmpeg -y -i clip.flv -vcodec rawvideo -s 320x240 -acodec pcm_s16le -ac 2 -f avi clip.avi",
         {"-y", "-i", "clip.flv", "-vcodec", "rawvideo", "-s", "320x240", "-acodec", "pcm_s16le", "-ac",
          "2", "-f", "avi", "clip (inachevé).avi"}},
        {2, "/opt/t", "clip", "/opt/t/ffmpeg -y -i clip.flv -vf " + kMpegRate + " clip.mpeg",
         {"-y", "-i", "clip.flv", "-vf", kMpegRate, "clip (inachevé).mpeg"}},
        {3, "/opt/t", "clip",
         "/opt/t/ffmpeg -y -i clip.avi -ab 56k -ar 44100 -b 200k -r 15 -s 320x240 -f flv clip.flv",
         {"-y", "-i", "clip.avi", "-ab", "56k", "-ar", "44100", "-b", "200k", "-r", "15", "-s", "320x240",
          "-f", "flv", "clip (inachevé).flv"}},
        // The folder is used as it comes, even with a trailing separator or blanks.
        {0, "/home/a b/", "x", "/home/a b//ffmpeg -y -i x.flv -f avi x.avi",
         {"-y", "-i", "x.flv", "-f", "avi", "x (inachevé).avi"}},
    };
    for (const ConversionCase& c : cases) {
        SCOPED_TRACE(c.text);
        const CommandLine line = ConversionCommand(kPresets[c.row], c.toolDir, c.base);
        EXPECT_EQ(line.text, c.text);
        EXPECT_EQ(line.arguments, c.arguments);
        EXPECT_EQ(line.program, "ffmpeg");
        EXPECT_EQ(line.toolDir, c.toolDir);
    }
}

TEST(ConversionCommand, TheMpeg1LineIsThePlainOneWhereTheSourcesStartShowsARateFfmpegKeeps) {
    using testing::FlvFile;
    // Below 19.488 ffmpeg would pick the encoder's unofficial 15 and refuse it. Then: too few
    // pictures to be sure, uneven times, a header at odds with the times, no FLV start.
    const std::vector<std::pair<std::string, bool>> cases = {
        {FlvFile(45, 30), true}, {FlvFile(61, 30000.0 / 1001), true}, {FlvFile(41, 20), true}, {FlvFile(61, 60, 60), true},
        {FlvFile(61, 15), false}, {FlvFile(61, 12), false}, {FlvFile(61, 19.4), false}, {FlvFile(16, 30), false},
        {FlvFile(61, 30, 0, 5), false}, {FlvFile(61, 30, 15), false}, {"", false}, {"RIFF", false}};
    for (const auto& [start, plain] : cases) {
        EXPECT_EQ(ConversionCommand(kPresets[2], "/t", "c", "c.flv", start).arguments.size() == 4, plain) << start.size();
    }
    EXPECT_EQ(ConversionCommand(kPresets[2], "/t", "c", "c.flv", FlvFile(45, 30)).text, "/t/ffmpeg -y -i c.flv  c.mpeg");
    // Below that, a rate ffmpeg takes with certainty gets the output's own with -r (which, with a
    // filter in the graph, gives the filter line's very bytes); any doubt, the filter line: a rate
    // off the twelfths (67 ms apart), NTSC's 14.985, uneven times, a header at odds, too few pictures.
    const std::vector<std::pair<std::string, std::string>> low = {
        {FlvFile(61, 15), "30"}, {FlvFile(61, 12), "24"}, {FlvFile(61, 7.5), "30"}, {FlvFile(61, 5), "25"},
        {FlvFile(61, 14), "28"}, {FlvFile(61, 1000.0 / 67), ""}, {FlvFile(61, 15000.0 / 1001), ""},
        {FlvFile(61, 15, 0, 5), ""}, {FlvFile(61, 15, 30), ""}, {FlvFile(16, 15), ""}, {FlvFile(61, 19.4), ""}};
    for (const auto& [start, rate] : low) {
        const std::vector<std::string> arguments = ConversionCommand(kPresets[2], "/t", "c", "c.flv", start).arguments;
        ASSERT_GE(arguments.size(), 5u);
        if (rate.empty()) {
            EXPECT_EQ(arguments[4].substr(0, 5), "split") << start.size();
        } else {
            EXPECT_EQ(arguments, (std::vector<std::string>{"-y", "-i", "c.flv", "-vf", "null", "-r", rate, "c (inachevé).mpeg"}));
        }
    }
}

TEST(ConversionCommand, AwkwardNamesStayOneArgumentEach) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"my clip", {"my clip.flv", "my clip (inachevé).avi"}},
        {"l'été \"$(rm -rf ~)\" ; & | `x`", {"l'été \"$(rm -rf ~)\" ; & | `x`.flv", "l'été \"$(rm -rf ~)\" ; & | `x` (inachevé).avi"}},
        {"-map", {"./-map.flv", "./-map (inachevé).avi"}},
        {"http:evil", {"./http:evil.flv", "./http:evil (inachevé).avi"}},
        {"日本語 видео", {"日本語 видео.flv", "日本語 видео (inachevé).avi"}},
        {"", {".flv", " (inachevé).avi"}},
    };
    for (const auto& [base, files] : cases) {
        SCOPED_TRACE(base);
        const CommandLine line = ConversionCommand(kPresets[0], "/t", base);
        ASSERT_EQ(line.arguments.size(), 6u);
        EXPECT_EQ(line.arguments[2], files[0]);
        EXPECT_EQ(line.arguments[5], files[1]);
        // The composed text keeps the bare name whatever it holds.
        EXPECT_EQ(line.text, "/t/ffmpeg -y -i " + base + ".flv -f avi " + base + ".avi");
    }
}

TEST(ConversionCommand, OutputNames) {
    EXPECT_EQ(ConversionOutput(kPresets[0], "b"), "b.avi");
    EXPECT_EQ(ConversionOutput(kPresets[1], "b"), "b.avi");
    EXPECT_EQ(ConversionOutput(kPresets[2], "b"), "b.mpeg");
    // The one AVI source gives the name the FLV rows read from.
    EXPECT_EQ(ConversionOutput(kPresets[3], "b"), "b.flv");
    // Until it has ended well, a conversion writes beside its file under a name nobody takes for
    // a finished one, with the extension that some presets' type is read from.
    EXPECT_EQ(PartialOutput("b.mpeg"), "b (inachevé).mpeg");
    EXPECT_EQ(PartialOutput("/v.d/b"), "/v.d/b (inachevé)");
    EXPECT_EQ(PartialOutput("C:\\v.d\\b.c.avi"), "C:\\v.d\\b.c (inachevé).avi");
    // Into another folder, given whole to the tool: a ":" in the name makes no relative path of it.
    for (const std::string folder : {"/home/u/Vidéos/", "C:\\Users\\u\\Videos\\"}) {
        const CommandLine line = ConversionCommand(kPresets[0], "/t", "a:b", "a:b.flv", "", folder);
        EXPECT_EQ(line.output, folder + "a:b.avi");
        EXPECT_EQ(line.arguments.back(), folder + "a:b (inachevé).avi");
        EXPECT_EQ(line.arguments[2], "./a:b.flv");
    }
}

TEST(PresetAt, OnlyIndicesZeroToThreeNameARow) {
    for (std::int16_t index : {0, 1, 2, 3}) EXPECT_EQ(PresetAt(index), &kPresets[index]);
    for (std::int16_t index : {-1, 4, 300, -32768, 32767}) EXPECT_EQ(PresetAt(index), nullptr);
}

TEST(PlayerCommand, NamesTheSourceFileInTheWorkingDirectory) {
    const CommandLine line = PlayerCommand("C:\\Outils", "clip", ".flv");
    EXPECT_EQ(line.text, "C:\\Outils/ffplay clip.flv");
    EXPECT_EQ(line.program, "ffplay");
    EXPECT_EQ(line.arguments, std::vector<std::string>{"clip.flv"});

    const CommandLine spaced = PlayerCommand("/a b", "-x y", ".avi");
    EXPECT_EQ(spaced.text, "/a b/ffplay -x y.avi");
    EXPECT_EQ(spaced.arguments, std::vector<std::string>{"./-x y.avi"});
}

TEST(BaseNameOf, DropsFoldersAndTheLastExtension) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"C:\\Vidéos\\clip.flv", "\\/", "clip"},
        {"C:\\a.b\\c.d.flv", "\\/", "c.d"},
        {"C:\\x\\.flv", "\\/", ""},
        {"C:\\x\\clip.mp4", "\\/", "clip"},
        {"/home/u/Mes vidéos/été 2009.flv", "/", "été 2009"},
        {"/home/u/a.dir/sans-extension", "/", "sans-extension"},
        {"/home/u/back\\slash.flv", "/", "back\\slash"},
        {"clip.flv", "/", "clip"},
        {"/tmp/-rf.flv", "/", "-rf"},
    };
    for (const auto& [path, separators, expected] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(BaseNameOf(path, separators), expected);
    }
}

}  // namespace
}  // namespace talvenor
