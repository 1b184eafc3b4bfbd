// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <tuple>

#include "form_fixture.h"

namespace talvenor::testing {
namespace {

using Log = std::vector<std::string>;

TEST_F(FormTest, LoadRunsTheListClickBeforeFillingTheChoice) {
    form.Form_Load();
    EXPECT_EQ(log, (Log{"CmdLancer.Enabled=False", "List1.ListIndex=0", "List1.Visible=False",
                        "TxtChoix.Text=Vidéo  FLV vers AVI", "CmdLancer.Enabled=False",
                        "CmdVisu.Enabled=False", "CmdStop.Enabled=False", "Text1.BackColor=0xC0C0FF",
                        "Text1.Text=Un clic ici pour sélectionner le fichier à coder",
                        "TxtChoix.Text=Vidéo  FLV vers AVI"}));
    EXPECT_EQ(form.ListToggleCount, 0);
}

TEST_F(FormTest, ArrowButtonOpensClosesAndReopensTheList) {
    form.Form_Load();
    std::vector<bool> shown;
    for (int click = 0; click < 3; ++click) {
        form.CmdListOpen_Click();
        shown.push_back(controls.visible[ControlId::List1]);
    }
    EXPECT_EQ(shown, (std::vector<bool>{true, false, true}));
    // A choice closes the list and resets the count: the next click opens it again.
    controls.listIndex = 2;
    form.List1_Click();
    EXPECT_FALSE(controls.visible[ControlId::List1]);
    EXPECT_EQ(controls.text[ControlId::TxtChoix], "Vidéo  FLV vers MPEG1");
    form.CmdListOpen_Click();
    EXPECT_TRUE(controls.visible[ControlId::List1]);
    EXPECT_EQ(form.ListToggleCount, 1);
}

TEST_F(FormTest, ChoosingAFileUnderEachPresetSetsFilterBaseNameAndButtons) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"Video|*.flv;", ".flv"}, {"Video|*.flv;", ".flv"}, {"Video|*.flv;", ".flv"}, {"Video|*.avi;", ".avi"}};
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        form.Form_Load();
        controls.listIndex = static_cast<std::int16_t>(row);
        form.List1_Click();
        log.clear();
        dialog.answers.push_back("/home/u/Mes vidéos/mon film.v2" + rows[row].second);
        form.Text1_Click();
        EXPECT_EQ(log, (Log{"Cmd1.Filter=" + rows[row].first, "Cmd1.DialogTitle=Sélection du fichier vidéo",
                            "Cmd1.FileName=", "Cmd1.ShowOpen", "SetCurrentFolder(/home/u/Mes vidéos)",
                            "Text1.Text=mon film.v2",
                            "Text1.BackColor=0xFFFFC0", "CmdLancer.Enabled=True", "CmdVisu.Enabled=True",
                            "CmdStop.Enabled=True"}));
        EXPECT_EQ(form.SourceExt, rows[row].second);
        EXPECT_EQ(form.BaseName, "mon film.v2");
        EXPECT_TRUE(form.CanView);
    }
}

TEST_F(FormTest, CancelChangesOnlyExtensionAndViewFlag) {
    // First click cancelled: the prompt and the disabled buttons stay.
    form.Form_Load();
    controls.listIndex = 3;
    form.List1_Click();
    dialog.answers.push_back("");
    form.Text1_Click();
    EXPECT_EQ(controls.text[ControlId::Text1], kFilePrompt);
    EXPECT_FALSE(controls.enabled[ControlId::CmdLancer]);
    EXPECT_EQ(form.SourceExt, ".avi");
    EXPECT_TRUE(form.CanView);

    // After a choice, a cancel keeps the base name and the enabled buttons.
    dialog.answers.push_back("/v/clip.avi");
    form.Text1_Click();
    dialog.answers.push_back("");
    form.Text1_Click();
    EXPECT_EQ(controls.text[ControlId::Text1], "clip");
    EXPECT_EQ(controls.backColor[ControlId::Text1], kChosenColour);
    EXPECT_TRUE(controls.enabled[ControlId::CmdLancer]);
    EXPECT_TRUE(controls.enabled[ControlId::CmdStop]);
}

TEST_F(FormTest, WithNoSelectionTheDialogKeepsItsFilterAndOnlyLaunchIsEnabled) {
    controls.listIndex = -1;
    dialog.answers.push_back("/v/a.flv");
    form.Text1_Click();
    EXPECT_EQ(dialog.filter, "");
    EXPECT_EQ(form.SourceExt, "");
    EXPECT_TRUE(controls.enabled[ControlId::CmdLancer]);
    EXPECT_FALSE(controls.enabled[ControlId::CmdVisu]);
    EXPECT_FALSE(controls.enabled[ControlId::CmdStop]);
}

TEST_F(FormTest, ChoosingAPresetDropsTheChosenFile) {
    LoadAndChoose(0, "/v/clip.flv");
    controls.listIndex = 1;
    form.List1_Click();
    EXPECT_EQ(controls.text[ControlId::Text1], kFilePrompt);
    EXPECT_EQ(controls.backColor[ControlId::Text1], kPromptColour);
    for (ControlId id : {ControlId::CmdLancer, ControlId::CmdVisu, ControlId::CmdStop}) {
        EXPECT_FALSE(controls.enabled[id]);
    }
    EXPECT_EQ(form.BaseName, "clip");
}

TEST_F(FormTest, LaunchBuildsTheLineFromTheTextShownAtClickTime) {
    LoadAndChoose(0, "/v/clip.flv");
    controls.text[ControlId::Text1] = "autre";
    form.CmdLancer_Click();
    ASSERT_EQ(platform.launched.size(), 1u);
    EXPECT_EQ(platform.launched[0].text, "/opt/talvenor/ffmpeg -y -i autre.flv -f avi autre.avi");
    EXPECT_EQ(platform.styles[0], WindowStyle::NormalFocus);
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(FormTest, TheMpeg1LineFollowsTheStartOfTheSourceReadAtTheClick) {
    LoadAndChoose(2, "/v/clip.flv");
    platform.fileStarts["clip.flv"] = FlvFile(45, 30);
    form.CmdLancer_Click();
    EXPECT_EQ(platform.launched.at(0).text, "/opt/talvenor/ffmpeg -y -i clip.flv  clip.mpeg");
}

TEST_F(FormTest, LaunchDoesNothingWithoutAPresetRow) {
    for (std::int16_t index : {-1, 4, 100}) {
        controls.listIndex = index;
        log.clear();
        form.CmdLancer_Click();
        EXPECT_TRUE(log.empty()) << index;
    }
}

TEST_F(FormTest, AnExistingOutputIsReplacedOnlyAfterYes) {
    LoadAndChoose(3, "/v/clip.avi");
    platform.existingFiles = {"clip.flv"};
    platform.answerYes = false;
    form.CmdLancer_Click();
    EXPECT_TRUE(platform.launched.empty());
    EXPECT_EQ(log.back(), "AskYesNo(Le fichier « clip.flv » existe déjà. Le remplacer ?)");

    platform.answerYes = true;
    form.CmdLancer_Click();
    ASSERT_EQ(platform.launched.size(), 1u);
    // The line is launched unchanged, -y included.
    EXPECT_EQ(platform.launched[0].text,
              "/opt/talvenor/ffmpeg -y -i clip.avi -ab 56k -ar 44100 -b 200k -r 15 -s 320x240 -f flv clip.flv");
}

// Clicks on "Lancer", each after choosing clip.flv in `folder` under preset `row`.
struct LancerClick {
    int row;
    std::string folder = "/v";
    bool earlierOnesEnded = false;  // every conversion started so far has ended before this click
    bool startFails = false;
};

TEST(ConversionsPerOutput, ASecondWriterOfAFileStillBeingWrittenIsRefused) {
    const std::string busy = "La conversion vers « clip.avi » est déjà en cours.";
    // The end of the n-th process started, as its backend reports it after the clicks.
    struct Ending {
        ProcessHandle process;
        int exitCode;
        double seconds;
    };
    struct Case {
        const char* what;
        std::vector<LancerClick> clicks;
        std::vector<std::string> launchedOutputs;
        std::vector<std::string> messages;
        int questions;
        std::vector<Ending> endings = {};
        std::vector<std::string> notifications = {};
    };
    const std::string done = "Conversion terminée: « clip.avi » est prêt dans /v. [/v/clip.avi]";
    const std::vector<Case> cases = {
        {"a double click", {{0}, {0}}, {"clip.avi"}, {busy}, 0},
        {"five quick clicks", {{0}, {0}, {0}, {0}, {0}}, {"clip.avi"}, {busy, busy, busy, busy}, 0},
        {"two presets writing one file", {{0}, {1}}, {"clip.avi"}, {busy}, 0},
        {"two presets writing two files", {{0}, {2}}, {"clip.avi", "clip.mpeg"}, {}, 0},
        {"the same name in another folder", {{0}, {0, "/w"}}, {"clip.avi", "clip.avi"}, {}, 0},
        {"after the first has ended", {{0}, {0, "/v", true}}, {"clip.avi", "clip.avi"}, {}, 1},
        {"after a start that failed", {{0, "/v", false, true}, {0}}, {"clip.avi"}, {}, 0},
        {"ended well after 11 s", {{0}}, {"clip.avi"}, {}, 0, {{1, 0, 11.5}}, {done}},
        {"ended well after 5 s", {{0}}, {"clip.avi"}, {}, 0, {{1, 0, 5}}, {}},
        {"failed after a minute", {{0}}, {"clip.avi"}, {}, 0, {{1, 1, 60}}, {}},
        {"an unknown process, then one end told twice", {{0}}, {"clip.avi"}, {}, 0,
         {{7, 0, 60}, {1, 0, 60}, {1, 0, 60}}, {done}},
        {"the other of two conversions", {{0}, {2, "/w"}}, {"clip.avi", "clip.mpeg"}, {}, 0, {{2, 0, 30}},
         {"Conversion terminée: « clip.mpeg » est prêt dans /w. [/w/clip.mpeg]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CallLog log;
        RecordingControls controls{log};
        RecordingDialog dialog{log};
        RecordingPlatform platform{log};
        Form1 form{controls, dialog, platform};
        form.Form_Load();
        int questions = 0;
        std::vector<std::string> folders;  // where each started conversion writes
        for (const LancerClick& click : c.clicks) {
            controls.listIndex = static_cast<std::int16_t>(click.row);
            form.List1_Click();
            dialog.answers.push_back(click.folder + "/clip.flv");
            form.Text1_Click();
            if (click.earlierOnesEnded) platform.running.clear();
            platform.shellSucceeds = !click.startFails;
            // The output exists in its folder once a conversion has started writing it.
            platform.existingFiles.clear();
            for (std::size_t n = 0; n < platform.launched.size(); ++n) {
                if (folders[n] == click.folder) platform.existingFiles.push_back(platform.launched[n].output);
            }
            log.clear();
            form.CmdLancer_Click();
            folders.resize(platform.launched.size(), click.folder);
            questions += static_cast<int>(std::count_if(log.begin(), log.end(),
                                                        [](const std::string& call) { return call.starts_with("AskYesNo"); }));
            if (click.startFails) platform.messages.clear();
        }
        std::vector<std::string> outputs;
        for (const CommandLine& started : platform.launched) outputs.push_back(started.output);
        EXPECT_EQ(outputs, c.launchedOutputs);
        EXPECT_EQ(platform.messages, c.messages);
        EXPECT_EQ(questions, c.questions);
        for (const Ending& ending : c.endings) form.ConversionEnded(ending.process, ending.exitCode, ending.seconds);
        EXPECT_EQ(platform.notifications, c.notifications);
    }
}

TEST(ConversionsPerOutput, AFolderThatCannotTakeTheFileOffersTheVideosFolder) {
    const std::string cannot = "Le dossier « /cd » ne peut pas recevoir le fichier converti : il est en lecture seule, "
                               "ou vous n'avez pas le droit d'y écrire.";
    const std::string question = "AskYesNo(" + cannot +
                                 "\n\nEnregistrer « clip.avi » dans votre dossier de vidéos, « /home/u/Vidéos », à la place ?)";
    for (const char* answer : {"Non", "Oui", "no videos folder"}) {
        SCOPED_TRACE(answer);
        CallLog log;
        RecordingControls controls{log};
        RecordingDialog dialog{log};
        RecordingPlatform platform{log};
        Form1 form{controls, dialog, platform};
        form.Form_Load();
        platform.readOnlyFolders = {"/cd"};
        platform.answerYes = answer == std::string("Oui");
        if (answer == std::string("no videos folder")) platform.videosFolder.clear();
        dialog.answers.push_back("/cd/clip.flv");
        form.Text1_Click();
        // The existing file is the videos folder's: the replace question and the guard follow it.
        platform.existingFiles = {"/home/u/Vidéos/clip.avi"};
        log.clear();
        form.CmdLancer_Click();
        form.CmdLancer_Click();
        if (platform.videosFolder.empty()) {
            EXPECT_EQ(platform.messages, std::vector<std::string>(2, cannot + "\n\nCopiez la vidéo dans un dossier où vous pouvez "
                                                                          "écrire, puis choisissez-la de nouveau."));
            EXPECT_TRUE(platform.launched.empty());
            continue;
        }
        EXPECT_EQ(std::count(log.begin(), log.end(), question), 2);
        if (!platform.answerYes) {
            EXPECT_TRUE(platform.launched.empty());
            EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& c) { return c.starts_with("AskYesNo"); }), 2);
            continue;
        }
        EXPECT_EQ(std::count(log.begin(), log.end(), "AskYesNo(Le fichier « /home/u/Vidéos/clip.avi » existe déjà. Le remplacer ?)"), 1);
        ASSERT_EQ(platform.launched.size(), 1u);
        EXPECT_EQ(platform.launched[0].output, "/home/u/Vidéos/clip.avi");
        EXPECT_EQ(platform.messages, std::vector<std::string>{"La conversion vers « /home/u/Vidéos/clip.avi » est déjà en cours."});
        form.ConversionEnded(1, 0, 30);
        EXPECT_EQ(platform.notifications, std::vector<std::string>{"Conversion terminée: « clip.avi » est prêt dans "
                                                                   "/home/u/Vidéos. [/home/u/Vidéos/clip.avi]"});
    }
}

TEST_F(FormTest, AFailedStartIsReportedInFrenchWithItsAdvice) {
    // The tools' messages say where to put the program; ToolDir is the fake's /opt/talvenor.
    auto withAdvice = [](const std::string& tool) {
        return "Impossible de lancer « " + tool + " ».\n\nPlacez " + tool +
               " dans le dossier de Talvenor (/opt/talvenor) ou installez-le sur le système.";
    };
    // On Windows: the program's file, and the command that installs both tools.
    auto withWinget = [](const std::string& tool) {
        return "Impossible de lancer « " + tool + " ».\n\nPlacez " + tool +
               ".exe dans le dossier de Talvenor (/opt/talvenor) ou installez-le, par exemple avec "
               "la commande : winget install Gyan.FFmpeg";
    };
    const std::vector<std::tuple<void (Form1::*)(), ToolAdvice, std::string>> cases = {
        {&Form1::CmdLancer_Click, ToolAdvice::InstallOnSystem, withAdvice("ffmpeg")},
        {&Form1::CmdVisu_Click, ToolAdvice::InstallOnSystem, withAdvice("ffplay")},
        {&Form1::CmdLancer_Click, ToolAdvice::Winget, withWinget("ffmpeg")},
        {&Form1::CmdVisu_Click, ToolAdvice::Winget, withWinget("ffplay")},
        {&Form1::CmdHP_Click, ToolAdvice::Winget, "Impossible d'ouvrir le mélangeur de volume : aucun programme adapté n'a été trouvé."},
        {&Form1::Label2_Click, ToolAdvice::InstallOnSystem, "Impossible d'ouvrir le navigateur web : aucun programme adapté n'a été trouvé."},
    };
    LoadAndChoose(0, "/v/clip.flv");
    platform.shellSucceeds = false;
    for (const auto& [handler, advice, message] : cases) {
        platform.messages.clear();
        platform.toolAdvice = advice;
        (form.*handler)();
        EXPECT_EQ(platform.messages, std::vector<std::string>{message});
    }
}

TEST_F(FormTest, LeftPressOnTheDragSurfacesRaisesAndMoves) {
    const Log drag = {"SetWindowPos(0x2A0001, -1, 0, 0, 0, 0, 0x53)", "ReleaseCapture",
                      "SendMessage(0x2A0001, 0xA1, 2, 0)"};
    for (ControlId surface : {ControlId::Form1, ControlId::Label1, ControlId::Label3}) {
        SCOPED_TRACE(NameOf(surface));
        for (std::int16_t shift : {0, 1, 2, 4}) {
            log.clear();
            form.Raise(surface, EventKind::MouseDown, MouseEvent{1, shift, 10, 20});
            EXPECT_EQ(log, drag);
        }
        for (std::int16_t button : {2, 4, 3}) {
            log.clear();
            form.Raise(surface, EventKind::MouseDown, MouseEvent{button, 0, 10, 20});
            EXPECT_TRUE(log.empty());
        }
    }
    // The product title and the other labels have no press handler.
    for (ControlId other : {ControlId::Label7_0, ControlId::Label7_1, ControlId::Label2, ControlId::Label9,
                            ControlId::Text1, ControlId::CmdLancer}) {
        log.clear();
        form.Raise(other, EventKind::MouseDown, MouseEvent{1, 0, 1, 1});
        EXPECT_TRUE(log.empty()) << NameOf(other);
    }
}

TEST_F(FormTest, SmallCommands) {
    form.Raise(ControlId::CmdMinimise, EventKind::Click);
    EXPECT_EQ(controls.windowState, 1);
    form.Raise(ControlId::CmdHP, EventKind::Click);
    form.Raise(ControlId::CmdHP, EventKind::Click);
    form.Raise(ControlId::Label2, EventKind::Click);
    ASSERT_EQ(platform.launched.size(), 3u);
    EXPECT_EQ(platform.launched[0].text, "sndvol32 /t");
    EXPECT_EQ(platform.launched[1].text, "sndvol32 /t");
    EXPECT_EQ(platform.launched[2].text, "explorer.exe talvenor.example");
    for (WindowStyle style : platform.styles) EXPECT_EQ(style, WindowStyle::MinimisedFocus);
}

}  // namespace
}  // namespace talvenor::testing
