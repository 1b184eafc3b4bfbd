#include "form_fixture.h"
#include "player_help.h"

namespace talvenor::testing {
namespace {

using Log = std::vector<std::string>;

// The three lock readings that surround every send, when no lock changes.
const Log kLockReads(3, "GetKeyboardState");

Log Concat(std::initializer_list<Log> parts) {
    Log all;
    for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(FormTest, ViewLaunchesThePlayerThenTakesTheForegroundWindow) {
    LoadAndChoose(3, "/v/mon clip.avi");
    platform.foregroundWindows = {0x111, 0x222};
    form.CmdVisu_Click();
    EXPECT_EQ(log, (Log{"AppPath", "Shell(/opt/talvenor/ffplay mon clip.avi, 2)", "GetForegroundWindow"}));
    EXPECT_EQ(platform.launched[0].arguments, std::vector<std::string>{"mon clip.avi"});
    EXPECT_EQ(form.PlayerHwnd, 0x111u);
    // A second launch replaces the remembered window.
    form.CmdVisu_Click();
    EXPECT_EQ(form.PlayerHwnd, 0x222u);
    log.clear();
    form.CmdStop_Click();
    EXPECT_EQ(log.back(), "SetForegroundWindow(0x222)");
}

TEST_F(FormTest, AFailedPlayerStartKeepsTheRememberedWindow) {
    LoadAndChoose(0, "/v/clip.flv");
    platform.foregroundWindows = {0x111};
    form.CmdVisu_Click();
    platform.shellSucceeds = false;
    log.clear();
    form.CmdVisu_Click();
    EXPECT_EQ(log, (Log{"AppPath", "Shell(/opt/talvenor/ffplay clip.flv, 2)", "MsgBox"}));
    EXPECT_EQ(form.PlayerHwnd, 0x111u);
    EXPECT_NE(platform.messages[0].find("« ffplay »"), std::string::npos);
}

TEST_F(FormTest, StopSendsTheQuitKeyThenRaisesThePlayer) {
    // Before any launch the request goes to window 0 and fails quietly.
    form.CmdStop_Click();
    EXPECT_EQ(log, Concat({kLockReads, {"SendKeys(q, false)"}, kLockReads, {"SetForegroundWindow(0x0)"}}));
    EXPECT_FALSE(platform.ended);
}

TEST_F(FormTest, QuitSendsRaisesProcessesEventsAndEnds) {
    form.PlayerHwnd = 0x333;
    form.CmdQuit_Click();
    EXPECT_EQ(log, Concat({kLockReads, {"SendKeys(q, false)"}, kLockReads,
                           {"SetForegroundWindow(0x333)", "DoEvents", "End"}}));
    EXPECT_TRUE(platform.ended);
}

TEST_F(FormTest, HelpShowsThePlayersCommands) {
    form.Raise(ControlId::Command1, EventKind::Click);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0], kPlayerHelpText);
}

TEST(PlayerHelpText, TwentyLinesJoinedByCrLf) {
    const std::string text(kPlayerHelpText);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    ASSERT_EQ(lines.size(), 20u);
    std::size_t characters = 0;
    for (unsigned char c : text) characters += (c & 0xC0) != 0x80;
    EXPECT_EQ(characters, 397u);
    for (int empty : {3, 6, 11, 13, 18}) EXPECT_EQ(lines[empty - 1], "") << empty;
    EXPECT_EQ(lines[0], " Commandes du moniteur");
    EXPECT_EQ(lines[1], "     " + std::string(24, '-'));
    EXPECT_EQ(lines[4], std::string(16, ' ') + "Puis :");
    // The key the program sends is the one the text tells the user about.
    EXPECT_EQ(lines[9], std::string(kPlayerQuitKey) + "....Quitter");
    EXPECT_EQ(lines[11], "  flêches directionnelles");
    EXPECT_EQ(lines[13], "Gauche...En arrière de 10s");
    EXPECT_EQ(lines[19], "  temps = % largeur écran");
    for (const std::string& line : lines) EXPECT_TRUE(line.empty() || line.back() != ' ') << line;
    EXPECT_EQ(text.find('\n', text.size() - 2), std::string::npos);
}

}  // namespace
}  // namespace talvenor::testing
