#include "qt_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace talvenor::linux_backend {

QString ToQtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) pattern = pattern.trimmed();
        entries << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

void QtFileDialog::ShowOpen() {
    QFileDialog dialog(parent_, QString::fromStdString(title_), QDir::currentPath(), ToQtFilter(filter_));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!fileName_.empty()) dialog.selectFile(QString::fromStdString(fileName_));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString chosen = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
    fileName_ = chosen.toStdString();
    // The tools are started with bare names: they find the file in the working directory.
    QDir::setCurrent(QFileInfo(chosen).absolutePath());
}

}  // namespace talvenor::linux_backend
