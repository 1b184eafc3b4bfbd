// SPDX-License-Identifier: GPL-3.0-or-later
// What the user's mouse and keyboard lead to: which control lies on top where, the tab order,
// and every connected event, seen through the recording platform and dialog.

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <memory>

#include "window_fixture.h"
#include "window_tests.h"

namespace talvenor::window_tests {
namespace {

const QString kPrompt = QStringLiteral("Un clic ici pour sélectionner le fichier à coder");
const QColor kLightRed(255, 192, 192);
const QColor kLightCyan(192, 255, 255);

const QStringList kPresets = {"Vidéo  FLV vers AVI", "Vidéo  FLV vers AVI non compressé.",
                              "Vidéo  FLV vers MPEG1", "Vidéo  AVI vers FLV"};

QString Rgb(const QColor& c) {
    return QStringLiteral("RGB(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

QStringList DialogCalls(const QString& filter) {
    return {"Cmd1.Filter=" + filter, QStringLiteral("Cmd1.DialogTitle=Sélection du fichier vidéo"),
            QStringLiteral("Cmd1.FileName="), QStringLiteral("Cmd1.ShowOpen")};
}

}  // namespace

class WindowInputTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stacking_data();
    void stacking();
    void clickOnTheFileBoxReachesTheShownListInstead();
    void tabOrder_data();
    void tabOrder();
    void backTabFromTheFileBoxGoesToTheHelpButton();

    void listButtonOpensAndClosesTheList();
    void choosingAPresetResetsTheWindow_data();
    void choosingAPresetResetsTheWindow();
    void choosingAPresetWithTheKeyboard();
    void fileBoxClickOpensTheDialog_data();
    void fileBoxClickOpensTheDialog();
    void cancellingAfterAChoiceKeepsIt();
    void launchButtonRunsTheConversion_data();
    void launchButtonRunsTheConversion();
    void playerButtons_data();
    void playerButtons();
    void disabledActionButtonsDoNothing();
    void helpButtonShowsThePlayerCommands();
    void smallCommandsStartTheirProgram_data();
    void smallCommandsStartTheirProgram();
    void minimiseButtonMinimisesTheWindow();
    void buttonsPaintTheirPressAfterTheirHandler_data();
    void buttonsPaintTheirPressAfterTheirHandler();
    void pressesThatMoveTheWindow_data();
    void pressesThatMoveTheWindow();

    void typingChangesNothingButCopyWorks_data();
    void typingChangesNothingButCopyWorks();

private:
    // Opens the list with its button and clicks the item of `row`.
    bool ChoosePreset(int row);
    // Clicks the file box with the dialog answering `path` ("" cancels).
    bool ChooseFile(const QString& path);
    QPoint ItemCentre(int row) const;
    QListWidget* List() const {
        return qobject_cast<QListWidget*>(w->Control(QStringLiteral("List1")));
    }

    std::unique_ptr<ShownWindow> w;
};

void WindowInputTest::init() {
    w = std::make_unique<ShownWindow>();
    QVERIFY(w->WaitUntilReady());
}

void WindowInputTest::cleanup() {
    w.reset();
}

QPoint WindowInputTest::ItemCentre(int row) const {
    QListWidget* list = List();
    return list->viewport()->mapTo(&w->window, list->visualItemRect(list->item(row)).center());
}

bool WindowInputTest::ChoosePreset(int row) {
    w->Click(QStringLiteral("CmdListOpen"));
    if (!QTest::qWaitFor([&] { return List()->isVisible(); })) return false;
    w->Click(ItemCentre(row));
    return QTest::qWaitFor(
        [&] { return !List()->isVisible() && w->TextOf("TxtChoix") == kPresets[row]; });
}

bool WindowInputTest::ChooseFile(const QString& path) {
    const auto opened = [&] { return w->Log().count(QStringLiteral("Cmd1.ShowOpen")); };
    const qsizetype before = opened();
    w->dialog.answers.push_back(path.toStdString());
    w->Click(QStringLiteral("Text1"));
    return QTest::qWaitFor([&] { return opened() == before + 1; });
}

void WindowInputTest::stacking_data() {
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("listShown");
    QTest::addColumn<QString>("onTop");
    QTest::newRow("shown list over Text1") << QPoint(100, 132) << true << "List1";
    QTest::newRow("shown list over Label5") << QPoint(100, 112) << true << "List1";
    QTest::newRow("shown list over the top of Label6") << QPoint(100, 150) << true << "List1";
    QTest::newRow("TxtChoix's lowest rows over the list") << QPoint(150, 105) << true << "TxtChoix";
    QTest::newRow("CmdListOpen's lowest rows over the list")
        << QPoint(288, 105) << true << "CmdListOpen";
    QTest::newRow("Text1 with the list hidden") << QPoint(100, 132) << false << "Text1";
    QTest::newRow("Text1 over Label5's last row") << QPoint(100, 123) << false << "Text1";
    QTest::newRow("Label6 with the list hidden") << QPoint(100, 150) << false << "Label6";
    QTest::newRow("dark Label7(1) over light Label7(0)") << QPoint(130, 40) << false << "Label7_1";
    QTest::newRow("Label7(0) where (1) does not reach") << QPoint(120, 40) << false << "Label7_0";
    QTest::newRow("dark Label3 over light Label1") << QPoint(150, 60) << false << "Label3";
    QTest::newRow("Label1 beside Label3") << QPoint(85, 60) << false << "Label1";
    QTest::newRow("Label9 over Label7(1)") << QPoint(249, 40) << false << "Label9";
    QTest::newRow("bare surface") << QPoint(40, 130) << false << "Form1";
}

void WindowInputTest::stacking() {
    QFETCH(QPoint, point);
    QFETCH(bool, listShown);
    QFETCH(QString, onTop);
    if (listShown) {
        w->Click(QStringLiteral("CmdListOpen"));
        QTRY_VERIFY(List()->isVisible());
    }
    QCOMPARE(w->ControlAt(point), onTop);
}

void WindowInputTest::clickOnTheFileBoxReachesTheShownListInstead() {
    w->Click(QStringLiteral("CmdListOpen"));
    QTRY_VERIFY(List()->isVisible());
    const QPoint fileBox = w->CentreOf(QStringLiteral("Text1"));
    QListWidgetItem* under = List()->itemAt(List()->viewport()->mapFrom(&w->window, fileBox));
    QVERIFY2(under != nullptr, "no item lies over the file box");

    w->Click(fileBox);
    QTRY_VERIFY(!List()->isVisible());
    QCOMPARE(w->TextOf("TxtChoix"), under->text());
    QCoreApplication::processEvents();  // a click on Text1 would arrive queued
    QCOMPARE(w->Log(), QStringList());
    QCOMPARE(w->TextOf("Text1"), kPrompt);
}

void WindowInputTest::tabOrder_data() {
    QTest::addColumn<bool>("fileChosen");
    QTest::addColumn<bool>("listShown");
    QTest::addColumn<QStringList>("cycle");
    QTest::newRow("no file, list closed")
        << false << false << QStringList{"Text1",       "CmdQuit", "CmdMinimise", "TxtChoix",
                                         "CmdListOpen", "CmdHP",   "Command1",    "Text1"};
    QTest::newRow("file chosen, list closed")
        << true << false
        << QStringList{"Text1",    "CmdQuit",     "CmdLancer", "CmdMinimise", "CmdVisu", "CmdStop",
                       "TxtChoix", "CmdListOpen", "CmdHP",     "Command1",    "Text1"};
    QTest::newRow("no file, list shown")
        << false << true
        << QStringList{"Text1",       "CmdQuit", "CmdMinimise", "List1", "TxtChoix",
                       "CmdListOpen", "CmdHP",   "Command1",    "Text1"};
    QTest::newRow("file chosen, list shown")
        << true << true
        << QStringList{"Text1", "CmdQuit",  "CmdLancer",   "CmdMinimise", "CmdVisu",  "CmdStop",
                       "List1", "TxtChoix", "CmdListOpen", "CmdHP",       "Command1", "Text1"};
}

void WindowInputTest::tabOrder() {
    QFETCH(bool, fileChosen);
    QFETCH(bool, listShown);
    QFETCH(QStringList, cycle);
    if (fileChosen) QVERIFY(ChooseFile(QStringLiteral("/home/anne/clip.flv")));
    if (listShown) {
        w->Click(QStringLiteral("CmdListOpen"));
        QTRY_VERIFY(List()->isVisible());
    }
    w->Control("Text1")->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), w->Control("Text1"));

    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int step = 1; step < cycle.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, cycle);
    // Tabbing through changes nothing: the list stays as it was.
    QCOMPARE(List()->isVisible(), listShown);
}

void WindowInputTest::backTabFromTheFileBoxGoesToTheHelpButton() {
    w->Control("Text1")->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), w->Control("Text1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), w->Control("Command1"));
}

void WindowInputTest::listButtonOpensAndClosesTheList() {
    const QList<bool> afterEachClick = {true, false, true, false};
    for (bool shown : afterEachClick) {
        w->Click(QStringLiteral("CmdListOpen"));
        QTRY_COMPARE(List()->isVisible(), shown);
    }
    // Opening and closing the list changes nothing else.
    QCOMPARE(w->TextOf("TxtChoix"), kPresets[0]);
    QCOMPARE(w->TextOf("Text1"), kPrompt);
    QCOMPARE(w->Log(), QStringList());
}

void WindowInputTest::choosingAPresetResetsTheWindow_data() {
    QTest::addColumn<int>("row");
    QTest::newRow("the item already selected") << 0;
    QTest::newRow("item 1") << 1;
    QTest::newRow("item 2") << 2;
    QTest::newRow("item 3") << 3;
}

void WindowInputTest::choosingAPresetResetsTheWindow() {
    QFETCH(int, row);
    QVERIFY(ChooseFile(QStringLiteral("/home/anne/clip.flv")));
    QTRY_COMPARE(w->TextOf("Text1"), QStringLiteral("clip"));

    w->Click(QStringLiteral("CmdListOpen"));
    QTRY_VERIFY(List()->isVisible());
    w->Click(ItemCentre(row));
    QTRY_VERIFY(!List()->isVisible());
    QCOMPARE(w->TextOf("TxtChoix"), kPresets[row]);
    QCOMPARE(w->TextOf("Text1"), kPrompt);
    QCOMPARE(Rgb(w->BaseColourOf("Text1")), Rgb(kLightRed));
    QVERIFY(!w->Control("CmdLancer")->isEnabled());
    QVERIFY(!w->Control("CmdVisu")->isEnabled());
    QVERIFY(!w->Control("CmdStop")->isEnabled());

    // The choice closed the list: the next click opens it again.
    w->Click(QStringLiteral("CmdListOpen"));
    QTRY_VERIFY(List()->isVisible());
}

void WindowInputTest::choosingAPresetWithTheKeyboard() {
    w->Click(QStringLiteral("CmdListOpen"));
    QTRY_VERIFY(List()->isVisible());
    List()->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(List()));
    QTest::keyClick(List(), Qt::Key_Down);
    QTRY_VERIFY(!List()->isVisible());
    QCOMPARE(w->TextOf("TxtChoix"), kPresets[1]);
}

void WindowInputTest::fileBoxClickOpensTheDialog_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("shown");
    QTest::newRow("FLV preset, a file") << 0 << "/home/anne/Vidéos/clip.flv"
                                        << "Video|*.flv;"
                                        << "clip";
    QTest::newRow("uncompressed preset, blanks and accents") << 1 << "/home/anne/Mon film d'été.flv"
                                                             << "Video|*.flv;"
                                                             << "Mon film d'été";
    QTest::newRow("AVI preset, dots in the name") << 3 << "/media/a.b/c.d.avi"
                                                  << "Video|*.avi;"
                                                  << "c.d";
    QTest::newRow("cancelled") << 0 << ""
                               << "Video|*.flv;" << kPrompt;
}

void WindowInputTest::fileBoxClickOpensTheDialog() {
    QFETCH(int, row);
    QFETCH(QString, answer);
    QFETCH(QString, filter);
    QFETCH(QString, shown);
    if (row != 0) QVERIFY(ChoosePreset(row));
    w->ClearLog();

    w->dialog.answers.push_back(answer.toStdString());
    w->Click(QStringLiteral("Text1"));
    const bool chosen = !answer.isEmpty();
    const QString folder = answer.left(answer.lastIndexOf(QLatin1Char('/')));
    QTRY_COMPARE(w->Log(), DialogCalls(filter) + (chosen ? QStringList{"SetCurrentFolder(" + folder + ")"} : QStringList()));
    QCOMPARE(w->TextOf("Text1"), shown);
    QCOMPARE(Rgb(w->BaseColourOf("Text1")), Rgb(chosen ? kLightCyan : kLightRed));
    QCOMPARE(Rgb(w->Grab().pixelColor(70, 132)), Rgb(chosen ? kLightCyan : kLightRed));
    QCOMPARE(w->Control("CmdLancer")->isEnabled(), chosen);
    QCOMPARE(w->Control("CmdVisu")->isEnabled(), chosen);
    QCOMPARE(w->Control("CmdStop")->isEnabled(), chosen);
    // The file box leaves the list alone.
    QVERIFY(!List()->isVisible());
    QCOMPARE(w->TextOf("TxtChoix"), kPresets[row]);
}

void WindowInputTest::cancellingAfterAChoiceKeepsIt() {
    QVERIFY(ChooseFile(QStringLiteral("/home/anne/clip.flv")));
    QVERIFY(ChooseFile(QString()));
    QCOMPARE(w->TextOf("Text1"), QStringLiteral("clip"));
    QCOMPARE(Rgb(w->BaseColourOf("Text1")), Rgb(kLightCyan));
    QVERIFY(w->Control("CmdLancer")->isEnabled());
    QVERIFY(w->Control("CmdVisu")->isEnabled());
    QVERIFY(w->Control("CmdStop")->isEnabled());
}

void WindowInputTest::launchButtonRunsTheConversion_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("shell");
    QTest::newRow("row 0") << 0 << "/home/anne/clip.flv"
                           << "Shell(/opt/talvenor/ffmpeg -y -i clip.flv -f avi clip.avi, 1)";
    QTest::newRow("row 1")
        << 1 << "/home/anne/clip.flv"
        << "Shell(/opt/talvenor/ffmpeg -y -i clip.flv -vcodec rawvideo -s 320x240 "
           "-acodec pcm_s16le -ac 2 -f avi clip.avi, 1)";
    QTest::newRow("row 3")
        << 3 << "/home/anne/clip.avi"
        << "Shell(/opt/talvenor/ffmpeg -y -i clip.avi -ab 56k -ar 44100 -b 200k -r 15 "
           "-s 320x240 -f flv clip.flv, 1)";
}

void WindowInputTest::launchButtonRunsTheConversion() {
    QFETCH(int, row);
    QFETCH(QString, file);
    QFETCH(QString, shell);
    if (row != 0) QVERIFY(ChoosePreset(row));
    QVERIFY(ChooseFile(file));
    QTRY_VERIFY(w->Control("CmdLancer")->isEnabled());
    w->ClearLog();

    w->Click(QStringLiteral("CmdLancer"));
    QCOMPARE(w->Shells(), QStringList{shell});
    QCOMPARE(w->Log().last(), shell);
}

void WindowInputTest::playerButtons_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("player");
    QTest::newRow("FLV preset") << 0 << "/home/anne/clip.flv"
                                << "Shell(/opt/talvenor/ffplay clip.flv, 2)";
    QTest::newRow("AVI preset") << 3 << "/home/anne/clip.avi"
                                << "Shell(/opt/talvenor/ffplay clip.avi, 2)";
}

void WindowInputTest::playerButtons() {
    QFETCH(int, row);
    QFETCH(QString, file);
    QFETCH(QString, player);
    if (row != 0) QVERIFY(ChoosePreset(row));
    QVERIFY(ChooseFile(file));
    QTRY_VERIFY(w->Control("CmdVisu")->isEnabled());
    w->platform.foregroundWindows = {0x5A0003};
    w->ClearLog();

    w->Click(QStringLiteral("CmdVisu"));
    QCOMPARE(w->Shells(), QStringList{player});
    QCOMPARE(w->Log().last(), QStringLiteral("GetForegroundWindow"));

    // Stop sends the quit key, then brings the player that Voir started forward.
    w->ClearLog();
    w->Click(QStringLiteral("CmdStop"));
    QStringList calls = w->Log();
    QCOMPARE(calls.count(QStringLiteral("SendKeys(q, false)")), 1);
    QCOMPARE(calls.last(), QStringLiteral("SetForegroundWindow(0x5A0003)"));
    QVERIFY(calls.indexOf(QStringLiteral("SendKeys(q, false)")) <
            calls.indexOf(QStringLiteral("SetForegroundWindow(0x5A0003)")));
    QVERIFY(!w->platform.ended);

    // Quitter does the same, lets pending events run, and ends the program.
    w->ClearLog();
    w->Click(QStringLiteral("CmdQuit"));
    calls = w->Log();
    QCOMPARE(calls.count(QStringLiteral("SendKeys(q, false)")), 1);
    QVERIFY(calls.size() >= 4);
    QCOMPARE(calls.mid(calls.size() - 3),
             (QStringList{"SetForegroundWindow(0x5A0003)", "DoEvents", "End"}));
    QVERIFY(calls.indexOf(QStringLiteral("SendKeys(q, false)")) < calls.size() - 3);
    QVERIFY(w->platform.ended);
}

void WindowInputTest::disabledActionButtonsDoNothing() {
    for (const QString& name :
         {QStringLiteral("CmdLancer"), QStringLiteral("CmdVisu"), QStringLiteral("CmdStop")}) {
        QVERIFY(!w->Control(name)->isEnabled());
        w->Click(name);
    }
    QCoreApplication::processEvents();
    QCOMPARE(w->Log(), QStringList());
}

void WindowInputTest::helpButtonShowsThePlayerCommands() {
    const QString help = QStringLiteral(
        " Commandes du moniteur\r\n"
        "     ------------------------\r\n"
        "\r\n"
        "Clic sur le titre du moniteur\r\n"
        "                Puis :\r\n"
        "\r\n"
        "f....plein ecran\r\n"
        "p ou espace....pause\r\n"
        "s....avance image par image\r\n"
        "q....Quitter\r\n"
        "\r\n"
        "  flêches directionnelles\r\n"
        "\r\n"
        "Gauche...En arrière de 10s\r\n"
        "Droite.....Avancer de 10s\r\n"
        "Haut.......Avancer de 60s\r\n"
        "Bas........Reculer de 60s\r\n"
        "\r\n"
        "Clics sur l'écran pour position\r\n"
        "  temps = % largeur écran");

    w->Click(QStringLiteral("Command1"));
    QCOMPARE(w->Log(), QStringList{"MsgBox"});
    QCOMPARE(w->platform.messages.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(w->platform.messages.front()), help);
}

void WindowInputTest::smallCommandsStartTheirProgram_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shell");
    QTest::newRow("CmdHP, the volume mixer") << "CmdHP"
                                             << "Shell(sndvol32 /t, 2)";
    QTest::newRow("Label2, the web site") << "Label2"
                                          << "Shell(explorer.exe talvenor.example, 2)";
}

void WindowInputTest::smallCommandsStartTheirProgram() {
    QFETCH(QString, name);
    QFETCH(QString, shell);
    w->Click(name);
    QCOMPARE(w->Log(), QStringList{shell});
    // Each click starts one more.
    w->Click(name);
    QCOMPARE(w->Log(), (QStringList{shell, shell}));
}

void WindowInputTest::buttonsPaintTheirPressAfterTheirHandler_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("call");
    QTest::newRow("Command1, a captioned button") << "Command1"
                                                  << "MsgBox";
    QTest::newRow("CmdHP, a picture button") << "CmdHP"
                                             << "Shell(sndvol32 /t, 2)";
}

// A click reaches its handler before the button paints its pressed or released look, and the
// handler finds the button painting normally again (it may open a dialog).
void WindowInputTest::buttonsPaintTheirPressAfterTheirHandler() {
    QFETCH(QString, name);
    QFETCH(QString, call);
    QWidget* button = w->Control(name);
    struct PaintSpy : QObject {
        testing::CallLog* log = nullptr;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) log->push_back("Paint");
            return false;
        }
    } spy;
    spy.log = &w->log;
    QCoreApplication::processEvents();
    button->installEventFilter(&spy);
    bool paintingInHandler = false;
    connect(qobject_cast<QAbstractButton*>(button), &QAbstractButton::clicked, this,
            [&] { paintingInHandler = button->updatesEnabled(); });

    w->Click(name);
    QCOMPARE(w->Log().value(0), call);
    QVERIFY(paintingInHandler);
    // Both looks are painted afterwards, by the event loop.
    QTRY_VERIFY(w->Log().contains(QStringLiteral("Paint")));
    QVERIFY(button->updatesEnabled());
    button->removeEventFilter(&spy);
}

void WindowInputTest::minimiseButtonMinimisesTheWindow() {
    QVERIFY(!w->window.isMinimized());
    w->Click(QStringLiteral("CmdMinimise"));
    QTRY_VERIFY(w->window.isMinimized());
    QCOMPARE(w->Log(), QStringList());
}

void WindowInputTest::pressesThatMoveTheWindow_data() {
    QTest::addColumn<bool>("listShown");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("moves");
    QTest::addColumn<QStringList>("afterRelease");

    const int left = Qt::LeftButton;
    const QStringList none;
    QTest::newRow("left on the bare surface")
        << false << "Form1" << QPoint(40, 130) << left << 0 << true << none;
    QTest::newRow("left on Label1")
        << false << "Label1" << QPoint(85, 60) << left << 0 << true << none;
    QTest::newRow("left on Label3")
        << false << "Label3" << QPoint(150, 60) << left << 0 << true << none;
    QTest::newRow("Shift+left on the bare surface")
        << false << "Form1" << QPoint(330, 130) << left << int(Qt::ShiftModifier) << true << none;
    QTest::newRow("Ctrl+left on Label1")
        << false << "Label1" << QPoint(150, 77) << left << int(Qt::ControlModifier) << true << none;
    QTest::newRow("Alt+left on Label3")
        << false << "Label3" << QPoint(200, 65) << left << int(Qt::AltModifier) << true << none;

    for (int other : {int(Qt::RightButton), int(Qt::MiddleButton)}) {
        const QString button =
            other == Qt::RightButton ? QStringLiteral("right") : QStringLiteral("middle");
        QTest::newRow(qPrintable(button + " on the bare surface"))
            << false << "Form1" << QPoint(40, 130) << other << 0 << false << none;
        QTest::newRow(qPrintable(button + " on Label1"))
            << false << "Label1" << QPoint(85, 60) << other << 0 << false << none;
        QTest::newRow(qPrintable(button + " on Label3"))
            << false << "Label3" << QPoint(150, 60) << other << 0 << false << none;
        QTest::newRow(qPrintable(button + " on Label2"))
            << false << "Label2" << QPoint(316, 264) << other << 0 << false << none;
    }

    QTest::newRow("left on Label7(0)")
        << false << "Label7_0" << QPoint(120, 40) << left << 0 << false << none;
    QTest::newRow("left on Label7(1)")
        << false << "Label7_1" << QPoint(200, 40) << left << 0 << false << none;
    QTest::newRow("left on Label2") << false << "Label2" << QPoint(316, 264) << left << 0 << false
                                    << QStringList{"Shell(explorer.exe talvenor.example, 2)"};
    QTest::newRow("left on Label4")
        << false << "Label4" << QPoint(180, 232) << left << 0 << false << none;
    QTest::newRow("left on Label5")
        << false << "Label5" << QPoint(180, 112) << left << 0 << false << none;
    QTest::newRow("left on Label6")
        << false << "Label6" << QPoint(176, 152) << left << 0 << false << none;
    QTest::newRow("left on Label8")
        << false << "Label8" << QPoint(60, 264) << left << 0 << false << none;
    QTest::newRow("left on Label9")
        << false << "Label9" << QPoint(260, 43) << left << 0 << false << none;
    QTest::newRow("left on TxtChoix")
        << false << "TxtChoix" << QPoint(180, 97) << left << 0 << false << none;
    QTest::newRow("left on Text1") << false << "Text1" << QPoint(180, 132) << left << 0 << false
                                   << DialogCalls(QStringLiteral("Video|*.flv;"));
    QTest::newRow("left on the disabled Voir")
        << false << "CmdVisu" << QPoint(128, 176) << left << 0 << false << none;
    QTest::newRow("left on the shown list's item")
        << true << "List1" << QPoint(100, 132) << left << 0 << false << none;
    QTest::newRow("left on the shown list's frame")
        << true << "List1" << QPoint(64, 140) << left << 0 << false << none;
    QTest::newRow("left on the disabled Lancer")
        << false << "CmdLancer" << QPoint(180, 200) << left << 0 << false << none;
}

void WindowInputTest::pressesThatMoveTheWindow() {
    QFETCH(bool, listShown);
    QFETCH(QString, name);
    QFETCH(QPoint, point);
    QFETCH(int, button);
    QFETCH(int, modifiers);
    QFETCH(bool, moves);
    QFETCH(QStringList, afterRelease);
    if (listShown) {
        w->Click(QStringLiteral("CmdListOpen"));
        QTRY_VERIFY(List()->isVisible());
        w->ClearLog();
    }
    QCOMPARE(w->ControlAt(point), name);
    const auto mouseButton = static_cast<Qt::MouseButton>(button);
    const auto keys = static_cast<Qt::KeyboardModifiers>(modifiers);

    w->Press(point, mouseButton, keys);
    const QString handle = w->HandleText();
    const QStringList drag = {"SetWindowPos(" + handle + ", -1, 0, 0, 0, 0, 0x53)",
                              "ReleaseCapture", "SendMessage(" + handle + ", 0xA1, 2, 0)"};
    QCOMPARE(w->Log(), moves ? drag : QStringList());

    w->Release(point, mouseButton, keys);
    QTRY_COMPARE(w->Log(), (moves ? drag : QStringList()) + afterRelease);
}

void WindowInputTest::typingChangesNothingButCopyWorks_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("Text1") << "Text1" << kPrompt;
    QTest::newRow("TxtChoix") << "TxtChoix" << kPresets[0];
}

void WindowInputTest::typingChangesNothingButCopyWorks() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    auto* box = qobject_cast<QLineEdit*>(w->Control(name));
    QVERIFY(box != nullptr);
    box->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));

    QApplication::clipboard()->setText(QStringLiteral("collé"));
    QTest::keyClicks(box, QStringLiteral("abc"));
    QTest::sendKeyEvent(QTest::Click, box, Qt::Key_Eacute, QStringLiteral("é"), Qt::NoModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(box->text(), text);

    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(box->selectedText(), text);
    QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(box->text(), text);

    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), text);
    QCOMPARE(w->Log(), QStringList());
}

int RunWindowInputTests(int argc, char** argv) {
    WindowInputTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace talvenor::window_tests

#include "window_input_test.moc"
