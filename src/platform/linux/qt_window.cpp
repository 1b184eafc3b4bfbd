// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "embedded_pictures.h"
#include "presets.h"

namespace talvenor::linux_backend {

namespace {

std::string_view PictureFile(Picture picture) {
    switch (picture) {
        case Picture::P1Background: return "p1_background.bmp";
        case Picture::P2Icon: return "p2_icon.ico";
        case Picture::P3Hand: return "p3_hand.ico";
        case Picture::P4Speaker: return "p4_speaker.gif";
        case Picture::P5Arrow: return "p5_arrow.gif";
        case Picture::P6Minimise: return "p6_minimise.bmp";
        case Picture::P7Cross: return "p7_cross.bmp";
        case Picture::None: break;
    }
    return {};
}

// The pictures are compiled in as pixels: no file to read, no image plugin to load.
QPixmap LoadPicture(Picture picture) {
    const EmbeddedPicture* embedded = FindEmbeddedPicture(PictureFile(picture));
    if (embedded == nullptr) return {};
    const QImage image(reinterpret_cast<const uchar*>(embedded->pixels), embedded->width, embedded->height,
                       embedded->width * 4, QImage::Format_ARGB32);
    return QPixmap::fromImage(image);
}

// The pointer's hot spot: the tip of the index finger.
constexpr int kHandHotX = 5;
constexpr int kHandHotY = 0;

QRect PixelRect(const ControlDesign& d) {
    return QRect(TwipsToPixels(d.left), TwipsToPixels(d.top), TwipsToPixels(d.width), TwipsToPixels(d.height));
}

QFont ToQFont(const FontDesign& design) {
    QFont font(QString::fromUtf8(design.face.data(), static_cast<int>(design.face.size())));
    // Points at 96 dots per inch, so that the text keeps its place whatever the screen reports.
    font.setPixelSize(static_cast<int>(std::lround(design.points * 96.0 / 72.0)));
    font.setBold(design.bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

}  // namespace

QColor ToQColor(Colour colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

QtForm::QtForm() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    setWindowTitle(ToQString(kFormDesign.caption));
    setWindowIcon(QIcon(LoadPicture(kFormDesign.icon)));
    setFont(ToQFont(kFormDesign.font));
    setFixedSize(TwipsToPixels(kFormDesign.clientWidth), TwipsToPixels(kFormDesign.clientHeight));
    background_ = LoadPicture(kFormDesign.picture);
    handCursor_ = QCursor(LoadPicture(kFormDesign.pointerPicture), kHandHotX, kHandHotY);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Files dropped anywhere on the window; the text boxes take no drop of their own.
    setAcceptDrops(true);

    // Labels lie behind every other control; within each group the first stored is in front,
    // so both groups are created back to front.
    for (auto it = kControlDesigns.rbegin(); it != kControlDesigns.rend(); ++it) {
        if (it->kind == ControlKind::Label) Create(*it);
    }
    for (auto it = kControlDesigns.rbegin(); it != kControlDesigns.rend(); ++it) {
        if (it->kind != ControlKind::Label && it->kind != ControlKind::FileDialog) Create(*it);
    }

    std::vector<const ControlDesign*> tabStops;
    for (const ControlDesign& d : kControlDesigns) {
        if (widgets_.count(d.id) != 0 && widgets_[d.id]->focusPolicy() != Qt::NoFocus) tabStops.push_back(&d);
    }
    std::sort(tabStops.begin(), tabStops.end(),
              [](const ControlDesign* a, const ControlDesign* b) { return a->tabIndex < b->tabIndex; });
    for (std::size_t i = 1; i < tabStops.size(); ++i) {
        QWidget::setTabOrder(widgets_[tabStops[i - 1]->id], widgets_[tabStops[i]->id]);
    }
}

QWidget* QtForm::Create(const ControlDesign& d) {
    QWidget* widget = nullptr;
    const QPixmap picture = LoadPicture(d.picture);
    switch (d.kind) {
        case ControlKind::CommandButton: {
            auto* button = new FormButton(ToQString(d.text), this);
            button->setAutoDefault(false);
            widget = button;
            break;
        }
        case ControlKind::PictureButton: {
            auto* button = new PictureButton(picture, this);
            button->setAutoDefault(false);
            widget = button;
            break;
        }
        case ControlKind::TextBox: {
            auto* box = new LockedLineEdit(ToQString(d.text), this);
            box->setAlignment(d.alignment == Alignment::Centre ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
            box->setAcceptDrops(false);
            box->setDragEnabled(false);
            widget = box;
            break;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(this);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setUniformItemSizes(true);
            const int frame = list->frameWidth();
            const int itemHeight = (TwipsToPixels(d.height) - 2 * frame) / kPresetCount;
            for (const ConversionPreset& preset : kPresets) {
                auto* item = new QListWidgetItem(ToQString(preset.label), list);
                item->setSizeHint(QSize(TwipsToPixels(d.width) - 2 * frame, itemHeight));
            }
            connect(list, &QListWidget::currentRowChanged, this, [this](int) {
                if (!settingList_) Raise(ControlId::List1, EventKind::Click);
            });
            list->viewport()->installEventFilter(this);
            ids_[list->viewport()] = d.id;
            widget = list;
            break;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(ToQString(d.text), this);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            const Qt::Alignment horizontal = d.alignment == Alignment::Centre ? Qt::AlignHCenter
                                             : d.alignment == Alignment::Right ? Qt::AlignRight
                                                                               : Qt::AlignLeft;
            label->setAlignment(horizontal | Qt::AlignTop);
            label->setAutoFillBackground(false);
            label->setAttribute(Qt::WA_TranslucentBackground);
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, ToQColor(d.foreColor.value_or(0x000000)));
            label->setPalette(palette);
            label->setFocusPolicy(Qt::NoFocus);
            widget = label;
            break;
        }
        case ControlKind::FileDialog: return nullptr;
    }
    widget->setObjectName(ToQString(d.name) + (d.index >= 0 ? QStringLiteral("_%1").arg(d.index) : QString()));
    widget->setGeometry(PixelRect(d));
    widget->setFont(ToQFont(d.font));
    if (d.backColor) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Base, ToQColor(*d.backColor));
        widget->setPalette(palette);
    }
    if (d.handPointer) widget->setCursor(handCursor_);
    if (!d.toolTip.empty()) widget->setToolTip(ToQString(d.toolTip));
    widget->setAccessibleName(ToQString(AccessibleName(d.id)));
    widget->setEnabled(d.enabled);
    widget->setVisible(d.visible);
    // A press on a control never reaches the window's surface, disabled or not.
    widget->setAttribute(Qt::WA_NoMousePropagation);
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        connect(button, &QPushButton::clicked, this, [this, id = d.id] { Raise(id, EventKind::Click); });
    } else {
        widget->installEventFilter(this);
    }
    widgets_[d.id] = widget;
    ids_[widget] = d.id;
    return widget;
}

QWidget* QtForm::Widget(ControlId id) const {
    const auto found = widgets_.find(id);
    return found == widgets_.end() ? nullptr : found->second;
}

void QtForm::ShowCentred() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    show();
    activateWindow();
    if (QWidget* first = Widget(FirstFocus())) first->setFocus(Qt::OtherFocusReason);
}

void QtForm::SetText(ControlId control, const std::string& text) {
    QWidget* widget = Widget(control);
    const QString value = QString::fromStdString(text);
    given_[control] = {text, value};
    if (auto* box = qobject_cast<QLineEdit*>(widget)) {
        box->setText(value);
        box->setCursorPosition(0);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(value);
    }
}

std::string QtForm::Text(ControlId control) {
    QWidget* widget = Widget(control);
    QString shown;
    if (auto* box = qobject_cast<QLineEdit*>(widget)) {
        shown = box->text();
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        shown = label->text();
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        shown = button->text();
    } else {
        return {};
    }
    const auto given = given_.find(control);
    if (given != given_.end() && given->second.second == shown) return given->second.first;
    return shown.toStdString();
}

void QtForm::SetEnabled(ControlId control, bool enabled) {
    if (QWidget* widget = Widget(control)) widget->setEnabled(enabled);
}

void QtForm::SetVisible(ControlId control, bool visible) {
    if (QWidget* widget = Widget(control)) widget->setVisible(visible);
}

void QtForm::SetBackColor(ControlId control, Colour colour) {
    QWidget* widget = Widget(control);
    if (widget == nullptr) return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, ToQColor(colour));
    widget->setPalette(palette);
}

std::int16_t QtForm::ListIndex(ControlId list) {
    auto* widget = qobject_cast<QListWidget*>(Widget(list));
    return widget == nullptr ? -1 : static_cast<std::int16_t>(widget->currentRow());
}

void QtForm::SetListIndex(ControlId list, std::int16_t index) {
    auto* widget = qobject_cast<QListWidget*>(Widget(list));
    if (widget == nullptr) return;
    settingList_ = true;
    widget->setCurrentRow(index);
    settingList_ = false;
}

std::string QtForm::ListItem(ControlId list, int index) {
    auto* widget = qobject_cast<QListWidget*>(Widget(list));
    if (widget == nullptr || index < 0 || index >= widget->count()) return {};
    return widget->item(index)->text().toStdString();
}

WindowHandle QtForm::hWnd() { return static_cast<WindowHandle>(winId()); }

void QtForm::SetWindowState(int state) {
    if (state == kMinimised) showMinimized();
}

}  // namespace talvenor::linux_backend
