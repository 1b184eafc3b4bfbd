// SPDX-License-Identifier: GPL-3.0-or-later
#include <functional>

#include "form_fixture.h"
#include "presets.h"
#include "start_arguments.h"

namespace talvenor::testing {
namespace {

// What the window shows and remembers about the chosen file.
struct ChoiceState {
    std::string text;
    Colour colour;
    bool lancer, visu, stop;
    std::int16_t row;
    std::string choix;
    std::string sourceExt;
    bool canView;
    std::string folder;

    bool operator==(const ChoiceState&) const = default;
};

void PrintTo(const ChoiceState& s, std::ostream* out) {
    *out << "{" << s.text << ", " << std::hex << s.colour << std::dec << ", " << s.lancer << s.visu
         << s.stop << ", row " << s.row << " " << s.choix << ", " << s.sourceExt << ", "
         << s.canView << ", " << s.folder << "}";
}

class FileChoiceTest : public FormTest {
protected:
    ChoiceState State() {
        return {controls.text[ControlId::Text1],
                controls.backColor[ControlId::Text1],
                controls.enabled[ControlId::CmdLancer],
                controls.enabled[ControlId::CmdVisu],
                controls.enabled[ControlId::CmdStop],
                controls.listIndex,
                controls.text[ControlId::TxtChoix],
                form.SourceExt,
                form.CanView,
                platform.currentFolder};
    }

    void LoadUnder(int row) {
        form.Form_Load();
        if (row != 0) {
            controls.listIndex = static_cast<std::int16_t>(row);
            form.List1_Click();
        }
        log.clear();
    }
};

const ChoiceState kNothingChosen{std::string(kFilePrompt),
                                 kPromptColour,
                                 false,
                                 false,
                                 false,
                                 0,
                                 "Vidéo  FLV vers AVI",
                                 "",
                                 false,
                                 ""};

TEST_F(FileChoiceTest, DialogArgumentAndDropLeaveTheSameState) {
    const std::string path = "/home/u/Mes vidéos/le clip.v2.avi";
    LoadUnder(3);
    dialog.answers.push_back(path);
    form.Text1_Click();
    const ChoiceState byDialog = State();
    EXPECT_EQ(byDialog, (ChoiceState{"le clip.v2", kChosenColour, true, true, true, 3,
                                     "Vidéo  AVI vers FLV", ".avi", true, "/home/u/Mes vidéos"}));

    // The command line and a drop hand the core the same list; the preset follows the file.
    for (int startRow : {0, 3}) {
        SCOPED_TRACE(startRow);
        platform.currentFolder.clear();
        form.CanView = false;
        form.SourceExt.clear();
        LoadUnder(startRow);
        form.OpenFiles({{path}});
        EXPECT_EQ(State(), byDialog);
        EXPECT_TRUE(platform.messages.empty());
        EXPECT_FALSE(controls.visible[ControlId::List1]);
    }
}

TEST_F(FileChoiceTest, ThePresetFollowsTheFileType) {
    struct Case {
        int startRow;
        std::string path;
        std::int16_t row;
    };
    const std::vector<Case> cases = {
        {0, "/v/clip.flv", 0}, {2, "/v/clip.flv", 2}, {2, "/v/CLIP.FLV", 2},
        {1, "/v/a.b.Flv", 1},  {3, "/v/clip.flv", 0}, {0, "/v/MVI_0042.AVI", 3},
        {1, "/v/x.avi", 3},    {3, "/v/x.avi", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " from row " + std::to_string(c.startRow));
        LoadUnder(c.startRow);
        form.OpenFiles({{c.path}});
        EXPECT_EQ(controls.listIndex, c.row);
        EXPECT_EQ(controls.text[ControlId::TxtChoix], kPresets[c.row].label);
        EXPECT_EQ(controls.text[ControlId::Text1], BaseNameOf(c.path, "/"));
        EXPECT_EQ(form.SourceExt, kPresets[c.row].sourceExt);
        EXPECT_TRUE(controls.enabled[ControlId::CmdVisu]);
        EXPECT_TRUE(platform.messages.empty());
    }
}

TEST_F(FileChoiceTest, BadInputIsToldInOneFrenchBoxAndChoosesNothing) {
    struct Case {
        std::vector<OfferedFile> files;
        std::map<std::string, FileState> states;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{{"/v/absent.flv"}},
         {{"/v/absent.flv", FileState::Missing}},
         "Le fichier « /v/absent.flv » n'existe pas."},
        {{{"/v/dossier.flv"}},
         {{"/v/dossier.flv", FileState::NotAFile}},
         "« /v/dossier.flv » n'est pas un fichier : Talvenor ouvre un fichier vidéo."},
        {{{"/v/privé.avi"}},
         {{"/v/privé.avi", FileState::Unreadable}},
         "Le fichier « /v/privé.avi » ne peut pas être lu : vous n'avez pas le droit de le lire."},
        {{{"/v/clip.mp4"}},
         {},
         "Talvenor convertit les fichiers FLV et AVI : « /v/clip.mp4 » n'en est pas un."},
        {{{"/v/LISEZMOI"}},
         {},
         "Talvenor convertit les fichiers FLV et AVI : « /v/LISEZMOI » n'en est pas un."},
        {{{"/v.flv/notes"}},
         {},
         "Talvenor convertit les fichiers FLV et AVI : « /v.flv/notes » n'en est pas un."},
        {{{"http://example.org/a.flv", false}},
         {},
         "« http://example.org/a.flv » n'est pas un fichier de cet ordinateur : Talvenor n'ouvre "
         "que des "
         "fichiers locaux."},
        {{{"/v/a.txt"}, {"/v/b.flv"}},
         {},
         "Talvenor ouvre un seul fichier à la fois : seul le premier, « /v/a.txt », est "
         "pris.\n\nTalvenor "
         "convertit les fichiers FLV et AVI : « /v/a.txt » n'en est pas un."},
        // A name that can turn text around is set apart, line by line, its own isolates balanced.
        {{{"/v/\u2069a\n\u2067b.txt"}, {"/v/c.flv"}},
         {},
         "Talvenor ouvre un seul fichier à la fois : seul le premier, « \u2068\u2068/v/\u2069a\u2069\n\u2068\u2067b.txt\u2069\u2069 », "
         "est pris.\n\nTalvenor convertit les fichiers FLV et AVI : « \u2068\u2068/v/\u2069a\u2069\n\u2068\u2067b.txt\u2069\u2069 » n'en est pas un."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        platform.fileStates = c.states;
        platform.messages.clear();
        LoadUnder(0);
        form.OpenFiles(c.files);
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0], c.message);
        EXPECT_EQ(State(), kNothingChosen);
        for (const std::string& call : log)
            EXPECT_EQ(call.rfind("SetCurrentFolder", 0), std::string::npos);
    }
}

TEST_F(FileChoiceTest, SeveralFilesChooseTheFirstAndSaySo) {
    LoadUnder(0);
    form.OpenFiles({{"/v/un.avi"}, {"/v/deux.flv"}, {"/v/trois.flv"}});
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(
        platform.messages[0],
        "Talvenor ouvre un seul fichier à la fois : seul le premier, « /v/un.avi », est pris.");
    EXPECT_EQ(State(), (ChoiceState{"un", kChosenColour, true, true, true, 3, "Vidéo  AVI vers FLV",
                                    ".avi", true, "/v"}));
}

TEST_F(FileChoiceTest, AFolderThatCannotBeEnteredCountsAsACancel) {
    platform.lockedFolders = {"/mnt/hors ligne"};
    const std::string message =
        "Impossible de se placer dans le dossier « /mnt/hors ligne » : le fichier n'est pas "
        "choisi.";

    // Nothing chosen yet: the window stays as loaded, by the dialog and by an argument alike.
    LoadUnder(0);
    dialog.answers.push_back("/mnt/hors ligne/clip.flv");
    form.Text1_Click();
    form.OpenFiles({{"/mnt/hors ligne/clip.flv"}});
    EXPECT_EQ(platform.messages, (std::vector<std::string>{message, message}));
    EXPECT_EQ(controls.text[ControlId::Text1], kFilePrompt);
    EXPECT_FALSE(controls.enabled[ControlId::CmdLancer]);

    // After a choice, the earlier file stays chosen in its own folder.
    dialog.answers.push_back("/v/avant.flv");
    form.Text1_Click();
    dialog.answers.push_back("/mnt/hors ligne/clip.flv");
    form.Text1_Click();
    // An AVI offered from outside would change the preset: it stays too.
    form.OpenFiles({{"/mnt/hors ligne/clip.avi"}});
    EXPECT_EQ(controls.text[ControlId::Text1], "avant");
    EXPECT_EQ(controls.listIndex, 0);
    EXPECT_TRUE(controls.enabled[ControlId::CmdLancer]);
    EXPECT_EQ(platform.currentFolder, "/v");
    EXPECT_EQ(platform.messages.size(), 4u);
}

TEST_F(FileChoiceTest, TheFolderMadeCurrentIsTheFilesOwn) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"/", "/home/u/a.flv", "/home/u"},
        {"/", "/a.flv", "/"},
        {"/", "a.flv", "."},
        {"\\/", "C:\\Vidéos\\a.flv", "C:\\Vidéos"},
        {"\\/", "C:\\a.flv", "C:\\"},
        {"\\/", "D:/clips/a.flv", "D:/clips"},
        {"\\/", "\\\\serveur\\partage\\a.flv", "\\\\serveur\\partage"},
    };
    for (const auto& [separators, path, folder] : cases) {
        SCOPED_TRACE(path);
        platform.separators = separators;
        LoadUnder(0);
        form.OpenFiles({{path}});
        EXPECT_EQ(platform.currentFolder, folder);
        EXPECT_EQ(controls.text[ControlId::Text1], "a");
    }
}

TEST_F(FileChoiceTest, AnExtensionInOtherCaseReachesTheToolsAsTheFileIsNamed) {
    struct Case {
        int row;
        std::string path;
        std::vector<std::string> existing;  // names the system finds as spelled
        std::string input, output, played;
    };
    const std::vector<Case> cases = {
        {0, "/v/CLIP.FLV", {}, "CLIP.FLV", "CLIP.avi", "CLIP.FLV"},
        {3, "/v/MVI_0042.AVI", {}, "MVI_0042.AVI", "MVI_0042.flv", "MVI_0042.AVI"},
        {2, "/v/-x.Flv", {}, "./-x.Flv", "./-x.mpeg", "./-x.Flv"},
        // A case-blind system finds the preset's spelling: it is kept.
        {0, "C:\\v\\CLIP.FLV", {"CLIP.flv"}, "CLIP.flv", "CLIP.avi", "CLIP.flv"},
        // A name that differs by more than case is not the chosen file's: the line is as always.
        {0, "/v/clip.mp4", {}, "clip.flv", "clip.avi", "clip.flv"},
        {0, "/v/clip.flv", {}, "clip.flv", "clip.avi", "clip.flv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        platform.separators = "\\/";
        platform.existingFiles = c.existing;
        platform.launched.clear();
        platform.running.clear();  // each case's conversion has ended before the next
        LoadUnder(c.row);
        dialog.answers.push_back(c.path);
        form.Text1_Click();
        form.CmdLancer_Click();
        form.CmdVisu_Click();
        ASSERT_EQ(platform.launched.size(), 2u);
        const std::vector<std::string>& convert = platform.launched[0].arguments;
        EXPECT_EQ(convert[2], c.input);
        EXPECT_EQ(FileArgument(platform.launched[0].output), c.output);
        EXPECT_EQ(platform.launched[1].arguments, std::vector<std::string>{c.played});
        EXPECT_NE(platform.launched[0].text.find(c.input.substr(c.input.rfind('/') + 1) + " "),
                  std::string::npos);
    }
}

TEST(StartArguments, FileNamesOpenTheWindowWithThemAndOtherOptionsAreRefused) {
    using Action = StartRequest::Action;
    struct Case {
        std::vector<std::string> arguments;
        Action action;
        std::vector<std::string> files;
        std::string refused;
    };
    const std::vector<Case> cases = {
        {{}, Action::OpenWindow, {}, ""},
        {{"--version"}, Action::PrintVersion, {}, ""},
        {{"--help"}, Action::PrintHelp, {}, ""},
        {{"clip.flv"}, Action::OpenWindow, {"clip.flv"}, ""},
        {{"/v/a b.avi", "c.flv"}, Action::OpenWindow, {"/v/a b.avi", "c.flv"}, ""},
        {{"--", "-clip.flv"}, Action::OpenWindow, {"-clip.flv"}, ""},
        {{"--", "--", "--help"}, Action::OpenWindow, {"--", "--help"}, ""},
        {{"-"}, Action::OpenWindow, {"-"}, ""},
        {{"-clip.flv"}, Action::Refuse, {}, "-clip.flv"},
        {{"clip.flv", "--bogus"}, Action::Refuse, {}, "--bogus"},
        {{"--version", "--help"}, Action::Refuse, {}, "--version"},
        {{"--help", "clip.flv"}, Action::Refuse, {}, "--help"},
        {{"-h"}, Action::Refuse, {}, "-h"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const StartRequest request = ReadStartArguments(c.arguments);
        EXPECT_EQ(request.action, c.action);
        std::vector<std::string> files;
        for (const OfferedFile& file : request.files) {
            EXPECT_TRUE(file.local);
            files.push_back(file.path);
        }
        EXPECT_EQ(files, c.files);
        EXPECT_EQ(request.refused, c.refused);
    }
    EXPECT_EQ(RefusalText("talvenor", "-x"), "talvenor : argument non reconnu « -x ».\n");
}

// Every sentence that shows a name sets apart each kind of name that could turn it around, line by
// line, and shows any other name unchanged. "@" stands for the name as the sentence must show it.
TEST(Messages, EveryNameThatCouldTurnTheSentenceIsSetApart) {
    using Message = std::function<std::string(const std::string&)>;
    const std::vector<std::pair<std::string, Message>> messages = {
        {"Impossible de lancer « ffmpeg ».\n\nPlacez ffmpeg dans le dossier de Talvenor (@) ou installez-le sur le système.",
         [](const std::string& n) { return LaunchFailureMessage({"", n, "ffmpeg", {}, "ffmpeg"}, ToolAdvice::InstallOnSystem); }},
        {"Impossible de lancer « ffplay ».\n\nPlacez ffplay.exe dans le dossier de Talvenor (@) ou installez-le, par exemple "
         "avec la commande : winget install Gyan.FFmpeg",
         [](const std::string& n) { return LaunchFailureMessage({"", n, "ffplay", {}, "ffplay"}, ToolAdvice::Winget); }},
        {"Le fichier « @ » existe déjà. Le remplacer ?", ReplaceQuestion},
        {"Le dossier « @ » ne peut pas recevoir le fichier converti : il est en lecture seule, ou vous n'avez pas le droit d'y "
         "écrire.\n\nCopiez la vidéo dans un dossier où vous pouvez écrire, puis choisissez-la de nouveau.",
         UnwritableFolderMessage},
        {"Le fichier « @ » n'existe pas.", [](const std::string& n) { return FileRefusal(n, FileState::Missing); }},
        {"« @ » n'est pas un fichier : Talvenor ouvre un fichier vidéo.",
         [](const std::string& n) { return FileRefusal(n, FileState::NotAFile); }},
        {"Le fichier « @ » ne peut pas être lu : vous n'avez pas le droit de le lire.",
         [](const std::string& n) { return FileRefusal(n, FileState::Unreadable); }},
        {"« @ » n'est pas un fichier de cet ordinateur : Talvenor n'ouvre que des fichiers locaux.", RemoteRefusal},
        {"Talvenor convertit les fichiers FLV et AVI : « @ » n'en est pas un.", UnsupportedTypeRefusal},
        {"Talvenor ouvre un seul fichier à la fois : seul le premier, « @ », est pris.", SeveralFilesNotice},
        {"Impossible de se placer dans le dossier « @ » : le fichier n'est pas choisi.", FolderFailureMessage},
        {"La conversion vers « @ » est déjà en cours.", ConversionBusyMessage},
        {"« @ » est prêt dans /v.", [](const std::string& n) { return ConversionDoneText(n, "/v"); }},
        {"« clip.avi » est prêt dans @.", [](const std::string& n) { return ConversionDoneText("clip.avi", n); }},
        {"Impossible d'ouvrir le dossier « @ » : aucun programme adapté n'a été trouvé.", FolderShowFailureMessage},
    };
    // Each name, and how a sentence shows it.
    const std::vector<std::pair<std::string, std::string>> names = {
        {"/v/été.flv", "/v/été.flv"},
        {"/v/فيلم.avi", "\u2068/v/فيلم.avi\u2069"},                      // Arabic
        {"/ویدیو/کلیپ پنج.flv", "\u2068/ویدیو/کلیپ پنج.flv\u2069"},      // Persian
        {"/v/סרט 2.avi", "\u2068/v/סרט 2.avi\u2069"},                    // Hebrew
        {"/v/clip\u202Egepm.flv", "\u2068/v/clip\u202Egepm.flv\u2069"},  // a right-to-left override
        {"/v/\u2069clip.flv", "\u2068\u2068/v/\u2069clip.flv\u2069"},      // a stray end of isolate
        {"/v/\u2067clip.flv", "\u2068/v/\u2067clip.flv\u2069\u2069"},      // an isolate left open
        {"/v/a\nفيلم.flv", "\u2068/v/a\u2069\n\u2068فيلم.flv\u2069"},       // several lines
        // Not UTF-8: an isolate closed by a sequence longer than needed, which no display reads as one.
        {"/v/\u2067a\xF0\x82\x81\xA9.flv", "\u2068/v/\u2067a\uFFFD\uFFFD\uFFFD\uFFFD.flv\u2069\u2069"},
    };
    for (const auto& [sentence, message] : messages) {
        for (const auto& [name, shown] : names) {
            SCOPED_TRACE(sentence + " / " + name);
            std::string expected = sentence;
            expected.replace(expected.find('@'), 1, shown);
            EXPECT_EQ(message(name), expected);
        }
    }
}

}  // namespace
}  // namespace talvenor::testing
