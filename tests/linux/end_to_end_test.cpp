// Talvenor as a user meets it: the real window under a real window manager, clicked at the
// design's pixel positions, with the real ffmpeg and ffplay.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <thread>

#include "desktop_driver.h"

namespace talvenor::e2e {
namespace {

using namespace std::chrono_literals;

// Centres of the controls, in window pixels at 96 dpi.
struct Point {
    int x, y;
};
constexpr Point kText1{180, 132};
constexpr Point kListOpen{288, 97};
constexpr Point kLancer{180, 200};
constexpr Point kVoir{128, 176};
constexpr Point kStop{228, 176};
constexpr Point kHelp{168, 176};
constexpr Point kSpeaker{192, 176};
constexpr Point kMinimise{296, 24};
constexpr Point kQuit{320, 24};
constexpr Point kLabel2{300, 264};
constexpr Point kBackground{30, 150};
constexpr Point kProductTitle{185, 30};
constexpr Point kSubtitleLight{88, 66};
constexpr Point kSubtitleDark{150, 70};
constexpr Point kLabel4{180, 222};
// List1 lies at (64, 104); its items are 13 pixels high inside a 2-pixel frame.
Point ListItem(int row) { return {180, 104 + 2 + 13 * row + 6}; }

const std::string kMainTitle = "^Talvenor 1\\.0 ";
const std::string kDialogTitle = "^Sélection du fichier vidéo$";
const std::string kBoxTitle = "^Talvenor$";

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
        if (app > 0 && !Ended(app)) {
            kill(app, SIGTERM);
            WaitUntil([&] { return Ended(app); }, 3s);
        }
        for (pid_t player : ProcessesNamed("ffplay")) kill(player, SIGTERM);
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
        origin = desktop.GeometryOf(window);
    }

    void ClickAt(Point p, int button = 1) { desktop.Click(origin.x + p.x, origin.y + p.y, button); }
    void FailedConversionKeepsItsWindowUntilEnter(bool withConsole);

    void ChoosePreset(int row) {
        ClickAt(kListOpen);
        std::this_thread::sleep_for(200ms);
        ClickAt(ListItem(row));
    }

    // The dialog opens in the working directory, where the file is: its name is pasted into
    // the dialog's name box, as a user would paste a name in a script the keyboard lacks.
    void ChooseFile(const std::string& name) {
        ClickAt(kText1);
        ASSERT_NE(desktop.WaitForWindow(kDialogTitle, 10s), 0u) << "the file dialog did not open";
        std::this_thread::sleep_for(300ms);
        desktop.Paste(name);
        std::this_thread::sleep_for(200ms);
        desktop.Key("Return");
        ASSERT_TRUE(desktop.WaitForNoWindow(kDialogTitle, 10s)) << "the dialog refused " << name;
        // A click that comes while the window still finishes the choice would find the buttons
        // disabled: the file box's colour says when it is done.
        ASSERT_TRUE(WaitUntil([&] { return desktop.PixelAt(origin.x + 67, origin.y + 127) == "192,255,255"; }, 10s))
            << "the file box does not show " << name << " as chosen";
    }

    void WaitForConversion(const fs::path& output) {
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(output); }, 20s)) << output << " never appeared";
        ASSERT_TRUE(desktop.WaitForNoWindow("^Talvenor — ffmpeg$", 60s)) << "the conversion did not end";
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
    for (const Case& c : cases) MakeClip(folder / c.source);
    Launch({}, folder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        ChoosePreset(c.row);
        ChooseFile(c.source);
        ClickAt(kLancer);
        WaitForConversion(folder / c.output);
        EXPECT_NE(FormatOf(folder / c.output).find(c.format), std::string::npos);
    }
    // Nothing in a name was ever run, and nothing landed anywhere but beside the sources.
    EXPECT_FALSE(fs::exists(folder / "pwned"));
    EXPECT_FALSE(fs::exists(media.path() / "pwned"));
    EXPECT_EQ(std::distance(fs::directory_iterator(media.path()), fs::directory_iterator{}), 1);
}

TEST_F(EndToEnd, AnExistingOutputIsReplacedOnlyAfterYes) {
    MakeClip(media.path() / "clip.flv");
    std::ofstream(media.path() / "clip.avi") << "précieux";
    Launch();
    ChooseFile("clip.flv");
    ClickAt(kLancer);
    ASSERT_NE(desktop.WaitForWindow(kBoxTitle, 10s), 0u) << "no question before replacing";
    desktop.Key("Escape");
    ASSERT_TRUE(desktop.WaitForNoWindow(kBoxTitle, 5s));
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(ReadFile(media.path() / "clip.avi"), "précieux");

    ClickAt(kLancer);
    ASSERT_NE(desktop.WaitForWindow(kBoxTitle, 10s), 0u);
    desktop.Key("alt+o");
    ASSERT_TRUE(WaitUntil([&] { return FormatOf(media.path() / "clip.avi").find("avi") != std::string::npos; }, 30s));
}

TEST_F(EndToEnd, ViewPlaysTheChosenFileAndStopEndsThePlayer) {
    MakeClip(media.path() / "à voir.flv");
    Launch();
    ChooseFile("à voir.flv");
    ClickAt(kVoir);
    pid_t player = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto players = ProcessesNamed("ffplay");
            if (!players.empty()) player = players.front();
            return player != 0;
        },
        10s));
    const auto args = CommandLineOf(player);
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[1], "à voir.flv");
    // It plays from the chosen file's folder, in a window of its own, started minimised.
    EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(player) + "/cwd"), media.path());
    unsigned long playerWindow = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto windows = desktop.WindowsOfProcess(player);
            if (!windows.empty()) playerWindow = windows.back();
            return playerWindow != 0;
        },
        10s));
    ASSERT_TRUE(WaitUntil([&] { return desktop.Property(playerWindow, "WM_STATE").find("Iconic") != std::string::npos; }, 5s));
    // The window manager shrinks it away to the taskbar: the button is free once it is gone.
    ASSERT_TRUE(WaitUntil([&] { return desktop.Property(playerWindow, "_NET_WM_STATE").find("HIDDEN") != std::string::npos &&
                                       RunProgram({"xwininfo", "-id", std::to_string(playerWindow)}).text.find("IsUnMapped") != std::string::npos; }, 5s));

    ClickAt(kStop);
    EXPECT_TRUE(WaitUntil([&] { return kill(player, 0) != 0; }, 10s)) << "Stop left the player running";
    EXPECT_FALSE(Ended(app)) << "Stop must not end Talvenor";
}

TEST_F(EndToEnd, QuitEndsTalvenorAndTheConversionGoesOn) {
    // A stand-in for ffmpeg beside the program: it records its arguments and takes its time.
    WriteScript(tools.path() / "ffmpeg",
                "echo $$ > \"$TALVENOR_PROBE.pid\"; printf '%s\\n' \"$@\" > \"$TALVENOR_PROBE.args\"; exec sleep 30");
    MakeClip(media.path() / "long.flv");
    const fs::path probe = media.path() / "probe";
    Launch({{"TALVENOR_PROBE", probe.string()}});
    ChooseFile("long.flv");
    ClickAt(kLancer);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(probe.string() + ".args"); }, 10s));
    EXPECT_EQ(ReadFile(probe.string() + ".args"), "-y\n-i\nlong.flv\n-f\navi\nlong.avi\n");
    const pid_t conversion = std::stoi(ReadFile(probe.string() + ".pid"));

    ClickAt(kQuit);
    EXPECT_TRUE(WaitUntil([&] { return Ended(app); }, 10s)) << "Quitter did not end Talvenor";
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(kill(conversion, 0), 0) << "the conversion ended with Talvenor";
    // Killed, the stand-in fails: its terminal then waits for Enter, which nobody will press.
    for (pid_t terminal : ProcessesNamed("xterm")) kill(terminal, SIGTERM);
    kill(conversion, SIGTERM);
}

// A failed conversion's window stays, showing why, until Enter: through the conversion console,
// and through the shell that stands in when the console is missing.
void EndToEnd::FailedConversionKeepsItsWindowUntilEnter(bool withConsole) {
    WriteScript(tools.path() / "ffmpeg", "echo 'clip.flv: Invalid data found when processing input' >&2; exit 1");
    MakeClip(media.path() / "clip.flv");
    Launch({}, {}, withConsole);
    ChooseFile("clip.flv");
    // With the console, one waits in the background for the next conversion (process names are
    // cut to 15 characters).
    auto standbys = [] {
        std::vector<pid_t> waiting;
        for (pid_t pid : ProcessesNamed("talvenor-consol")) {
            const auto args = CommandLineOf(pid);
            if (args.size() == 3 && args[1] == "--standby") waiting.push_back(pid);
        }
        return waiting;
    };
    std::vector<pid_t> waiting;
    if (withConsole) {
        ASSERT_TRUE(WaitUntil([&] { return (waiting = standbys()).size() == 1; }, 5s));
    }
    // Terminals of earlier conversions may still be open: this one is the window that is new.
    const auto before = desktop.Windows("^Talvenor — ffmpeg$");
    ClickAt(kLancer);
    unsigned long terminal = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (unsigned long w : desktop.Windows("^Talvenor — ffmpeg$")) {
                if (std::find(before.begin(), before.end(), w) == before.end()) terminal = w;
            }
            return terminal != 0;
        },
        10s))
        << "the conversion's window did not open";
    auto open = [&] {
        const auto now = desktop.Windows("^Talvenor — ffmpeg$");
        return std::find(now.begin(), now.end(), terminal) != now.end();
    };
    std::this_thread::sleep_for(1500ms);
    ASSERT_TRUE(open()) << "the reason of the failure vanished";
    EXPECT_EQ(!ProcessesNamed("talvenor-consol").empty(), withConsole);
    if (withConsole) {
        // The waiting console ran this conversion, and a new one waits for the next.
        EXPECT_NE(kill(waiting.front(), 0), 0) << "the waiting console was not used";
        const auto next = standbys();
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

TEST_F(EndToEnd, AFailedConversionKeepsItsWindowUntilEnter) { FailedConversionKeepsItsWindowUntilEnter(true); }

TEST_F(EndToEnd, WithoutTheConsoleAFailedConversionStillKeepsItsWindow) {
    FailedConversionKeepsItsWindowUntilEnter(false);
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
    for (Point button : {kLancer, kVoir, kSpeaker, kLabel2}) {
        ClickAt(button);
        EXPECT_NE(desktop.WaitForWindow(kBoxTitle, 10s), 0u) << "no message for " << button.x << "," << button.y;
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
