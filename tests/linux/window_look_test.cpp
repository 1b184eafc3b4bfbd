// SPDX-License-Identifier: GPL-3.0-or-later
// What the window looks like once it is loaded and shown: places, texts, fonts, colours,
// pictures, pointers and tool tips, as the user finds them.

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QtMath>
#include <memory>

#include "embedded_pictures.h"
#include "window_fixture.h"
#include "window_tests.h"

namespace talvenor::window_tests {
namespace {

const QString kPrompt = QStringLiteral("Un clic ici pour sélectionner le fichier à coder");
const QString kAddress = QStringLiteral("talvenor.example");

const QColor kPanelBlue(89, 117, 255);
const QColor kLightRed(255, 192, 192);
const QColor kLightCyan(192, 255, 255);
const QColor kLavender(192, 192, 255);
const QColor kDarkGrey(64, 64, 64);
const QColor kBlack(0, 0, 0);

// Every control of the window, front to back.
const QStringList kAllControls = {
    "Command1",    "CmdHP",     "CmdListOpen", "TxtChoix", "List1",  "CmdStop", "CmdVisu",
    "CmdMinimise", "CmdLancer", "CmdQuit",     "Text1",    "Label9", "Label8",  "Label7_1",
    "Label7_0",    "Label6",    "Label5",      "Label4",   "Label3", "Label2",  "Label1"};

QString TextShown(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* box = qobject_cast<QLineEdit*>(widget)) return box->text();
    return QStringLiteral("<no text>");
}

QString Rgb(const QColor& c) {
    return QStringLiteral("RGB(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

// How many pixels of `area` are exactly `colour`.
int PixelCount(const QImage& image, const QRect& area, const QColor& colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y).rgb() == colour.rgb();
    }
    return count;
}

}  // namespace

class WindowLookTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowIsABareClientAreaWithCaptionAndIcon();
    void everyControlSitsOnItsPixels_data();
    void everyControlSitsOnItsPixels();
    void windowHoldsItsControlsAndNoOthers();
    void textsAreExact_data();
    void textsAreExact();
    void listHoldsTheFourPresetsInOrder();
    void fonts_data();
    void fonts();
    void labelColoursAndAlignment_data();
    void labelColoursAndAlignment();
    void textBoxesAndListColoursAndAlignment_data();
    void textBoxesAndListColoursAndAlignment();
    void surfaceShowsTheDesignColours_data();
    void surfaceShowsTheDesignColours();
    void titlesAreDoubledLightAndDark_data();
    void titlesAreDoubledLightAndDark();
    void longLabelBreaksIntoTwoLines();
    void addressShowsWholeAndKeepsItsRightEdge();
    void builtInPicturesAreTheFilesPixelForPixel_data();
    void builtInPicturesAreTheFilesPixelForPixel();
    void pictureButtonsShowTheirPictureCentred_data();
    void pictureButtonsShowTheirPictureCentred();
    void toolTips_data();
    void toolTips();
    void toolTipShowsOverItsButton_data();
    void toolTipShowsOverItsButton();
    void pointers_data();
    void pointers();
    void stateAfterLoad_data();
    void stateAfterLoad();
    void focusStartsInTheFileBox();
    void shownListHoldsEveryItemWithoutScrollBar();

private:
    std::unique_ptr<ShownWindow> w;
};

void WindowLookTest::initTestCase() {
    // Every pixel figure below is for 96 dots per inch, one device pixel per pixel.
    QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.0);
}

void WindowLookTest::init() {
    w = std::make_unique<ShownWindow>();
    QVERIFY(w->WaitUntilReady());
}

void WindowLookTest::cleanup() {
    w.reset();
}

void WindowLookTest::windowIsABareClientAreaWithCaptionAndIcon() {
    QWidget& window = w->window;
    QVERIFY(window.isWindow());
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window.size(), QSize(367, 287));
    QCOMPARE(window.windowHandle()->size(), QSize(367, 287));
    QCOMPARE(window.minimumSize(), QSize(367, 287));
    QCOMPARE(window.maximumSize(), QSize(367, 287));

    const QString caption =
        QStringLiteral("Talvenor 1.0") + QString(104, QLatin1Char(' ')) + kAddress;
    QCOMPARE(window.windowTitle(), caption);
    QCOMPARE(window.windowTitle().indexOf(kAddress), 116);

    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(!window.windowIcon().pixmap(32, 32).isNull());

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY2(qAbs(window.geometry().center().x() - screen.center().x()) <= 1, "not centred across");
    QVERIFY2(qAbs(window.geometry().center().y() - screen.center().y()) <= 1, "not centred down");
}

void WindowLookTest::everyControlSitsOnItsPixels_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    // Left, top, width, height in pixels at 96 dpi; 65.3, 34.7 and 106.7 round to the nearest.
    QTest::newRow("Command1") << "Command1" << QRect(160, 168, 17, 17);
    QTest::newRow("CmdHP") << "CmdHP" << QRect(184, 168, 17, 17);
    QTest::newRow("CmdListOpen") << "CmdListOpen" << QRect(280, 89, 17, 17);
    QTest::newRow("TxtChoix") << "TxtChoix" << QRect(65, 88, 233, 19);
    QTest::newRow("List1") << "List1" << QRect(64, 104, 233, 56);
    QTest::newRow("CmdStop") << "CmdStop" << QRect(208, 168, 41, 17);
    QTest::newRow("CmdVisu") << "CmdVisu" << QRect(104, 168, 49, 17);
    QTest::newRow("CmdMinimise") << "CmdMinimise" << QRect(288, 16, 17, 17);
    QTest::newRow("CmdLancer") << "CmdLancer" << QRect(80, 192, 201, 17);
    QTest::newRow("CmdQuit") << "CmdQuit" << QRect(312, 16, 17, 17);
    QTest::newRow("Text1") << "Text1" << QRect(64, 123, 233, 19);
    QTest::newRow("Label9") << "Label9" << QRect(248, 35, 25, 17);
    QTest::newRow("Label8") << "Label8" << QRect(24, 256, 73, 17);
    QTest::newRow("Label7(1)") << "Label7_1" << QRect(121, 24, 129, 33);
    QTest::newRow("Label7(0)") << "Label7_0" << QRect(120, 24, 129, 33);
    QTest::newRow("Label6") << "Label6" << QRect(64, 144, 225, 17);
    QTest::newRow("Label5") << "Label5" << QRect(64, 107, 233, 17);
    QTest::newRow("Label4") << "Label4" << QRect(80, 216, 201, 33);
    QTest::newRow("Label3") << "Label3" << QRect(96, 48, 183, 25);
    QTest::newRow("Label2") << "Label2" << QRect(255, 256, 90, 17);
    QTest::newRow("Label1") << "Label1" << QRect(80, 48, 217, 33);
}

void WindowLookTest::everyControlSitsOnItsPixels() {
    QFETCH(QString, name);
    QFETCH(QRect, place);
    QWidget* control = w->Control(name);
    QVERIFY2(control != nullptr, qPrintable(name + " is not on the window"));
    QCOMPARE(control->geometry(), place);
}

void WindowLookTest::windowHoldsItsControlsAndNoOthers() {
    QStringList children;
    for (QWidget* child : w->window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        children << child->objectName();
    }
    children.sort();
    QStringList expected = kAllControls;
    expected.sort();
    QCOMPARE(children, expected);
}

void WindowLookTest::textsAreExact_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("Command1") << "Command1"
                              << "?";
    QTest::newRow("CmdHP, picture only") << "CmdHP"
                                         << "";
    QTest::newRow("CmdListOpen, picture only") << "CmdListOpen"
                                               << "";
    QTest::newRow("TxtChoix, preset 0") << "TxtChoix"
                                        << "Vidéo  FLV vers AVI";
    QTest::newRow("CmdStop") << "CmdStop"
                             << "Stop";
    QTest::newRow("CmdVisu") << "CmdVisu"
                             << "Voir";
    QTest::newRow("CmdMinimise, picture only") << "CmdMinimise"
                                               << "";
    QTest::newRow("CmdLancer") << "CmdLancer"
                               << "Lancer la conversion sélectionnée";
    QTest::newRow("CmdQuit, picture only") << "CmdQuit"
                                           << "";
    QTest::newRow("Text1, the 48-character prompt") << "Text1" << kPrompt;
    QTest::newRow("Label9") << "Label9"
                            << "1.0";
    QTest::newRow("Label8") << "Label8"
                            << "Utilise ffmpeg";
    QTest::newRow("Label7(1)") << "Label7_1"
                               << "Talvenor";
    QTest::newRow("Label7(0)") << "Label7_0"
                               << "Talvenor";
    QTest::newRow("Label6") << "Label6"
                            << "Choix du fichier à voir ou à convertir";
    QTest::newRow("Label5") << "Label5"
                            << "Conversion choisie.";
    QTest::newRow("Label4, doubled blanks")
        << "Label4"
        << "Le  fichier  reformaté  se  retrouve dans le répertoire du fichier source";
    QTest::newRow("Label3, trailing blank") << "Label3"
                                            << "Conversions vidéo ";
    QTest::newRow("Label2, the address") << "Label2" << kAddress;
    QTest::newRow("Label1, trailing blank") << "Label1"
                                            << "Conversions vidéo ";
}

void WindowLookTest::textsAreExact() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QCOMPARE(TextShown(w->Control(name)), text);
    if (name == QLatin1String("Text1")) QCOMPARE(TextShown(w->Control(name)).size(), 48);
}

void WindowLookTest::listHoldsTheFourPresetsInOrder() {
    const QStringList presets = {"Vidéo  FLV vers AVI", "Vidéo  FLV vers AVI non compressé.",
                                 "Vidéo  FLV vers MPEG1", "Vidéo  AVI vers FLV"};
    QCOMPARE(w->ListItems(), presets);
    auto* list = qobject_cast<QListWidget*>(w->Control("List1"));
    QVERIFY(list != nullptr);
    QVERIFY(!list->isSortingEnabled());
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list->currentRow(), 0);
}

void WindowLookTest::fonts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("bold");
    // 18, 13.5 and 8.25 points at 96 dpi.
    QTest::newRow("Label7(0), 18 pt bold") << "Label7_0" << 24 << true;
    QTest::newRow("Label7(1), 18 pt bold") << "Label7_1" << 24 << true;
    QTest::newRow("Label1, 13.5 pt bold") << "Label1" << 18 << true;
    QTest::newRow("Label3, 13.5 pt bold") << "Label3" << 18 << true;
    QTest::newRow("Label4, 8.25 pt bold") << "Label4" << 11 << true;
    QTest::newRow("Label5, 8.25 pt bold") << "Label5" << 11 << true;
    QTest::newRow("Label6, 8.25 pt bold") << "Label6" << 11 << true;
    QTest::newRow("Label2, default") << "Label2" << 11 << false;
    QTest::newRow("Label8, default") << "Label8" << 11 << false;
    QTest::newRow("Label9, default") << "Label9" << 11 << false;
    QTest::newRow("CmdLancer, default") << "CmdLancer" << 11 << false;
    QTest::newRow("Command1, default") << "Command1" << 11 << false;
    QTest::newRow("Text1, default") << "Text1" << 11 << false;
    QTest::newRow("TxtChoix, default") << "TxtChoix" << 11 << false;
    QTest::newRow("List1, default") << "List1" << 11 << false;
}

void WindowLookTest::fonts() {
    QFETCH(QString, name);
    QFETCH(int, pixels);
    QFETCH(bool, bold);
    const QFontInfo font(w->Control(name)->font());
    QCOMPARE(font.pixelSize(), pixels);
    QCOMPARE(font.bold(), bold);
    QVERIFY(!font.italic());
    QVERIFY(!font.underline());
    QVERIFY(!font.strikeOut());
}

void WindowLookTest::labelColoursAndAlignment_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("ink");
    QTest::addColumn<int>("horizontal");
    const int centre = Qt::AlignHCenter;
    const int left = Qt::AlignLeft;
    QTest::newRow("Label7(0), light") << "Label7_0" << kLavender << centre;
    QTest::newRow("Label7(1), dark") << "Label7_1" << kDarkGrey << centre;
    QTest::newRow("Label1, light") << "Label1" << kLavender << centre;
    QTest::newRow("Label3, dark") << "Label3" << kDarkGrey << centre;
    QTest::newRow("Label4") << "Label4" << kBlack << centre;
    QTest::newRow("Label5") << "Label5" << kBlack << centre;
    QTest::newRow("Label6") << "Label6" << kBlack << centre;
    QTest::newRow("Label2") << "Label2" << kBlack << left;
    QTest::newRow("Label8") << "Label8" << kBlack << left;
    QTest::newRow("Label9") << "Label9" << kBlack << left;
}

void WindowLookTest::labelColoursAndAlignment() {
    QFETCH(QString, name);
    QFETCH(QColor, ink);
    QFETCH(int, horizontal);
    auto* label = qobject_cast<QLabel*>(w->Control(name));
    QVERIFY2(label != nullptr, qPrintable(name + " is not a label"));
    QCOMPARE(Rgb(label->palette().color(label->foregroundRole())), Rgb(ink));
    QCOMPARE(static_cast<int>(label->alignment() & Qt::AlignHorizontal_Mask), horizontal);
    // Text runs from the top of the label, and the picture shows through around it.
    QCOMPARE(static_cast<int>(label->alignment() & Qt::AlignVertical_Mask),
             static_cast<int>(Qt::AlignTop));
    QVERIFY(!label->autoFillBackground());
}

void WindowLookTest::textBoxesAndListColoursAndAlignment_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("base");
    QTest::newRow("Text1, light red with the prompt") << "Text1" << kLightRed;
    QTest::newRow("TxtChoix, light cyan") << "TxtChoix" << kLightCyan;
    QTest::newRow("List1, light cyan") << "List1" << kLightCyan;
}

void WindowLookTest::textBoxesAndListColoursAndAlignment() {
    QFETCH(QString, name);
    QFETCH(QColor, base);
    QCOMPARE(Rgb(w->BaseColourOf(name)), Rgb(base));
    if (auto* box = qobject_cast<QLineEdit*>(w->Control(name))) {
        QCOMPARE(static_cast<int>(box->alignment() & Qt::AlignHorizontal_Mask),
                 static_cast<int>(Qt::AlignHCenter));
    }
}

void WindowLookTest::surfaceShowsTheDesignColours_data() {
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("listShown");
    QTest::addColumn<QColor>("colour");
    // Points well inside bare areas, away from the darkened rim and from any text.
    QTest::newRow("bare surface, upper left") << QPoint(60, 30) << false << kPanelBlue;
    QTest::newRow("bare surface, left of the boxes") << QPoint(40, 130) << false << kPanelBlue;
    QTest::newRow("bare surface, right of the boxes") << QPoint(330, 130) << false << kPanelBlue;
    QTest::newRow("bare surface, between the bottom labels")
        << QPoint(190, 262) << false << kPanelBlue;
    QTest::newRow("bare surface, between the buttons") << QPoint(182, 186) << false << kPanelBlue;
    QTest::newRow("Text1, above the prompt's letters") << QPoint(180, 125) << false << kLightRed;
    QTest::newRow("TxtChoix, left of the preset") << QPoint(75, 97) << false << kLightCyan;
    QTest::newRow("TxtChoix, right of the preset") << QPoint(270, 97) << false << kLightCyan;
    QTest::newRow("List1, right of the last item") << QPoint(270, 150) << true << kLightCyan;
}

void WindowLookTest::surfaceShowsTheDesignColours() {
    QFETCH(QPoint, point);
    QFETCH(bool, listShown);
    QFETCH(QColor, colour);
    if (listShown) {
        w->Click(QStringLiteral("CmdListOpen"));
        QTRY_VERIFY(w->Control("List1")->isVisible());
    }
    const QImage shown = w->Grab();
    QCOMPARE(shown.size(), QSize(367, 287));
    QCOMPARE(Rgb(shown.pixelColor(point)), Rgb(colour));
}

void WindowLookTest::titlesAreDoubledLightAndDark_data() {
    QTest::addColumn<QRect>("area");
    QTest::addColumn<bool>("darkOnTheRight");
    // The product title's dark copy stands one pixel right of the light one, the subtitle's one
    // pixel left. Each area keeps clear of the other title.
    QTest::newRow("product title, Label7") << QRect(120, 24, 130, 24) << true;
    QTest::newRow("subtitle, Label1 and Label3") << QRect(80, 57, 217, 24) << false;
}

void WindowLookTest::titlesAreDoubledLightAndDark() {
    QFETCH(QRect, area);
    QFETCH(bool, darkOnTheRight);
    const QImage shown = w->Grab();
    // Letters are smoothed, so the light copy shows as a fringe of lavender-like pixels beside
    // the dark grey strokes: count which side of a dark pixel the fringe lies on.
    const auto light = [](const QColor& c) {
        return c.red() >= 150 && c.green() >= 150 && qAbs(c.red() - c.green()) <= 20 &&
               c.blue() >= 200;
    };
    const auto dark = [](const QColor& c) {
        const int high = qMax(c.red(), qMax(c.green(), c.blue()));
        const int low = qMin(c.red(), qMin(c.green(), c.blue()));
        return high <= 100 && high - low <= 30;
    };
    int lightThenDark = 0;
    int darkThenLight = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x < area.right(); ++x) {
            const QColor here = shown.pixelColor(x, y);
            const QColor right = shown.pixelColor(x + 1, y);
            if (light(here) && dark(right)) ++lightThenDark;
            if (dark(here) && light(right)) ++darkThenLight;
        }
    }
    const int expectedSide = darkOnTheRight ? lightThenDark : darkThenLight;
    const int otherSide = darkOnTheRight ? darkThenLight : lightThenDark;
    QVERIFY2(expectedSide >= 20,
             qPrintable(QStringLiteral("light beside dark on the expected side only %1 times")
                            .arg(expectedSide)));
    QVERIFY2(otherSide * 5 < expectedSide,
             qPrintable(QStringLiteral("%1 times on the expected side, %2 on the other")
                            .arg(expectedSide)
                            .arg(otherSide)));
}

void WindowLookTest::longLabelBreaksIntoTwoLines() {
    const QImage shown = w->Grab();
    const QRect label = w->Control("Label4")->geometry();
    const QRect upper(label.left(), label.top(), label.width(), label.height() / 2);
    const QRect lower(label.left(), label.top() + label.height() / 2, label.width(),
                      label.height() - label.height() / 2);
    QVERIFY2(PixelCount(shown, upper, kBlack) > 20, "no first line");
    QVERIFY2(PixelCount(shown, lower, kBlack) > 20, "no second line");
}

void WindowLookTest::addressShowsWholeAndKeepsItsRightEdge() {
    auto* label = qobject_cast<QLabel*>(w->Control("Label2"));
    QVERIFY(label != nullptr);
    QCOMPARE(label->text(), kAddress);
    QCOMPARE(label->geometry().right(), 344);
    const int advance = QFontMetrics(label->font()).horizontalAdvance(kAddress);
    QVERIFY2(advance <= label->contentsRect().width(),
             qPrintable(QStringLiteral("the address needs %1 pixels, the label has %2")
                            .arg(advance)
                            .arg(label->contentsRect().width())));
    // The last two letters are drawn where the text ends, inside the window.
    const QImage shown = w->Grab();
    const QRect geometry = label->geometry();
    const QRect lastLetters(geometry.left() + advance - 12, geometry.top(), 12, geometry.height());
    QVERIFY(shown.rect().contains(lastLetters));
    int dark = 0;
    for (int y = lastLetters.top(); y <= lastLetters.bottom(); ++y) {
        for (int x = lastLetters.left(); x <= lastLetters.right(); ++x) dark += qGray(shown.pixel(x, y)) < 64;
    }
    QVERIFY2(dark >= 10, qPrintable(QStringLiteral("%1 dark pixels where \"le\" should be").arg(dark)));
}

void WindowLookTest::builtInPicturesAreTheFilesPixelForPixel_data() {
    QTest::addColumn<QString>("file");
    for (const char* file : {"p1_background.bmp", "p2_icon.ico", "p3_hand.ico", "p4_speaker.gif", "p5_arrow.gif",
                             "p6_minimise.bmp", "p7_cross.bmp"}) {
        QTest::newRow(file) << QString::fromLatin1(file);
    }
}

// The pictures compiled into the program are what Qt's own readers make of the files in res/.
void WindowLookTest::builtInPicturesAreTheFilesPixelForPixel() {
    QFETCH(QString, file);
    const QImage expected = QImage(":/pictures/" + file).convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!expected.isNull(), qPrintable("cannot read " + file));
    const linux_backend::EmbeddedPicture* built = linux_backend::FindEmbeddedPicture(file.toStdString());
    QVERIFY(built != nullptr);
    QCOMPARE(QSize(built->width, built->height), expected.size());
    const QImage image(reinterpret_cast<const uchar*>(built->pixels), built->width, built->height,
                       built->width * 4, QImage::Format_ARGB32);
    QCOMPARE(image, expected);
    QCOMPARE(linux_backend::FindEmbeddedPicture("p8_missing.bmp"), nullptr);
}

void WindowLookTest::pictureButtonsShowTheirPictureCentred_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("picture");
    QTest::newRow("CmdHP, loudspeaker 16x13") << "CmdHP"
                                              << ":/pictures/p4_speaker.gif";
    QTest::newRow("CmdListOpen, arrow 23x23, clipped") << "CmdListOpen"
                                                       << ":/pictures/p5_arrow.gif";
    QTest::newRow("CmdMinimise, 13x13") << "CmdMinimise"
                                        << ":/pictures/p6_minimise.bmp";
    QTest::newRow("CmdQuit, cross 13x13") << "CmdQuit"
                                          << ":/pictures/p7_cross.bmp";
}

void WindowLookTest::pictureButtonsShowTheirPictureCentred() {
    QFETCH(QString, name);
    QFETCH(QString, picture);
    const QImage image = QImage(picture).convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!image.isNull(), qPrintable("cannot read " + picture));
    const QRect face = w->Control(name)->geometry();
    const QImage shown = w->Grab().copy(face);

    // Centred: the offset is half the difference of the sizes, either way where that is odd.
    auto matchesAt = [&](int dx, int dy) {
        int compared = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QPoint at(x + dx, y + dy);
                if (!shown.rect().contains(at) || qAlpha(image.pixel(x, y)) != 255) continue;
                if ((shown.pixel(at) & 0xFFFFFF) != (image.pixel(x, y) & 0xFFFFFF)) return false;
                ++compared;
            }
        }
        return compared >= 20;
    };
    const double centreX = (face.width() - image.width()) / 2.0;
    const double centreY = (face.height() - image.height()) / 2.0;
    bool found = false;
    for (int dx = qFloor(centreX); dx <= qCeil(centreX) && !found; ++dx) {
        for (int dy = qFloor(centreY); dy <= qCeil(centreY) && !found; ++dy)
            found = matchesAt(dx, dy);
    }
    QVERIFY2(found, qPrintable(name + " does not show " + picture + " centred on its face"));
}

void WindowLookTest::toolTips_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tip");
    for (const QString& name : kAllControls) {
        QString tip;
        if (name == QLatin1String("CmdMinimise")) tip = QStringLiteral("Barre de tâches");
        if (name == QLatin1String("CmdQuit")) tip = QStringLiteral("Quitter");
        QTest::newRow(qPrintable(name)) << name << tip;
    }
    QTest::newRow("the window") << QString() << QString();
}

void WindowLookTest::toolTips() {
    QFETCH(QString, name);
    QFETCH(QString, tip);
    QWidget* widget = name.isEmpty() ? &w->window : w->Control(name);
    QCOMPARE(widget->toolTip(), tip);
}

void WindowLookTest::toolTipShowsOverItsButton_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tip");
    QTest::newRow("CmdMinimise") << "CmdMinimise"
                                 << "Barre de tâches";
    QTest::newRow("CmdQuit") << "CmdQuit"
                             << "Quitter";
}

void WindowLookTest::toolTipShowsOverItsButton() {
    QFETCH(QString, name);
    QFETCH(QString, tip);
    QWidget* button = w->Control(name);
    const QPoint inside = button->rect().center();
    QHelpEvent hover(QEvent::ToolTip, inside, button->mapToGlobal(inside));
    QCoreApplication::sendEvent(button, &hover);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), tip);
    QToolTip::hideText();
}

void WindowLookTest::pointers_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("hand");
    for (const QString& name : kAllControls)
        QTest::newRow(qPrintable(name)) << name << !name.startsWith("Label");
    QTest::newRow("the bare surface") << QString() << false;
}

void WindowLookTest::pointers() {
    QFETCH(QString, name);
    QFETCH(bool, hand);
    QWidget* widget = name.isEmpty() ? &w->window : w->Control(name);
    const QCursor pointer = widget->cursor();
    if (!hand) {
        QCOMPARE(pointer.shape(), Qt::ArrowCursor);
        return;
    }
    QCOMPARE(pointer.shape(), Qt::BitmapCursor);
    const QImage expected =
        QImage(QStringLiteral(":/pictures/p3_hand.ico")).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!expected.isNull());
    QCOMPARE(pointer.pixmap().toImage().convertToFormat(QImage::Format_ARGB32), expected);
}

void WindowLookTest::stateAfterLoad_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");
    for (const QString& name : kAllControls) {
        const bool actionButton = name == QLatin1String("CmdLancer") ||
                                  name == QLatin1String("CmdVisu") ||
                                  name == QLatin1String("CmdStop");
        const bool list = name == QLatin1String("List1");
        QTest::newRow(qPrintable(name)) << name << !actionButton << !list;
    }
}

void WindowLookTest::stateAfterLoad() {
    QFETCH(QString, name);
    QFETCH(bool, enabled);
    QFETCH(bool, visible);
    QWidget* control = w->Control(name);
    QCOMPARE(control->isEnabled(), enabled);
    QCOMPARE(control->isVisible(), visible);
}

void WindowLookTest::focusStartsInTheFileBox() {
    QTRY_COMPARE(QApplication::focusWidget(), w->Control("Text1"));
}

void WindowLookTest::shownListHoldsEveryItemWithoutScrollBar() {
    auto* list = qobject_cast<QListWidget*>(w->Control("List1"));
    QVERIFY(list != nullptr);
    w->Click(QStringLiteral("CmdListOpen"));
    QTRY_VERIFY(list->isVisible());
    QVERIFY(!list->verticalScrollBar()->isVisible());
    QVERIFY(!list->horizontalScrollBar()->isVisible());
    const QRect viewport = list->viewport()->rect();
    QCOMPARE(list->count(), 4);
    for (int row = 0; row < list->count(); ++row) {
        const QRect item = list->visualItemRect(list->item(row));
        QVERIFY2(viewport.contains(item),
                 qPrintable(QStringLiteral("item %1 is cut off").arg(row)));
        QCOMPARE(item.height(), 13);
    }
}

int RunWindowLookTests(int argc, char** argv) {
    WindowLookTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace talvenor::window_tests

#include "window_look_test.moc"
