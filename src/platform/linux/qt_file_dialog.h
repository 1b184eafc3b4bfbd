// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "platform.h"

class QWidget;

namespace talvenor::linux_backend {

// The open-file dialog: the desktop's own where its platform theme offers one (GTK, Plasma, the
// portal), Qt's own elsewhere.
class QtFileDialog : public OpenFileDialog {
public:
    explicit QtFileDialog(QWidget* parent) : parent_(parent) {}

    void SetFilter(const std::string& filter) override { filter_ = filter; }
    void SetDialogTitle(const std::string& title) override { title_ = title; }
    void SetFileName(const std::string& fileName) override { fileName_ = fileName; }
    void ShowOpen() override;
    std::string FileName() override { return fileName_; }

private:
    QWidget* parent_;
    std::string filter_;
    std::string title_;
    std::string fileName_;
};

// Puts Qt's standard dialogs and boxes in French, whatever the session's language. Called just
// before the first of them opens, so that start-up reads no translation.
void UseFrenchStandardDialogs();

// "Video|*.flv;" in Qt's form, capitals included: "Video (*.flv *.FLV)". Empty patterns are dropped.
QString ToQtFilter(const std::string& filter);

}  // namespace talvenor::linux_backend
