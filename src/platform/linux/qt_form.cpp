// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_form.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QUrl>
#include <QStylePainter>
#include <algorithm>
#include <cmath>
#include <utility>

#include "embedded_pictures.h"
#include "presets.h"

namespace talvenor::linux_backend {

namespace {

QColor ToQColor(Colour colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

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

// A text box the user can focus, select in and copy from, but never change.
class LockedLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        static const QKeySequence::StandardKey allowed[] = {
            QKeySequence::Copy,          QKeySequence::SelectAll,        QKeySequence::MoveToNextChar,
            QKeySequence::MoveToPreviousChar, QKeySequence::MoveToStartOfLine, QKeySequence::MoveToEndOfLine,
            QKeySequence::SelectNextChar, QKeySequence::SelectPreviousChar, QKeySequence::SelectStartOfLine,
            QKeySequence::SelectEndOfLine, QKeySequence::MoveToNextWord,  QKeySequence::MoveToPreviousWord,
            QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord};
        for (QKeySequence::StandardKey key : allowed) {
            if (event->matches(key)) return QLineEdit::keyPressEvent(event);
        }
        event->ignore();
    }
    void inputMethodEvent(QInputMethodEvent* event) override { event->ignore(); }
    void mouseReleaseEvent(QMouseEvent* event) override {
        // The middle button would paste the X selection.
        if (event->button() == Qt::MiddleButton) return;
        QLineEdit::mouseReleaseEvent(event);
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        QMenu menu(this);
        QAction* copy = menu.addAction(QStringLiteral("Copier"), this, &QLineEdit::copy);
        copy->setEnabled(hasSelectedText());
        menu.addAction(QStringLiteral("Tout sélectionner"), this, &QLineEdit::selectAll);
        menu.exec(event->globalPos());
    }
};

}  // namespace

FormButton::FormButton(QWidget* parent) : FormButton(QString(), parent) {}

FormButton::FormButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    // Connected before any handler: a handler may open a dialog, and the button must paint
    // normally while it shows.
    connect(this, &QAbstractButton::clicked, this, [this] { setUpdatesEnabled(true); });
}

template <typename Handler>
void FormButton::PaintLater(Handler handler) {
    // QPushButton calls repaint() while it handles a press and before it emits clicked; with
    // updates off that paints nothing, and turning them back on schedules one update instead.
    setUpdatesEnabled(false);
    handler();
    setUpdatesEnabled(true);
}

void FormButton::keyPressEvent(QKeyEvent* event) {
    // Enter presses a focused button as Space does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat()) click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void FormButton::mousePressEvent(QMouseEvent* event) {
    PaintLater([&] { QPushButton::mousePressEvent(event); });
}

void FormButton::mouseReleaseEvent(QMouseEvent* event) {
    PaintLater([&] { QPushButton::mouseReleaseEvent(event); });
}

PictureButton::PictureButton(const QPixmap& picture, QWidget* parent) : FormButton(parent), picture_(picture) {}

void PictureButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    painter.setClipRect(rect());
    const QPoint corner((width() - picture_.width()) / 2, (height() - picture_.height()) / 2);
    const int shift = isDown() ? 1 : 0;
    painter.drawPixmap(corner + QPoint(shift, shift), picture_);
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect ring;
        ring.initFrom(this);
        ring.rect = rect().adjusted(2, 2, -2, -2);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, ring);
    }
}

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

void QtForm::Raise(ControlId id, EventKind event, const MouseEvent& mouse) {
    if (form_ != nullptr) form_->Raise(id, event, mouse);
}

MouseEvent QtForm::ToMouseEvent(const QMouseEvent* event) const {
    MouseEvent mouse;
    switch (event->button()) {
        case Qt::LeftButton: mouse.button = 1; break;
        case Qt::RightButton: mouse.button = 2; break;
        case Qt::MiddleButton: mouse.button = 4; break;
        default: mouse.button = 0; break;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    mouse.shift = static_cast<std::int16_t>((modifiers & Qt::ShiftModifier ? 1 : 0) |
                                            (modifiers & Qt::ControlModifier ? 2 : 0) |
                                            (modifiers & Qt::AltModifier ? 4 : 0));
    // The window measures in twips.
    mouse.x = static_cast<float>(event->position().x() * kTwipsPerInch / 96.0);
    mouse.y = static_cast<float>(event->position().y() * kTwipsPerInch / 96.0);
    return mouse;
}

bool QtForm::eventFilter(QObject* watched, QEvent* event) {
    const auto found = ids_.find(watched);
    if (found == ids_.end()) return QWidget::eventFilter(watched, event);
    const ControlId id = found->second;
    const ControlKind kind = DesignOf(id).kind;
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);

    if (kind == ControlKind::Label) {
        if (event->type() == QEvent::MouseButtonPress) {
            Raise(id, EventKind::MouseDown, ToMouseEvent(mouse));
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            // The release that ends a double-click is no second click.
            const bool afterDoubleClick = std::exchange(labelDoubleClicked_, false);
            if (!afterDoubleClick && mouse->button() == Qt::LeftButton &&
                static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
                Raise(id, EventKind::Click);
            }
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            labelDoubleClicked_ = true;
            return true;
        }
        return false;
    }
    if (kind == ControlKind::TextBox && event->type() == QEvent::KeyPress && IsConnected(id, EventKind::Click)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool space = key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier;
        const bool enter = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        const bool f4 = key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier;
        const bool altDown = key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier;
        if (space || enter || f4 || altDown) {
            // As a click: the dialog opens once the key has been handled.
            if (!key->isAutoRepeat()) {
                QMetaObject::invokeMethod(this, [this, id] { Raise(id, EventKind::Click); }, Qt::QueuedConnection);
            }
            return true;
        }
    }
    if (kind == ControlKind::TextBox && event->type() == QEvent::MouseButtonRelease &&
        mouse->button() == Qt::LeftButton && static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
        // The dialog opens after the box has finished handling the release.
        const bool handled = QWidget::eventFilter(watched, event);
        QMetaObject::invokeMethod(this, [this, id] { Raise(id, EventKind::Click); }, Qt::QueuedConnection);
        return handled;
    }
    if (kind == ControlKind::ListBox) {
        auto* list = qobject_cast<QListWidget*>(Widget(id));
        if (list == nullptr) return QWidget::eventFilter(watched, event);
        // A click on the item already chosen is a choice too; a changed row raises it itself.
        if (event->type() == QEvent::MouseButtonPress) pressedListRow_ = list->currentRow();
        if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
            list->isVisible() && pressedListRow_ == list->currentRow() &&
            list->itemAt(mouse->position().toPoint()) == list->currentItem() && list->currentItem() != nullptr) {
            Raise(id, EventKind::Click);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void QtForm::dragEnterEvent(QDragEnterEvent* event) {
    // Addresses only: dropped text is no file.
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void QtForm::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void QtForm::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) return;
    std::vector<OfferedFile> files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            // The name's own bytes, from the address's percent-encoding: toLocalFile() would
            // replace those that are not UTF-8.
            const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
            files.push_back({path.toStdString(), true});
        } else {
            files.push_back({url.toDisplayString().toStdString(), false});
        }
    }
    event->acceptProposedAction();
    // After the drop has been answered: the program the file came from is not kept waiting by a box.
    QMetaObject::invokeMethod(
        this, [this, files] { if (form_ != nullptr) form_->OpenFiles(files); }, Qt::QueuedConnection);
}

void QtForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(kFormDesign.backColor));
    painter.drawPixmap(0, 0, background_);
}

// The second press of a double-click is no new press.
void QtForm::mouseDoubleClickEvent(QMouseEvent*) {}

void QtForm::mousePressEvent(QMouseEvent* event) { Raise(ControlId::Form1, EventKind::MouseDown, ToMouseEvent(event)); }

void QtForm::beginManualMove() {
    manualMove_ = true;
    moveOffset_ = QCursor::pos() - pos();
    grabMouse();
}

void QtForm::mouseMoveEvent(QMouseEvent*) {
    if (manualMove_) move(QCursor::pos() - moveOffset_);
}

void QtForm::mouseReleaseEvent(QMouseEvent*) {
    if (!manualMove_) return;
    manualMove_ = false;
    releaseMouse();
}

void QtForm::ShowCentred() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    show();
    activateWindow();
    if (QWidget* first = Widget(ControlId::Text1)) first->setFocus(Qt::OtherFocusReason);
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
