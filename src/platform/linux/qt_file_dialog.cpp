// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_file_dialog.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QStringList>

namespace talvenor::linux_backend {

namespace {

// Qt reads a typed name with double quotes as a list of names. A file whose own name holds a
// quote is taken as it is typed, when it exists.
class OpenDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    QString Chosen() const {
        if (!typedChoice_.isEmpty()) return typedChoice_;
        return selectedFiles().isEmpty() ? QString() : QFileInfo(selectedFiles().constFirst()).absoluteFilePath();
    }

    void accept() override {
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit != nullptr ? edit->text() : QString();
        if (typed.contains(QLatin1Char('"'))) {
            const QFileInfo info(QDir(directory()).absoluteFilePath(typed));
            if (info.isFile()) {
                typedChoice_ = info.absoluteFilePath();
                QDialog::accept();
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    QString typedChoice_;
};

}  // namespace

QString ToQtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) pattern = pattern.trimmed();
        // Some desktops' dialogs match patterns case by case: "CLIP.FLV" is listed too.
        for (const QString& pattern : QStringList(patterns)) {
            if (!patterns.contains(pattern.toUpper())) patterns << pattern.toUpper();
        }
        entries << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

void UseFrenchStandardDialogs() {
    static QTranslator* translator = nullptr;
    if (translator != nullptr) return;
    translator = new QTranslator(qApp);
    if (translator->load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    }
}

void QtFileDialog::ShowOpen() {
    UseFrenchStandardDialogs();
    OpenDialog dialog(parent_, QString::fromStdString(title_), QDir::currentPath(), ToQtFilter(filter_));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!fileName_.empty()) dialog.selectFile(QString::fromStdString(fileName_));
    if (dialog.exec() != QDialog::Accepted) return;
    const QString chosen = dialog.Chosen();
    if (chosen.isEmpty()) return;
    fileName_ = chosen.toStdString();
}

}  // namespace talvenor::linux_backend
