// SPDX-License-Identifier: GPL-3.0-or-later
#include "form_fixture.h"

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

TEST_F(FormTest, HelpShowsThePlayersCommandsLineByLine) {
    // The twenty lines as the user reads them in the box, leading blanks and accents included.
    const std::vector<std::string> lines = {
        " Commandes du moniteur",
        "     ------------------------",
        "",
        "Clic sur le titre du moniteur",
        "                Puis :",
        "",
        "f....plein ecran",
        "p ou espace....pause",
        "s....avance image par image",
        "q....Quitter",
        "",
        "  flêches directionnelles",
        "",
        "Gauche...En arrière de 10s",
        "Droite.....Avancer de 10s",
        "Haut.......Avancer de 60s",
        "Bas........Reculer de 60s",
        "",
        "Clics sur l'écran pour position",
        "  temps = % largeur écran",
    };
    std::string expected;
    for (std::size_t i = 0; i < lines.size(); ++i) expected += (i == 0 ? "" : "\r\n") + lines[i];

    form.Raise(ControlId::Command1, EventKind::Click);
    EXPECT_EQ(log, Log{"MsgBox"});
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0], expected);
}

}  // namespace
}  // namespace talvenor::testing
