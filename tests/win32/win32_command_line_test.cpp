// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "win32_api.h"

#include <shellapi.h>

#include <vector>

#include "presets.h"
#include "win32_command_line.h"
#include "win32_text.h"

namespace talvenor::testing {
namespace {

using win32::Narrow;
using win32::Widen;

// How Windows' own parser splits `line`, program included.
std::vector<std::string> SplitAsWindowsDoes(const std::wstring& line) {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(line.c_str(), &count);
    std::vector<std::string> result;
    for (int i = 0; i < count; ++i) result.push_back(Narrow(words[i]));
    LocalFree(words);
    return result;
}

TEST(QuoteArgument, EveryPieceReadsBackAsOneArgument) {
    const std::vector<std::string> pieces = {
        "clip.flv",        "mon clip.flv",      "",
        "a\"b",            "\"quoted\"",        "trailing\\",
        "C:\\Vid eos\\",   "back\\\\\"slash",   "& ^ % ! < > |",
        "%PATH%",          "^caret^",           "vidéo été.flv",
        "Видео 動画.flv", "-leading dash",     "tab\there",
        "\\\\server\\share\\x y",
    };
    std::wstring line = L"C:\\Outils\\ffmpeg.exe";
    for (const std::string& piece : pieces) line += L" " + win32::QuoteArgument(Widen(piece));
    std::vector<std::string> expected = {"C:\\Outils\\ffmpeg.exe"};
    expected.insert(expected.end(), pieces.begin(), pieces.end());
    EXPECT_EQ(SplitAsWindowsDoes(line), expected);
}

TEST(WindowsCommandLine, PlainNamesGiveTheComposedTextWithTheToolFound) {
    struct Case {
        CommandLine command;
        std::wstring program;
        std::wstring expected;
    };
    // A conversion's line as the text composes it, its output under its own name.
    const auto composed = [](const ConversionPreset& preset, const std::string& toolDir, const std::string& base) {
        CommandLine line = ConversionCommand(preset, toolDir, base);
        line.arguments.back() = line.output;
        return line;
    };
    const Case cases[] = {
        {composed(kPresets[0], "C:\\Outils", "clip"), L"C:\\Outils\\ffmpeg.exe",
         L"C:\\Outils\\ffmpeg.exe -y -i clip.flv -f avi clip.avi"},
        {composed(kPresets[3], "D:\\T", "vidéo"), L"D:\\T\\ffmpeg",
         L"D:\\T\\ffmpeg -y -i vidéo.avi -ab 56k -ar 44100 -b 200k -r 15 -s 320x240 -f flv vidéo.flv"},
        {PlayerCommand("C:\\Outils", "clip", ".flv"), L"C:\\Outils\\ffplay.exe",
         L"C:\\Outils\\ffplay.exe clip.flv"},
        {MixerCommand(), L"C:\\Windows\\System32\\SndVol.exe", L"C:\\Windows\\System32\\SndVol.exe /t"},
        // A tool folder with blanks is quoted as the first word, the rest of the text kept.
        {composed(kPresets[0], "C:\\Program Files\\Talvenor", "clip"),
         L"C:\\Program Files\\Talvenor\\ffmpeg.exe",
         L"\"C:\\Program Files\\Talvenor\\ffmpeg.exe\" -y -i clip.flv -f avi clip.avi"},
        // The temporary name a conversion really writes has a blank: every argument is then written out.
        {ConversionCommand(kPresets[0], "C:\\Outils", "clip"), L"C:\\Outils\\ffmpeg.exe",
         L"C:\\Outils\\ffmpeg.exe -y -i clip.flv -f avi \"clip (inachevé).avi\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(win32::WindowsCommandLine(c.command, c.program), c.expected) << c.command.text;
    }
}

TEST(WindowsCommandLine, AwkwardNamesReachTheToolAsOneArgumentEach) {
    const std::string names[] = {"mon clip", "a & b", "100% ^x", "dit \"oui\"", "été à Noël", "-moins",
                                 "fin\\", "日本語 ファイル"};
    for (const std::string& name : names) {
        for (const ConversionPreset& preset : kPresets) {
            const CommandLine command = ConversionCommand(preset, "C:\\Mes outils", name);
            std::vector<std::string> expected = {"C:\\Mes outils\\ffmpeg.exe"};
            expected.insert(expected.end(), command.arguments.begin(), command.arguments.end());
            EXPECT_EQ(SplitAsWindowsDoes(win32::WindowsCommandLine(command, L"C:\\Mes outils\\ffmpeg.exe")),
                      expected)
                << name;
        }
    }
}

}  // namespace
}  // namespace talvenor::testing
