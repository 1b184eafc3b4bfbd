// SPDX-License-Identifier: GPL-3.0-or-later
// Talvenor as a user meets it: the real window under a real window manager, clicked at the
// design's pixel positions, with the real ffmpeg and ffplay.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "desktop_driver.h"
#include "presets.h"
#include "window_points.h"

namespace talvenor::e2e {
namespace {

using namespace std::chrono_literals;


std::string ReadFile(const fs::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class EndToEnd : public ::testing::Test {
protected:
    TempDir tools;  // where the program is installed: its ToolDir
    TempDir media;
    Desktop desktop;
    pid_t app = -1;
    unsigned long window = 0;
    Geometry origin;

    void TearDown() override {
        // The screen as it was when the test failed, kept beside the build.
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (HasFailure()) desktop.Screenshot(fs::path(TALVENOR_ARTIFACTS) / (test + ".png"));
        if (app > 0 && !Ended(app)) {
            kill(app, SIGTERM);
            WaitUntil([&] { return Ended(app); }, 3s);
        }
        // Players, and the terminals of failed conversions that wait for Enter, on this display.
        for (pid_t pid : ProcessesNamed("ffplay")) kill(pid, SIGTERM);
        desktop.CloseConversionWindows();
        desktop.WaitForNoWindow(kBoxTitle, 2s);
    }

    // Copies the program (with its conversion console, as in a build tree) into its own directory
    // and starts it there.
    void Launch(const std::map<std::string, std::string>& environment = {}, fs::path workingDir = {},
                bool withConsole = true) {
        fs::copy_file(TALVENOR_EXECUTABLE, tools.path() / "talvenor");
        if (withConsole) fs::copy_file(TALVENOR_CONSOLE, tools.path() / "talvenor-console");
        if (workingDir.empty()) workingDir = media.path();
        app = Start({(tools.path() / "talvenor").string()}, workingDir, environment);
        window = desktop.WaitForWindow(kMainTitle, 15s);
        ASSERT_NE(window, 0u) << "the window did not open";
        // Drawn, and so ready for clicks.
        ASSERT_TRUE(WaitUntil([&] { return desktop.PixelAt(kBackground.x, kBackground.y, window) == "89,117,255"; }, 15s))
            << "the window was not drawn";
        TakePlace();
    }

    // A manager may still move the window into place (weston frames it first, and places the
    // frame later): its place is taken once it has stayed the same for half a second.
    void TakePlace() {
        origin = desktop.GeometryOf(window);
        for (int same = 0, tries = 0; same < 5 && tries < 100; ++tries) {
            std::this_thread::sleep_for(100ms);
            const Geometry now = desktop.GeometryOf(window);
            same = now.x == origin.x && now.y == origin.y ? same + 1 : 0;
            origin = now;
        }
    }

    // What a nested compositor shows, taken from the X screen it runs in (when there is one), into
    // the build's artifacts.
    static void ScreenshotOfTheNestingScreen(const std::string& name) {
        if (const char* outer = std::getenv("TALVENOR_OUTER_DISPLAY"); outer != nullptr && *outer != '\0') {
            RunProgram({"import", "-display", outer, "-window", "root", (fs::path(TALVENOR_ARTIFACTS) / name).string()});
        }
    }

    // Managers put a new terminal where they like, over the window's middle (mutter 48 centres new
    // windows) or its corner: xterm is asked for the screen's bottom right corner, a position a
    // manager keeps as the user's, so that no click on the window lands on a terminal.
    std::pair<std::string, std::string> TerminalInTheCorner() {
        const fs::path resources = media.path() / "terminal-resources";
        std::ofstream(resources) << "*VT100.geometry: 80x24-0-0\n";
        return {"XENVIRONMENT", resources.string()};
    }

    void ClickAt(Point p, int button = 1) { desktop.Click(origin.x + p.x, origin.y + p.y, button); }
    void FailedConversionKeepsItsWindowUntilEnter(bool withConsole);
    void ConvertsAFileChosenInAnotherFolder(bool withConsole);

    // The conversion consoles waiting in the background for the next conversion (process names
    // are cut to 15 characters).
    static std::vector<pid_t> WaitingConsoles() {
        std::vector<pid_t> waiting;
        for (pid_t pid : ProcessesNamed("talvenor-consol")) {
            const auto args = CommandLineOf(pid);
            if (args.size() == 3 && args[1] == "--standby") waiting.push_back(pid);
        }
        return waiting;
    }

    void ChoosePreset(int row) {
        ClickAt(kListOpen);
        std::this_thread::sleep_for(200ms);
        ClickAt(ListItem(row));
    }

    // The dialog opens in the working directory: a file there is chosen by its name, any other
    // by its full path, pasted into the dialog's name box as a user would paste a name in a
    // script the keyboard lacks.
    void ChooseFile(const std::string& name) {
        ClickAt(kText1);
        if (desktop.WaitForWindow(kDialogTitle, 10s) == 0 && std::getenv("WAYLAND_DISPLAY") != nullptr) {
            // The nested compositor may have moved the window after its place was taken: what the
            // screen looked like is kept, and the click is made once more where the window is now.
            const Geometry now = desktop.GeometryOf(window);
            std::cout << "no dialog after the first click on the file box; pointer "
                      << RunProgram({"xdotool", "getmouselocation"}).text << "window taken at " << origin.x << ","
                      << origin.y << ", now at " << now.x << "," << now.y << "; clicking again" << std::endl;
            origin = now;
            ScreenshotOfTheNestingScreen("lost-click.png");
            ClickAt(kText1);
        }
        ASSERT_NE(desktop.WaitForWindow(kDialogTitle, 10s), 0u) << "the file dialog did not open";
        std::this_thread::sleep_for(300ms);
        desktop.Paste(name);
        std::this_thread::sleep_for(200ms);
        desktop.Key("Return");
        ASSERT_TRUE(desktop.WaitForNoWindow(kDialogTitle, 10s)) << "the dialog refused " << name;
        // The box turns light cyan once the choice is made and the window takes clicks again.
        ASSERT_TRUE(WaitUntil([&] { return desktop.PixelAt(kText1Edge.x, kText1Edge.y, window) == "192,255,255"; }, 10s))
            << "the file box does not show the choice of " << name;
    }

    // The player started on our display, or 0 when none comes within ten seconds.
    pid_t WaitForPlayer() {
        pid_t player = 0;
        WaitUntil(
            [&] {
                const auto players = ProcessesNamed("ffplay");
                if (!players.empty()) player = players.front();
                return player != 0;
            },
            10s);
        return player;
    }

    void WaitForConversion(const fs::path& output) {
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(output); }, 20s)) << output << " never appeared";
        ASSERT_TRUE(desktop.WaitForNoWindow(kConversionTitle, 60s)) << "the conversion did not end";
    }

    std::string FormatOf(const fs::path& file) {
        return RunProgram({"ffprobe", "-v", "error", "-show_entries", "format=format_name", "-of",
                    "default=nw=1:nk=1", file.string()})
            .text;
    }
};

TEST_F(EndToEnd, OpensCentredBorderlessAndInItsNoFileState) {
    Launch();
    const Geometry screen{0, 0, 1280, 1024};
    EXPECT_EQ(origin.width, 367);
    EXPECT_EQ(origin.height, 287);
    EXPECT_EQ(origin.x, (screen.width - 367) / 2);
    EXPECT_EQ(origin.y, (screen.height - 287) / 2);
    EXPECT_NE(desktop.Property(window, "_NET_FRAME_EXTENTS").find("0, 0, 0, 0"), std::string::npos);
    EXPECT_EQ(desktop.Property(window, "_NET_WM_STATE").find("ABOVE"), std::string::npos);
    EXPECT_NE(desktop.Property(window, "WM_NAME").find("Talvenor 1.0" + std::string(104, ' ') + "talvenor.example"),
              std::string::npos);

    // The design's colours, read off the screen.
    auto pixel = [&](Point p) { return desktop.PixelAt(origin.x + p.x, origin.y + p.y); };
    EXPECT_EQ(pixel(kBackground), "89,117,255");
    // The panel darkens towards its edge and stays fully blue.
    int red = 0, green = 0, blue = 0;
    ASSERT_EQ(std::sscanf(pixel({2, 150}).c_str(), "%d,%d,%d", &red, &green, &blue), 3);
    EXPECT_LT(red, 89);
    EXPECT_LT(green, 117);
    EXPECT_EQ(blue, 255);
    EXPECT_EQ(pixel({67, 127}), "255,192,192");  // Text1: the prompt's light red
    EXPECT_EQ(pixel({68, 92}), "192,255,255");   // TxtChoix: light cyan
    desktop.Screenshot(fs::path(TALVENOR_ARTIFACTS) / "window.png");
}

TEST_F(EndToEnd, ConvertsWithEveryPresetBesideTheSourceWhateverTheName) {
    struct Case {
        int row;
        std::string source;
        std::string output;
        std::string format;
    };
    const std::vector<Case> cases = {
        {0, "mon clip.flv", "mon clip.avi", "avi"},
        {1, "l'été \"$(touch pwned)\" ; & |.flv", "l'été \"$(touch pwned)\" ; & |.avi", "avi"},
        {2, "-tiret `touch pwned`.flv", "-tiret `touch pwned`.mpeg", "mpeg"},
        {3, "vidéo accentuée 日本.avi", "vidéo accentuée 日本.flv", "flv"},
    };
    const fs::path folder = media.path() / "dossier à part";
    fs::create_directory(folder);
    // The AVI one is rich enough that the video's bit rate shows whether the encoder was given one.
    for (const Case& c : cases) MakeClip(folder / c.source, c.row == 3 ? "testsrc2=duration=5:size=640x480:rate=25" : "");
    // Beside the program, the real ffmpeg with what it says kept.
    const fs::path said = tools.path() / "said";
    WriteScript(tools.path() / "ffmpeg", "exec ffmpeg \"$@\" 2>>\"$TALVENOR_PROBE\"");
    Launch({{"TALVENOR_PROBE", said.string()}}, folder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        ChoosePreset(c.row);
        ChooseFile(c.source);
        ClickAt(kLancer);
        WaitForConversion(folder / c.output);
        EXPECT_NE(FormatOf(folder / c.output).find(c.format), std::string::npos);
    }
    // ffmpeg read every number as meant: 200 kbit/s, not 200 bit/s and its coarsest pictures.
    EXPECT_EQ(ReadFile(said).find("set too low"), std::string::npos) << ReadFile(said);
    const fs::path flv = folder / cases[3].output;
    EXPECT_EQ(RunProgram({"ffprobe", "-v", "error", "-select_streams", "v", "-show_entries", "stream=bit_rate", "-of",
                          "csv=p=0", flv.string()}).text, "200000\n");
    // Five seconds at the coarsest pictures weigh under 70 kB; at 200 kbit/s, over 200 kB.
    EXPECT_GT(fs::file_size(flv), 150'000u);
    // Nothing in a name was ever run, and nothing landed anywhere but beside the sources.
    EXPECT_FALSE(fs::exists(folder / "pwned"));
    EXPECT_FALSE(fs::exists(media.path() / "pwned"));
    EXPECT_EQ(std::distance(fs::directory_iterator(media.path()), fs::directory_iterator{}), 1);

    // Every source of the table through every preset that reads it, with the line the window
    // launches (clicking each would take minutes); the table's script checks each output.
    const std::string table = TALVENOR_SOURCE_DIR "/tests/conversion_sources.sh";
    const fs::path sources = media.path() / "sources", outputs = media.path() / "outputs";
    EXPECT_EQ(RunProgram({table, "make", sources.string(), outputs.string()}).text, "");
    ASSERT_FALSE(fs::is_empty(sources));
    for (const fs::directory_entry& source : fs::directory_iterator(sources)) {
        for (std::size_t row = 0; row < kPresets.size(); ++row) {
            if (source.path().extension() != kPresets[row].sourceExt) continue;
            const std::string base = (outputs / source.path().stem()).string();
            std::vector<std::string> argv = ConversionCommand(kPresets[row], "", base, source.path(), ReadFile(source.path())).arguments;
            argv.insert(argv.begin(), {"ffmpeg", "-nostdin", "-v", "error"});
            argv.back() = base + std::string(kPresets[row].outputExt);  // the name the console gives it
            EXPECT_EQ(RunProgram(argv).errors, "") << source << " through row " << row;
            const std::string output = base + std::string(kPresets[row].outputExt);
            EXPECT_EQ(RunProgram({table, "check", source.path().string(), output, std::to_string(row)}).text, "");
        }
    }
}

TEST_F(EndToEnd, AnExistingOutputIsReplacedOnlyAfterYes) {
    // Beside the program, a stand-in that notes each start and hands over to the real ffmpeg.
    const fs::path starts = tools.path() / "starts";
    WriteScript(tools.path() / "ffmpeg", "echo start >> \"$TALVENOR_PROBE\"; exec ffmpeg \"$@\"");
    MakeClip(media.path() / "clip.flv");
    std::ofstream(media.path() / "clip.avi") << "précieux";
    Launch({{"TALVENOR_PROBE", starts.string()}});
    ChooseFile("clip.flv");
    // Enter, the key a hurried user presses, answers « Non », as Escape does.
    for (const char* key : {"Return", "Escape"}) {
        ClickAt(kLancer);
        ASSERT_NE(desktop.WaitForWindow(kBoxTitle, 10s), 0u) << "no question before replacing";
        EXPECT_EQ(desktop.CopyMessageBox(),
                  (MessageBox{"Talvenor", "Le fichier « clip.avi » existe déjà. Le remplacer ?", "Oui   Non"}));
        desktop.Key(key);
        ASSERT_TRUE(desktop.WaitForNoWindow(kBoxTitle, 5s)) << key;
        EXPECT_TRUE(ReadFile(media.path() / "clip.avi") == "précieux") << key << " replaced the file";
    }

    ClickAt(kLancer);
    ASSERT_NE(desktop.WaitForWindow(kBoxTitle, 10s), 0u);
    desktop.Key("alt+o");
    ASSERT_TRUE(WaitUntil([&] { return FormatOf(media.path() / "clip.avi").find("avi") != std::string::npos; }, 30s));
    // Only « Oui » started a conversion; the keys before it started none.
    EXPECT_EQ(ReadFile(starts), "start\n");
}

// A video on read-only media: a box offers the user's videos folder, Enter answers « Non », and
// with « Oui » the video is converted there, where the notification's folder and the replace
// question follow it.
TEST_F(EndToEnd, AReadOnlyFolderOffersTheVideosFolder) {
    const fs::path cd = media.path() / "cd", videos = media.path() / "Vidéos";
    fs::create_directories(cd);
    MakeClip(cd / "clip.flv");
    if (RunProgram({"mount", "--bind", cd.string(), cd.string()}).status != 0) GTEST_SKIP() << "mounting is not allowed here";
    struct Unmount {
        fs::path path;
        // Lazily: the window still works in that folder until the test has ended.
        ~Unmount() { RunProgram({"umount", "-l", path.string()}); }
    } unmount{cd};
    ASSERT_EQ(RunProgram({"mount", "-o", "remount,ro,bind", cd.string()}).status, 0);
    Launch({{"XDG_VIDEOS_DIR", videos.string()}});
    ChooseFile("cd/clip.flv");
    const std::string question = "Le dossier « " + cd.string() + " » ne peut pas recevoir le fichier converti : il est en "
                                 "lecture seule, ou vous n'avez pas le droit d'y écrire.\n\nEnregistrer « clip.avi » dans "
                                 "votre dossier de vidéos, « " + videos.string() + " », à la place ?";
    for (const char* key : {"Return", "alt+o"}) {
        ClickAt(kLancer);
        ASSERT_NE(desktop.WaitForWindow(kBoxTitle, 10s), 0u) << "no box for a read-only folder";
        EXPECT_EQ(desktop.CopyMessageBox(), (MessageBox{"Talvenor", question, "Oui   Non"}));
        desktop.Key(key);
        ASSERT_TRUE(desktop.WaitForNoWindow(kBoxTitle, 5s)) << key;
        if (key == std::string("Return")) {
            std::this_thread::sleep_for(1s);
            EXPECT_FALSE(fs::exists(videos / "clip.avi")) << "« Non » started a conversion";
        }
    }
    WaitForConversion(videos / "clip.avi");
    EXPECT_NE(FormatOf(videos / "clip.avi").find("avi"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(videos), fs::directory_iterator{}), 1);
}

TEST_F(EndToEnd, ViewPlaysTheChosenFileAndStopEndsThePlayer) {
    MakeClip(media.path() / "à voir.flv");
    // The player takes its time to show, as on a loaded machine: it is minimised all the same.
    WriteScript(tools.path() / "ffplay", "sleep 4; exec ffplay \"$@\"");
    Launch();
    ChooseFile("à voir.flv");
    const std::string stopButton = desktop.PixelAt(origin.x + kStop.x, origin.y + kStop.y);
    ClickAt(kVoir);
    const pid_t player = WaitForPlayer();
    ASSERT_NE(player, 0) << "no player started";
    // It plays from the chosen file's folder, in a window of its own, started minimised.
    unsigned long playerWindow = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto windows = desktop.WindowsOfProcess(player);
            if (!windows.empty()) playerWindow = windows.back();
            return playerWindow != 0;
        },
        15s));
    const auto args = CommandLineOf(player);
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[1], "à voir.flv");
    EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(player) + "/cwd"), media.path());
    ASSERT_TRUE(WaitUntil([&] { return desktop.Property(playerWindow, "WM_STATE").find("Iconic") != std::string::npos; }, 5s));
    // The window manager shrinks it away to the taskbar: the button is free, and seen again,
    // once it is gone.
    auto hidden = [&] {
        return desktop.Property(playerWindow, "_NET_WM_STATE").find("HIDDEN") != std::string::npos &&
               desktop.PixelAt(origin.x + kStop.x, origin.y + kStop.y) == stopButton;
    };
    ASSERT_TRUE(WaitUntil(hidden, 5s));

    ActivationRequests requests;
    ClickAt(kStop);
    EXPECT_TRUE(WaitUntil([&] { return Ended(player); }, 10s)) << "Stop left the player running";
    EXPECT_FALSE(Ended(app)) << "Stop must not end Talvenor";
    // The player was asked for as the user's own action, with the time of the click, which a
    // manager that prevents focus stealing needs.
    const auto asked = requests.Received();
    const auto forPlayer = std::find_if(asked.begin(), asked.end(), [&](const auto& r) { return r.window == playerWindow; });
    ASSERT_NE(forPlayer, asked.end()) << "the player was not asked for";
    EXPECT_EQ(forPlayer->source, 2);
    EXPECT_NE(forPlayer->time, 0u) << "asked for with no time";
    if (const char* wmLog = std::getenv("TALVENOR_WM_LOG")) {
        char zeroTime[48];
        std::snprintf(zeroTime, sizeof zeroTime, "timestamp of 0 for 0x%lx", playerWindow);
        EXPECT_EQ(ReadFile(wmLog).find(zeroTime), std::string::npos) << ReadFile(wmLog);
    }
}

TEST_F(EndToEnd, StopAndQuitTypeNoKeyWhenNoPlayerComesForward) {
    // A player that runs but never shows a window, as one that hangs before its first picture.
    WriteScript(tools.path() / "ffplay", "exec sleep 30");
    MakeClip(media.path() / "clip.flv");
    Launch();
    ChooseFile("clip.flv");
    // Every key the X server sees, synthesised ones included, one line per event as it comes.
    const fs::path events = media.path() / "events";
    const pid_t recorder =
        Start({"/bin/sh", "-c", "exec stdbuf -oL xinput test-xi2 --root > \"$1\"", "sh", events.string()}, media.path());
    const auto keyPresses = [&] {
        const std::string seen = ReadFile(events);
        std::size_t count = 0;
        for (std::size_t at = seen.find("(RawKeyPress)"); at != std::string::npos; at = seen.find("(RawKeyPress)", at + 1)) {
            ++count;
        }
        return count;
    };
    // Shift, pressed alone, types nothing: it marks where the recorder stands.
    ASSERT_TRUE(WaitUntil([&] {
        desktop.Key("shift");
        return keyPresses() > 0;
    }, 10s)) << "the key recorder did not start";
    const std::size_t before = keyPresses();

    // Stop with no player ever started, then with one whose window never comes; then Quitter.
    ClickAt(kStop);
    ClickAt(kVoir);
    ASSERT_TRUE(WaitUntil([] { return !ProcessesNamed("sleep").empty(); }, 10s));
    ClickAt(kStop);
    ClickAt(kQuit);
    EXPECT_TRUE(WaitUntil([&] { return Ended(app); }, 20s)) << "Quitter did not end Talvenor";
    // A key of our own comes after any that Talvenor typed.
    desktop.Key("shift");
    EXPECT_TRUE(WaitUntil([&] { return keyPresses() > before; }, 10s));
    EXPECT_EQ(keyPresses(), before + 1) << "the quit key was typed into a window that is not the player's";
    kill(recorder, SIGTERM);
    for (pid_t sleeper : ProcessesNamed("sleep")) kill(sleeper, SIGTERM);
}

TEST_F(EndToEnd, QuitEndsTalvenorAndTheConversionGoesOn) {
    // A stand-in for ffmpeg beside the program: it records its arguments, takes its time and
    // writes its file.
    WriteScript(tools.path() / "ffmpeg",
                "echo $$ > \"$TALVENOR_PROBE.pid\"; printf '%s\\n' \"$@\" > \"$TALVENOR_PROBE.args\"; "
                "sleep 4; for last; do :; done; echo converti > \"$last\"");
    MakeClip(media.path() / "long.flv");
    const fs::path probe = media.path() / "probe";
    Launch({{"TALVENOR_PROBE", probe.string()}, TerminalInTheCorner()});
    ChooseFile("long.flv");
    ClickAt(kLancer);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(probe.string() + ".args"); }, 10s));
    EXPECT_EQ(ReadFile(probe.string() + ".args"), "-y\n-i\nlong.flv\n-f\navi\nlong (inachevé).avi\n");
    const pid_t conversion = std::stoi(ReadFile(probe.string() + ".pid"));

    ClickAt(kQuit);
    EXPECT_TRUE(WaitUntil([&] { return Ended(app); }, 10s)) << "Quitter did not end Talvenor";
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(Alive(conversion)) << "the conversion ended with Talvenor";
    // Ended well, its file takes its name without Talvenor.
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(media.path() / "long.avi") == "converti\n"; }, 20s));
    EXPECT_FALSE(fs::exists(media.path() / "long (inachevé).avi"));
}

// A failed conversion's window stays, showing why, until Enter: through the conversion console,
// and through the shell that stands in when the console is missing.
void EndToEnd::FailedConversionKeepsItsWindowUntilEnter(bool withConsole) {
    WriteScript(tools.path() / "ffmpeg", "echo 'clip.flv: Invalid data found when processing input' >&2; exit 1");
    MakeClip(media.path() / "clip.flv");
    Launch({}, {}, withConsole);
    ChooseFile("clip.flv");
    // With the console, one waits in the background for the next conversion.
    std::vector<pid_t> waiting;
    if (withConsole) {
        ASSERT_TRUE(WaitUntil([&] { return (waiting = WaitingConsoles()).size() == 1; }, 5s));
    }
    // Terminals of earlier conversions may still be open: this one is the window that is new.
    const auto before = desktop.Windows(kConversionTitle);
    ClickAt(kLancer);
    unsigned long terminal = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (unsigned long w : desktop.Windows(kConversionTitle)) {
                if (std::find(before.begin(), before.end(), w) == before.end()) terminal = w;
            }
            return terminal != 0;
        },
        10s))
        << "the conversion's window did not open";
    auto open = [&] {
        const auto now = desktop.Windows(kConversionTitle);
        return std::find(now.begin(), now.end(), terminal) != now.end();
    };
    std::this_thread::sleep_for(1500ms);
    ASSERT_TRUE(open()) << "the reason of the failure vanished";
    EXPECT_EQ(!ProcessesNamed("talvenor-consol").empty(), withConsole);
    if (withConsole) {
        // The waiting console ran this conversion, and a new one waits for the next.
        EXPECT_TRUE(Ended(waiting.front())) << "the waiting console was not used";
        const auto next = WaitingConsoles();
        EXPECT_TRUE(next.size() == 1 && next.front() != waiting.front()) << "no console waits for the next conversion";
    }
    // Enter must reach the terminal: it is activated first, and again if the key went astray.
    for (int attempt = 0; attempt < 3 && open(); ++attempt) {
        RunProgram({"xdotool", "windowactivate", "--sync", std::to_string(terminal)});
        desktop.Key("Return");
        WaitUntil([&] { return !open(); }, 5s);
    }
    EXPECT_FALSE(open());
}

// A file chosen in another folder than the one Talvenor started in is converted in its own folder:
// the tool runs there and the output lands beside the source, whether a console was waiting for
// the conversion or the program runs without its console.
void EndToEnd::ConvertsAFileChosenInAnotherFolder(bool withConsole) {
    // Beside the program, a stand-in that notes where it runs and hands over to the real ffmpeg.
    const fs::path ranIn = tools.path() / "ran-in";
    WriteScript(tools.path() / "ffmpeg", "pwd > \"$TALVENOR_PROBE\"; exec ffmpeg \"$@\"");
    TempDir elsewhere;
    const fs::path folder = elsewhere.path() / "vidéos d'été";
    fs::create_directory(folder);
    MakeClip(folder / "clip.flv");
    Launch({{"TALVENOR_PROBE", ranIn.string()}}, media.path(), withConsole);
    ChooseFile((folder / "clip.flv").string());
    if (withConsole) {
        ASSERT_TRUE(WaitUntil([] { return WaitingConsoles().size() == 1; }, 5s));
    }
    ClickAt(kLancer);
    WaitForConversion(folder / "clip.avi");
    EXPECT_NE(FormatOf(folder / "clip.avi").find("avi"), std::string::npos);
    EXPECT_EQ(ReadFile(ranIn), folder.string() + "\n");
    EXPECT_TRUE(fs::is_empty(media.path())) << "something landed in the folder Talvenor started in";
}

TEST_F(EndToEnd, AFileChosenInAnotherFolderIsConvertedThere) { ConvertsAFileChosenInAnotherFolder(true); }

TEST_F(EndToEnd, WithoutTheConsoleAFileChosenInAnotherFolderIsConvertedThere) {
    ConvertsAFileChosenInAnotherFolder(false);
}

TEST_F(EndToEnd, AFailedConversionKeepsItsWindowUntilEnter) { FailedConversionKeepsItsWindowUntilEnter(true); }

TEST_F(EndToEnd, WithoutTheConsoleAFailedConversionStillKeepsItsWindow) {
    FailedConversionKeepsItsWindowUntilEnter(false);
}

// A long conversion shows how far it is in its window's title, and its end comes as a desktop
// notification (stand-ins on a session bus of the test's own), escaped where it is read as markup,
// a name that turns text around set apart, whose click shows the file in the file manager where
// one answers, else its folder (xdg-open) soon. A click on another program's notification that a
// restarted service gives the same id shows nothing.
TEST_F(EndToEnd, ALongConversionShowsItsProgressAndEndsWithANotification) {
    const fs::path notifications = media.path() / "notifications";
    const fs::path shown = media.path() / "shown";
    const fs::path unanswered = media.path() / "unanswered";
    const fs::path opened = media.path() / "opened";
    const std::string address = "unix:path=" + (media.path() / "bus").string();
    struct Stop {
        std::vector<pid_t> pids;
        ~Stop() {
            for (pid_t pid : pids) kill(pid, SIGTERM);
        }
    } bus{{Start({"/usr/bin/dbus-daemon", "--session", "--nofork", "--address=" + address}, media.path())}};
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(media.path() / "bus"); }, 10s));
    auto serve = [&](const std::vector<std::string>& argv, const fs::path& log) {
        bus.pids.push_back(Start(argv, media.path(), {{"DBUS_SESSION_BUS_ADDRESS", address}}));
        return WaitUntil([&] { return fs::exists(log.string() + ".address"); }, 10s);
    };
    ASSERT_TRUE(serve({TALVENOR_NOTIFICATION_RECORDER, notifications.string()}, notifications));
    TempDir bin;
    WriteScript(bin.path() / "xdg-open", "printf '%s\\n' \"$@\" >> \"" + opened.string() + "\"");
    WriteScript(tools.path() / "ffmpeg",
                "echo '  Duration: 00:00:20.00, start: 0.000000, bitrate: 512 kb/s' >&2; "
                "for t in 05 10 15; do printf 'frame=  100 fps= 25 q=2.0 size=     256kB time=00:00:%s.00 "
                "bitrate= 400.0kbits/s speed=1.00x    \\r' $t >&2; sleep 1; done; sleep 9; for last; do :; done; : > \"$last\"");
    Launch({{"DBUS_SESSION_BUS_ADDRESS", address}, {"PATH", bin.path().string() + ":" + std::getenv("PATH")}});
    // A service without markup and a file manager that never answers, then, restarted, one with
    // markup and a file manager.
    const std::string folder = media.path().string();
    std::string told;
    for (const bool markup : {false, true}) {
        const std::string name = markup ? "Tom & Jerry <2010>" : "Film <2010> \u202Egepm";
        SCOPED_TRACE(name);
        MakeClip(media.path() / (name + ".flv"));
        std::ofstream(notifications.string() + ".capabilities") << (markup ? "body actions body-markup" : "body actions");
        const fs::path managerLog = markup ? shown : unanswered;
        ASSERT_TRUE(serve({TALVENOR_NOTIFICATION_RECORDER, markup ? "--file-manager" : "--silent-file-manager", managerLog.string()}, managerLog));
        if (markup) {
            // The service started anew, and another program's notification clicked at once: its id is the first one's.
            fs::remove(notifications.string() + ".address");
            ASSERT_TRUE(serve({TALVENOR_NOTIFICATION_RECORDER, notifications.string()}, notifications));
            RunProgram({"env", "DBUS_SESSION_BUS_ADDRESS=" + address, "gdbus", "call", "--session", "--dest", "org.freedesktop.Notifications",
                        "--object-path", "/org/freedesktop/Notifications", "--method", "org.freedesktop.Notifications.Notify",
                        "Courrier", "0", "", "Nouveau message", "", "['default']", "{}", "int32 -1"});
            told += "Nouveau message\n\ndefault\n";
        }
        ChooseFile(name + ".flv");
        ClickAt(kLancer);
        EXPECT_TRUE(markup || desktop.WaitForWindow("^Talvenor — ffmpeg — [0-9]+ % \\(reste ", 10s) != 0)
            << "no percentage in the conversion's title";
        const std::string output = markup ? "Tom &amp; Jerry &lt;2010&gt;.avi" : "\u2068" + name + ".avi\u2069";
        told += "Conversion terminée\n« " + output + " » est prêt dans " + folder + ".\ndefault|Ouvrir le dossier\n";
        EXPECT_TRUE(WaitUntil([&] { return ReadFile(notifications) == told; }, 30s)) << "received: " << ReadFile(notifications);
        // Well before D-Bus gives up on the file manager.
        EXPECT_TRUE(markup || WaitUntil([&] { return ReadFile(opened) == folder + "\n"; }, 10s)) << "no xdg-open soon";
    }
    const std::string file = "file://" + folder + "/Tom%20%26%20Jerry%20%3C2010%3E.avi\n";
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(shown) == file; }, 10s)) << "the file manager showed " << ReadFile(shown);
    EXPECT_EQ(ReadFile(opened), folder + "\n") << "what xdg-open was given";
}

TEST_F(EndToEnd, OneConversionPerOutputAtATime) {
    // A stand-in for ffmpeg beside the program: it notes each start, writes its output at once
    // and takes as many seconds as probe.seconds says when it starts.
    WriteScript(tools.path() / "ffmpeg",
                "echo $$ >> \"$TALVENOR_PROBE.starts\"; for last; do :; done; : > \"$last\"; "
                "exec sleep \"$(cat \"$TALVENOR_PROBE.seconds\")\"");
    MakeClip(media.path() / "clip.flv");
    const fs::path probe = media.path() / "probe";
    std::ofstream(probe.string() + ".seconds") << "4";
    // The window goes to the top left as well, out of any terminal's way.
    Launch({{"TALVENOR_PROBE", probe.string()}, TerminalInTheCorner()});
    RunProgram({"xdotool", "windowmove", std::to_string(window), "0", "0"});
    ASSERT_TRUE(WaitUntil([&] { return desktop.GeometryOf(window).x < 40 && desktop.GeometryOf(window).y < 40; }, 5s));
    TakePlace();
    ChooseFile("clip.flv");
    auto starts = [&] {
        std::vector<pid_t> pids;
        std::istringstream in(ReadFile(probe.string() + ".starts"));
        for (pid_t pid = 0; in >> pid;) pids.push_back(pid);
        return pids;
    };
    // A box that has "Oui" starts a conversion on alt+o; the one that refuses only closes. Each
    // key goes to the box, made active first, and again if a window opening took the focus.
    auto answerOuiThenClose = [&] {
        for (int attempt = 0; attempt < 3 && !desktop.Windows(kBoxTitle).empty(); ++attempt) {
            const std::string box = std::to_string(desktop.WaitForWindow(kBoxTitle, 1s));
            RunProgram({"xdotool", "windowactivate", "--sync", box});
            desktop.Key("alt+o");
            if (desktop.WaitForNoWindow(kBoxTitle, 1s)) break;
            RunProgram({"xdotool", "windowactivate", "--sync", box});
            desktop.Key("Return");
            desktop.WaitForNoWindow(kBoxTitle, 3s);
        }
        ASSERT_TRUE(desktop.WaitForNoWindow(kBoxTitle, 5s));
    };

    // A double click starts one conversion, and a box says why there is no second.
    desktop.DoubleClick(origin.x + kLancer.x, origin.y + kLancer.y, 80);
    ASSERT_NE(desktop.WaitForWindow(kBoxTitle, 10s), 0u) << "no box for the second click";
    // The conversion's window takes the focus as it opens.
    desktop.WaitForWindow(kConversionTitle, 10s);
    answerOuiThenClose();
    ASSERT_TRUE(WaitUntil([&] { return starts().size() == 1; }, 10s));
    const pid_t first = starts()[0];
    ASSERT_TRUE(WaitUntil([&] { return kill(first, 0) != 0; }, 30s)) << "the stand-in did not end";
    EXPECT_EQ(starts().size(), 1u) << "a second conversion of the same file started";
    // Its window closes once the conversion has ended, as the user sees it.
    ASSERT_TRUE(desktop.WaitForNoWindow(kConversionTitle, 30s));

    // Once it has ended, a click asks before replacing, as for any existing file.
    std::ofstream(probe.string() + ".seconds") << "60";
    ClickAt(kLancer);
    ASSERT_NE(desktop.WaitForWindow(kBoxTitle, 10s), 0u) << "no question before replacing";
    answerOuiThenClose();
    ASSERT_TRUE(WaitUntil([&] { return starts().size() == 2; }, 10s)) << "« Oui » did not start the conversion";

    // Presets 0 and 1 write the same file: while the first runs, the second is refused.
    ChoosePreset(1);
    ChooseFile("clip.flv");
    ClickAt(kLancer);
    ASSERT_NE(desktop.WaitForWindow(kBoxTitle, 10s), 0u) << "no box for the other preset";
    answerOuiThenClose();
    std::this_thread::sleep_for(2s);
    EXPECT_EQ(starts().size(), 2u) << "two encoders write one file";
    EXPECT_EQ(kill(starts()[1], 0), 0);

    kill(starts()[1], SIGTERM);
    // Killed, the stand-in fails: its terminal then waits for Enter, which nobody will press.
    desktop.CloseConversionWindows();
}

// In a Wayland session (scripts/with-wayland-session.sh: weston with XWayland) the window runs
// on XWayland, a conversion runs, and the player, made to open an X11 window, is stopped by Stop.
TEST_F(EndToEnd, InAWaylandSessionConvertsPlaysAndStops) {
    if (std::getenv("WAYLAND_DISPLAY") == nullptr) GTEST_SKIP() << "not in a Wayland session";
    MakeClip(media.path() / "clip.flv");
    Launch();
    ChooseFile("clip.flv");
    ClickAt(kLancer);
    WaitForConversion(media.path() / "clip.avi");
    EXPECT_NE(FormatOf(media.path() / "clip.avi").find("avi"), std::string::npos);

    ClickAt(kVoir);
    const pid_t player = WaitForPlayer();
    ASSERT_NE(player, 0) << "no player started";
    std::ifstream environment("/proc/" + std::to_string(player) + "/environ", std::ios::binary);
    std::vector<std::string> variables;
    for (std::string entry; std::getline(environment, entry, '\0');) variables.push_back(entry);
    EXPECT_NE(std::find(variables.begin(), variables.end(), "SDL_VIDEODRIVER=x11"), variables.end());
    // Its window is an X11 one, which the quit key can reach.
    ASSERT_TRUE(WaitUntil([&] { return !desktop.WindowsOfProcess(player).empty(); }, 10s))
        << "the player opened no X11 window";
    ScreenshotOfTheNestingScreen("wayland.png");

    ClickAt(kStop);
    EXPECT_TRUE(WaitUntil([&] { return Ended(player); }, 10s)) << "Stop left the player running";
    EXPECT_FALSE(Ended(app));
}

TEST_F(EndToEnd, OnlyALeftPressOnTheBackgroundOrSubtitleMovesAndRaises) {
    Launch();
    auto drag = [&](Point from, int button) {
        desktop.Press(origin.x + from.x, origin.y + from.y, button);
        std::this_thread::sleep_for(150ms);
        desktop.MoveTo(origin.x + from.x + 40, origin.y + from.y + 20);
        std::this_thread::sleep_for(150ms);
        desktop.MoveTo(origin.x + from.x + 100, origin.y + from.y + 60);
        std::this_thread::sleep_for(200ms);
        desktop.Release(button);
        std::this_thread::sleep_for(300ms);
        return desktop.GeometryOf(window);
    };
    auto topmost = [&] { return desktop.Property(window, "_NET_WM_STATE").find("_NET_WM_STATE_ABOVE") != std::string::npos; };

    for (Point still : {kProductTitle, kLabel4, kLabel2, kText1}) {
        const Geometry after = drag(still, 1);
        EXPECT_EQ(after.x, origin.x) << still.x << "," << still.y;
        EXPECT_EQ(after.y, origin.y);
        desktop.WaitForNoWindow(kDialogTitle, 100ms);
        if (!desktop.Windows(kDialogTitle).empty()) desktop.Key("Escape");
    }
    desktop.WaitForNoWindow(kDialogTitle, 5s);
    for (int button : {2, 3}) {
        const Geometry after = drag(kBackground, button);
        EXPECT_EQ(after.x, origin.x);
        EXPECT_EQ(after.y, origin.y);
    }
    EXPECT_FALSE(topmost());

    for (Point surface : {kBackground, kSubtitleLight, kSubtitleDark}) {
        const Geometry after = drag(surface, 1);
        EXPECT_EQ(after.x, origin.x + 100) << surface.x << "," << surface.y;
        EXPECT_EQ(after.y, origin.y + 60);
        origin = after;
    }
    EXPECT_TRUE(topmost());
}

TEST_F(EndToEnd, LockStatesSurviveTheQuitKey) {
    MakeClip(media.path() / "clip.flv");
    Launch();
    ChooseFile("clip.flv");
    desktop.Key("Caps_Lock");
    desktop.Key("Num_Lock");
    RunProgram({"xset", "led", "named", "Scroll Lock"});
    const std::map<std::string, bool> allOn = {{"Caps Lock", true}, {"Num Lock", true}, {"Scroll Lock", true}};
    ASSERT_EQ(desktop.Locks(), allOn);
    ClickAt(kVoir);
    ASSERT_TRUE(WaitUntil([] { return !ProcessesNamed("ffplay").empty(); }, 10s));
    std::this_thread::sleep_for(1s);
    ClickAt(kStop);
    EXPECT_TRUE(WaitUntil([] { return ProcessesNamed("ffplay").empty(); }, 10s));
    EXPECT_EQ(desktop.Locks(), allOn);
    desktop.Key("Caps_Lock");
    desktop.Key("Num_Lock");
    RunProgram({"xset", "-led", "named", "Scroll Lock"});
}

TEST_F(EndToEnd, MissingProgramsAreReportedAndTheWindowStaysUsable) {
    TempDir emptyPath;
    MakeClip(media.path() / "clip.flv");
    Launch({{"PATH", emptyPath.path().string()}});
    ChooseFile("clip.flv");
    auto withAdvice = [&](const std::string& tool) {
        return "Impossible de lancer « " + tool + " ».\n\nPlacez " + tool + " dans le dossier de Talvenor (" +
               tools.path().string() + ") ou installez-le sur le système.";
    };
    const std::vector<std::pair<Point, std::string>> cases = {
        {kLancer, withAdvice("ffmpeg")},
        {kVoir, withAdvice("ffplay")},
        {kSpeaker, "Impossible d'ouvrir le mélangeur de volume : aucun programme adapté n'a été trouvé."},
        {kLabel2, "Impossible d'ouvrir le navigateur web : aucun programme adapté n'a été trouvé."},
    };
    for (const auto& [button, message] : cases) {
        ClickAt(button);
        ASSERT_NE(desktop.WaitForWindow(kBoxTitle, 10s), 0u) << "no message: " << message;
        EXPECT_EQ(desktop.CopyMessageBox(), (MessageBox{"Talvenor", message, "OK"}));
        desktop.Key("Return");
        EXPECT_TRUE(desktop.WaitForNoWindow(kBoxTitle, 5s));
        EXPECT_FALSE(Ended(app)) << "Talvenor ended";
    }
}

TEST_F(EndToEnd, SpeakerOpensTheMixerAndTheAddressOpensTheBrowser) {
    TempDir bin;
    const fs::path log = media.path() / "started";
    for (const char* program : {"pavucontrol", "xdg-open"}) {
        WriteScript(bin.path() / program, std::string("printf '%s\\n' \"") + program + "\" \"$@\" >> \"" + log.string() + "\"");
    }
    Launch({{"PATH", bin.path().string()}});
    ClickAt(kSpeaker);
    ClickAt(kLabel2);
    // Far enough apart to be two clicks, not one double-click.
    std::this_thread::sleep_for(700ms);
    ClickAt(kLabel2);
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(log).size() >= 60; }, 10s)) << ReadFile(log);
    const std::string started = ReadFile(log);
    EXPECT_NE(started.find("pavucontrol\n"), std::string::npos);
    // One browser per click, each given the address as a web address.
    const std::string opened = "xdg-open\nhttp://talvenor.example\n";
    std::size_t count = 0;
    for (std::size_t at = started.find(opened); at != std::string::npos; at = started.find(opened, at + 1)) ++count;
    EXPECT_EQ(count, 2u) << started;
}

TEST_F(EndToEnd, HelpBoxAndMinimise) {
    Launch();
    ClickAt(kHelp);
    const unsigned long box = desktop.WaitForWindow(kBoxTitle, 10s);
    ASSERT_NE(box, 0u);
    const MessageBox help = desktop.CopyMessageBox();
    EXPECT_EQ(help.caption, "Talvenor");
    EXPECT_EQ(help.buttons, "OK");
    // Modal: the box is the active window until it is dismissed.
    EXPECT_EQ(desktop.ActiveWindow(), box);
    desktop.Key("Return");
    EXPECT_TRUE(desktop.WaitForNoWindow(kBoxTitle, 5s));

    ClickAt(kMinimise);
    EXPECT_TRUE(WaitUntil([&] { return desktop.Property(window, "WM_STATE").find("Iconic") != std::string::npos; }, 5s));
    EXPECT_FALSE(Ended(app));
}

}  // namespace
}  // namespace talvenor::e2e
