// SPDX-License-Identifier: GPL-3.0-or-later
// Every way a file reaches the window besides a mouse click: drops, the keyboard on the file box
// and the buttons; and the names a screen reader gives the controls.

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <memory>

#include "window_fixture.h"
#include "window_tests.h"

namespace talvenor::window_tests {
namespace {

const QString kPromptText = QStringLiteral("Un clic ici pour sélectionner le fichier à coder");

}  // namespace

class WindowFileTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dropsChooseOrExplain_data();
    void dropsChooseOrExplain();
    void droppedTextIsRefused();
    void keysOnTheFileBoxOpenTheDialog_data();
    void keysOnTheFileBoxOpenTheDialog();
    void enterPressesAFocusedButton_data();
    void enterPressesAFocusedButton();
    void pictureButtonsShowTheirFocus();
    void everyControlHasAFrenchAccessibleName_data();
    void everyControlHasAFrenchAccessibleName();

private:
    // Offers `mime` to the window as a drag that ends over `control`; whether it was taken.
    bool Drop(QMimeData* mime, const QString& control);

    std::unique_ptr<ShownWindow> w;
};

void WindowFileTest::init() {
    w = std::make_unique<ShownWindow>();
    QVERIFY(w->WaitUntilReady());
}

void WindowFileTest::cleanup() {
    w.reset();
}

bool WindowFileTest::Drop(QMimeData* mime, const QString& control) {
    // The drag reaches the first widget under the pointer that takes drops: a control that takes
    // none hands it to the window.
    QWidget* target = w->Control(control);
    while (target != nullptr && !target->acceptDrops()) target = target->parentWidget();
    if (target != &w->window) return false;
    const QPoint at = w->CentreOf(control);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

void WindowFileTest::dropsChooseOrExplain_data() {
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<QString>("over");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("choix");
    QTest::addColumn<QString>("message");

    const QString prompt = kPromptText;
    QTest::newRow("one FLV on the file box")
        << QStringList{"file:///home/anne/Mes%20vid%C3%A9os/mon%20clip.flv"} << "Text1"
        << "mon clip"
        << "Vidéo  FLV vers AVI" << QString();
    // A name written on a Latin-1 disk: shown with a replacement character, opened by its bytes.
    QTest::newRow("a name that is not UTF-8")
        << QStringList{"file:///media/usb/vid%E9o.flv"} << "Text1"
        << QStringLiteral("vid\uFFFDo") << "Vidéo  FLV vers AVI" << QString();
    QTest::newRow("an AVI in capitals on the title")
        << QStringList{"file:///media/cam/MVI_0042.AVI"} << "Label3"
        << "MVI_0042"
        << "Vidéo  AVI vers FLV" << QString();
    QTest::newRow("several, on a button")
        << QStringList{"file:///v/un.avi", "file:///v/deux.flv"} << "CmdLancer"
        << "un"
        << "Vidéo  AVI vers FLV"
        << "Talvenor ouvre un seul fichier à la fois : seul le premier, « /v/un.avi », est pris.";
    QTest::newRow("an address on the web") << QStringList{"https://example.org/clip.flv"}
                                           << "TxtChoix" << prompt << "Vidéo  FLV vers AVI"
                                           << "« https://example.org/clip.flv » n'est pas un "
                                              "fichier de cet ordinateur : Talvenor n'ouvre que "
                                              "des fichiers locaux.";
    QTest::newRow("not a video")
        << QStringList{"file:///home/anne/notes.txt"} << "Text1" << prompt << "Vidéo  FLV vers AVI"
        << "Talvenor convertit les fichiers FLV et AVI : « /home/anne/notes.txt » n'en est pas un.";
}

void WindowFileTest::dropsChooseOrExplain() {
    QFETCH(QStringList, urls);
    QFETCH(QString, over);
    QFETCH(QString, shown);
    QFETCH(QString, choix);
    QFETCH(QString, message);

    QMimeData mime;
    QList<QUrl> list;
    for (const QString& url : urls) list << QUrl(url);
    mime.setUrls(list);
    QVERIFY(Drop(&mime, over));
    const QStringList expected = message.isEmpty() ? QStringList() : QStringList{message};
    const auto messages = [&] {
        QStringList shownMessages;
        for (const std::string& m : w->platform.messages)
            shownMessages << QString::fromStdString(m);
        return shownMessages;
    };
    // The drop is answered first; the choice follows on the event loop.
    QTRY_VERIFY(!w->Log()
                     .filter(QRegularExpression(QStringLiteral("^(MsgBox|SetCurrentFolder)")))
                     .isEmpty());
    QCOMPARE(messages(), expected);
    QTRY_COMPARE(w->TextOf("Text1"), shown);
    QTRY_COMPARE(w->TextOf("TxtChoix"), choix);
    const bool chosen = shown != kPromptText;
    QCOMPARE(w->Control("CmdLancer")->isEnabled(), chosen);
    QCOMPARE(w->Control("CmdVisu")->isEnabled(), chosen);
    if (chosen) {
        // The conversion is handed the dropped file's own bytes, whatever the box shows.
        QTest::mouseClick(w->Control("CmdLancer"), Qt::LeftButton);
        const QString url = urls.first();
        const QByteArray name = QByteArray::fromPercentEncoding(url.mid(url.lastIndexOf('/') + 1).toLatin1());
        QVERIFY(std::any_of(w->log.begin(), w->log.end(), [&](const std::string& call) {
            return call.starts_with("Shell(") && call.find(" " + name.left(name.lastIndexOf('.')).toStdString() + ".") != std::string::npos;
        }));
    }
}

void WindowFileTest::droppedTextIsRefused() {
    QMimeData mime;
    mime.setText(QStringLiteral("/home/anne/clip.flv"));
    QVERIFY(!Drop(&mime, QStringLiteral("Text1")));
    QVERIFY(!Drop(&mime, QStringLiteral("TxtChoix")));
    QTest::qWait(50);
    QCOMPARE(w->TextOf("Text1"), kPromptText);
    QCOMPARE(w->Log(), QStringList());
}

void WindowFileTest::keysOnTheFileBoxOpenTheDialog_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier);
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    QTest::newRow("F4") << int(Qt::Key_F4) << int(Qt::NoModifier);
    QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier);
}

void WindowFileTest::keysOnTheFileBoxOpenTheDialog() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    // The file box has the focus when the window opens.
    QTRY_COMPARE(QApplication::focusWidget(), w->Control("Text1"));
    w->dialog.answers.push_back("/home/anne/Vidéos/clip.flv");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_COMPARE(w->TextOf("Text1"), QStringLiteral("clip"));
    QCOMPARE(w->Log().count(QStringLiteral("Cmd1.ShowOpen")), 1);
    QVERIFY(w->Control("CmdVisu")->isEnabled());
    // The list's box is no file box: keys there open nothing.
    QTest::keyClick(w->Control("TxtChoix"), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTest::qWait(50);
    QCOMPARE(w->Log().count(QStringLiteral("Cmd1.ShowOpen")), 1);
}

void WindowFileTest::enterPressesAFocusedButton_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("call");
    QTest::newRow("Lancer, Enter")
        << "CmdLancer" << int(Qt::Key_Return)
        << "Shell(/opt/talvenor/ffmpeg -y -i clip.flv -f avi clip.avi, 1)";
    QTest::newRow("Voir, keypad Enter")
        << "CmdVisu" << int(Qt::Key_Enter) << "Shell(/opt/talvenor/ffplay clip.flv, 2)";
    QTest::newRow("volume, Enter") << "CmdHP" << int(Qt::Key_Return) << "Shell(sndvol32 /t, 2)";
    QTest::newRow("help, Enter") << "Command1" << int(Qt::Key_Return) << "MsgBox";
    QTest::newRow("Voir, Space as before")
        << "CmdVisu" << int(Qt::Key_Space) << "Shell(/opt/talvenor/ffplay clip.flv, 2)";
}

void WindowFileTest::enterPressesAFocusedButton() {
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(QString, call);
    w->form.OpenFiles({{"/home/anne/clip.flv"}});
    QTRY_VERIFY(w->Control("CmdLancer")->isEnabled());
    w->ClearLog();
    QWidget* target = w->Control(button);
    target->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), target);
    QTest::keyClick(target, Qt::Key(key),
                    key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QTRY_COMPARE(w->Log().filter(QRegularExpression(QStringLiteral("^(Shell|MsgBox)"))),
                 QStringList{call});
}

void WindowFileTest::pictureButtonsShowTheirFocus() {
    for (const QString& name : {QStringLiteral("CmdHP"), QStringLiteral("CmdListOpen"),
                                QStringLiteral("CmdQuit"), QStringLiteral("CmdMinimise")}) {
        QWidget* button = w->Control(name);
        const QRect face = button->geometry();
        const QImage before = w->Grab().copy(face);
        // Reached with Tab, as a keyboard user does: styles ring only a focus the keyboard moved.
        for (int tab = 0; tab < 20 && QApplication::focusWidget() != button; ++tab) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QTRY_COMPARE(QApplication::focusWidget(), button);
        QTRY_VERIFY2(w->Grab().copy(face) != before, qPrintable(name));
    }
}

void WindowFileTest::everyControlHasAFrenchAccessibleName_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("Command1") << "Command1"
                              << "Aide : commandes du lecteur";
    QTest::newRow("CmdHP") << "CmdHP"
                           << "Volume";
    QTest::newRow("CmdListOpen") << "CmdListOpen"
                                 << "Ouvrir la liste des conversions";
    QTest::newRow("TxtChoix") << "TxtChoix"
                              << "Conversion choisie";
    QTest::newRow("List1") << "List1"
                           << "Conversions";
    QTest::newRow("CmdStop") << "CmdStop"
                             << "Stop";
    QTest::newRow("CmdVisu") << "CmdVisu"
                             << "Voir";
    QTest::newRow("CmdMinimise") << "CmdMinimise"
                                 << "Barre de tâches";
    QTest::newRow("CmdLancer") << "CmdLancer"
                               << "Lancer la conversion sélectionnée";
    QTest::newRow("CmdQuit") << "CmdQuit"
                             << "Quitter";
    QTest::newRow("Text1") << "Text1"
                           << "Choix du fichier à voir ou à convertir";
    QTest::newRow("Label2") << "Label2"
                            << "Site web";
    QTest::newRow("Label3") << "Label3"
                            << "Conversions vidéo";
    QTest::newRow("Label7_0") << "Label7_0"
                              << "Talvenor";
}

void WindowFileTest::everyControlHasAFrenchAccessibleName() {
    QFETCH(QString, control);
    QFETCH(QString, name);
    QWidget* widget = w->Control(control);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->accessibleName(), name);
}

int RunWindowFileTests(int argc, char** argv) {
    WindowFileTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace talvenor::window_tests

#include "window_file_test.moc"
