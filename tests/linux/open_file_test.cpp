// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing a file the other ways a desktop offers: "talvenor FILE" from anywhere, the keyboard on
// the file box, a name in capitals, and the desktop's own file dialog. Stand-ins for ffmpeg and
// ffplay beside the program record the folder they start in and the arguments they receive.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <thread>

#include "desktop_driver.h"
#include "window_points.h"

namespace talvenor::e2e {
namespace {

using namespace std::chrono_literals;

const std::string kLightCyan = "192,255,255";
const std::string kLightRed = "255,192,192";

std::vector<std::string> Lines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class OpenFile : public ::testing::Test {
protected:
    TempDir tools;
    TempDir media;
    TempDir elsewhere;
    Desktop desktop;
    pid_t app = -1;
    Geometry origin;

    void SetUp() override {
        fs::copy_file(TALVENOR_EXECUTABLE, tools.path() / "talvenor");
        fs::copy_file(TALVENOR_CONSOLE, tools.path() / "talvenor-console");
        for (const char* tool : {"ffmpeg", "ffplay"}) {
            const fs::path log = tools.path() / (std::string(tool) + ".log");
            // The conversion lasts a moment, as a real one does: a terminal that closes as soon as it
            // opens can leave its manager's empty frame behind, over the window.
            WriteScript(tools.path() / tool, "{ pwd; printf '%s\\n' \"$@\"; } > '" + log.string() +
                                                 ".part'; mv '" + log.string() + ".part' '" +
                                                 log.string() + "'" + (tool == std::string("ffmpeg") ? "; sleep 1" : ""));
        }
    }

    void TearDown() override { Stop(); }

    void Stop() {
        if (app > 0 && !Ended(app)) {
            kill(app, SIGTERM);
            WaitUntil([&] { return Ended(app); }, 3s);
        }
        app = -1;
        desktop.WaitForNoWindow(kBoxTitle, 2s);
    }

    void Launch(const std::vector<std::string>& arguments, const fs::path& workingDir,
                const std::map<std::string, std::string>& environment = {}) {
        std::vector<std::string> argv = {(tools.path() / "talvenor").string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        app = Start(argv, workingDir, environment);
        const unsigned long window = desktop.WaitForWindow(kMainTitle, 15s);
        ASSERT_NE(window, 0u) << "the window did not open";
        origin = desktop.GeometryOf(window);
    }

    void ClickAt(Point p) { desktop.Click(origin.x + p.x, origin.y + p.y); }
    std::string PixelAt(Point p) { return desktop.PixelAt(origin.x + p.x, origin.y + p.y); }

    // What the stand-in `tool` recorded at its last start: its folder, then its arguments.
    std::vector<std::string> Recorded(const std::string& tool) {
        const fs::path log = tools.path() / (tool + ".log");
        if (!WaitUntil([&] { return fs::exists(log); }, 20s))
            return {"(" + tool + " never started)"};
        std::vector<std::string> lines = Lines(log);
        fs::remove(log);
        return lines;
    }

    // Converts and plays what the window has chosen; returns what ffmpeg and ffplay received.
    std::pair<std::vector<std::string>, std::vector<std::string>> ConvertAndView() {
        ClickAt(kLancer);
        std::vector<std::string> converted = Recorded("ffmpeg");
        // Its terminal closes by itself once it has succeeded.
        desktop.WaitForWindow(kConversionTitle, 5s);
        EXPECT_TRUE(desktop.WaitForNoWindow(kConversionTitle, 10s)) << "the conversion's terminal stayed";
        ClickAt(kVoir);
        return {converted, Recorded("ffplay")};
    }
};

TEST_F(OpenFile, AFileOnTheCommandLineIsChosenWhereverTalvenorStarts) {
    struct Case {
        std::vector<std::string> arguments;  // after the program's name; "@" stands for the folder
        bool fromElsewhere;
        std::vector<std::string> ffmpeg, ffplay;
    };
    const fs::path folder = media.path() / "Mes vidéos";
    fs::create_directory(folder);
    for (const char* name : {"Mon clip.FLV", "Caméra 42.AVI", "-tiret.flv", "vid\xe9o.flv"})
        std::ofstream(folder / name) << "x";
    const std::vector<Case> cases = {
        {{"@/Mon clip.FLV"},
         true,
         {"-y", "-i", "Mon clip.FLV", "-f", "avi", "Mon clip (inachevé).avi"},
         {"Mon clip.FLV"}},
        // The preset follows the file: row 3 reads AVI files.
        {{"@/Caméra 42.AVI"},
         true,
         {"-y", "-i", "Caméra 42.AVI", "-ab", "56k", "-ar", "44100", "-b", "200k", "-r", "15", "-s",
          "320x240", "-f", "flv", "Caméra 42 (inachevé).flv"},
         {"Caméra 42.AVI"}},
        // A name from a Latin-1 disk reaches the tools byte for byte.
        {{"@/vid\xe9o.flv"}, true, {"-y", "-i", "vid\xe9o.flv", "-f", "avi", "vid\xe9o (inachevé).avi"}, {"vid\xe9o.flv"}},
        // "--" ends the options: a name may begin with "-".
        {{"--", "-tiret.flv"},
         false,
         {"-y", "-i", "./-tiret.flv", "-f", "avi", "./-tiret (inachevé).avi"},
         {"./-tiret.flv"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        std::vector<std::string> arguments = c.arguments;
        for (std::string& a : arguments) {
            if (a[0] == '@') a = folder.string() + a.substr(1);
        }
        Launch(arguments, c.fromElsewhere ? elsewhere.path() : folder);
        ASSERT_TRUE(WaitUntil([&] { return PixelAt(kText1Edge) == kLightCyan; }, 10s))
            << "no file shown as chosen";
        if (c.ffmpeg.size() > 6)
            desktop.Screenshot(fs::path(TALVENOR_ARTIFACTS) / "open-with-avi.png");
        const auto [ffmpeg, ffplay] = ConvertAndView();
        std::vector<std::string> expected = {folder.string()};
        expected.insert(expected.end(), c.ffmpeg.begin(), c.ffmpeg.end());
        EXPECT_EQ(ffmpeg, expected);
        expected = {folder.string()};
        expected.insert(expected.end(), c.ffplay.begin(), c.ffplay.end());
        EXPECT_EQ(ffplay, expected);
        Stop();
    }
}

TEST_F(OpenFile, AFileThatCannotBeOpenedIsToldAndNothingIsChosen) {
    for (const std::string& name : {std::string("absent.flv"), std::string("notes.txt")}) {
        SCOPED_TRACE(name);
        if (name == "notes.txt") std::ofstream(media.path() / name) << "x";
        Launch({(media.path() / name).string()}, elsewhere.path());
        const unsigned long box = desktop.WaitForWindow(kBoxTitle, 10s);
        ASSERT_NE(box, 0u) << "no box about " << name;
        desktop.Screenshot(fs::path(TALVENOR_ARTIFACTS) / ("open-refused-" + name + ".png"));
        desktop.Key("Return");
        ASSERT_TRUE(desktop.WaitForNoWindow(kBoxTitle, 5s));
        EXPECT_EQ(PixelAt(kText1Edge), kLightRed);
        EXPECT_FALSE(Ended(app)) << "the window did not stay";
        Stop();
    }
    // Other options are still refused, before any window.
    const Output refused = RunProgram({(tools.path() / "talvenor").string(), "-x", "clip.flv"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.errors.find("« -x »"), std::string::npos);
}

TEST_F(OpenFile, SpaceOnTheFocusedFileBoxOpensTheDialogAndCapitalsReachTheTools) {
    std::ofstream(media.path() / "CLIP.FLV") << "x";
    Launch({}, media.path());
    // The file box has the focus when the window opens.
    desktop.Key("space");
    ASSERT_NE(desktop.WaitForWindow(kDialogTitle, 10s), 0u) << "Space did not open the dialog";
    std::this_thread::sleep_for(300ms);
    desktop.Paste("CLIP.FLV");
    std::this_thread::sleep_for(200ms);
    desktop.Key("Return");
    ASSERT_TRUE(desktop.WaitForNoWindow(kDialogTitle, 10s));
    EXPECT_TRUE(WaitUntil([&] { return PixelAt(kText1Edge) == kLightCyan; }, 5s));
    const auto [ffmpeg, ffplay] = ConvertAndView();
    EXPECT_EQ(ffmpeg, (std::vector<std::string>{media.path().string(), "-y", "-i", "CLIP.FLV", "-f",
                                                "avi", "CLIP (inachevé).avi"}));
    EXPECT_EQ(ffplay, (std::vector<std::string>{media.path().string(), "CLIP.FLV"}));
}

TEST_F(OpenFile, TheDesktopsOwnDialogWhereItsThemeOffersOne) {
    const fs::path folder = media.path() / "GTK";
    fs::create_directory(folder);
    std::ofstream(folder / "le clip.flv") << "x";
    // Started elsewhere: the dialog opens in the working folder, and the file is typed by path.
    Launch({}, elsewhere.path(), {{"QT_QPA_PLATFORMTHEME", "gtk3"}});
    ClickAt(kText1);
    ASSERT_NE(desktop.WaitForWindow(kDialogTitle, 15s), 0u) << "no dialog";
    bool gtk = false;
    WaitUntil(
        [&] {
            for (unsigned long w : desktop.Windows(kDialogTitle)) {
                gtk = gtk || desktop.Property(w, "WM_WINDOW_ROLE").find("GtkFileChooserDialog") !=
                                 std::string::npos;
            }
            return gtk;
        },
        5s);
    ASSERT_TRUE(gtk) << "the dialog is not the desktop's own";
    desktop.Screenshot(fs::path(TALVENOR_ARTIFACTS) / "gtk-dialog.png");
    desktop.Key("ctrl+l");
    std::this_thread::sleep_for(300ms);
    desktop.Type((folder / "le clip.flv").string());
    std::this_thread::sleep_for(300ms);
    desktop.Key("Return");
    ASSERT_TRUE(desktop.WaitForNoWindow(kDialogTitle, 10s));
    EXPECT_TRUE(WaitUntil([&] { return PixelAt(kText1Edge) == kLightCyan; }, 5s));
    const auto [ffmpeg, ffplay] = ConvertAndView();
    EXPECT_EQ(ffmpeg, (std::vector<std::string>{folder.string(), "-y", "-i", "le clip.flv", "-f",
                                                "avi", "le clip (inachevé).avi"}));
    EXPECT_EQ(ffplay, (std::vector<std::string>{folder.string(), "le clip.flv"}));
}

}  // namespace
}  // namespace talvenor::e2e
