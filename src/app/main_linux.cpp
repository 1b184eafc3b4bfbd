// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "form1.h"
#include "linux_platform.h"
#include "qt_file_dialog.h"
#include "qt_window.h"
#include "start_arguments.h"
#include "version.h"

int main(int argc, char** argv) {
    const talvenor::StartRequest request =
        talvenor::ReadStartArguments(std::vector<std::string>(argv + 1, argv + argc));
    switch (request.action) {
        case talvenor::StartRequest::Action::PrintVersion:
            std::printf("%s %s\n", TALVENOR_NAME, TALVENOR_VERSION_TEXT);
            return 0;
        case talvenor::StartRequest::Action::PrintHelp:
            std::fputs(talvenor::UsageText("talvenor").c_str(), stdout);
            return 0;
        case talvenor::StartRequest::Action::Refuse:
            std::fputs((talvenor::RefusalText("talvenor", request.refused) + talvenor::UsageText("talvenor")).c_str(),
                       stderr);
            return 2;
        case talvenor::StartRequest::Action::OpenWindow: break;
    }
    const std::vector<talvenor::OfferedFile>& files = request.files;
    // Synthesised keystrokes need X11: under a Wayland session the window runs on XWayland.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("WAYLAND_DISPLAY") != nullptr &&
        std::getenv("DISPLAY") != nullptr) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral(TALVENOR_NAME));
    QApplication::setApplicationVersion(QStringLiteral(TALVENOR_VERSION_TEXT));
    QApplication::setDesktopFileName(QStringLiteral("talvenor"));

    talvenor::linux_backend::LinuxPlatform platform;
    talvenor::linux_backend::QtForm window;
    talvenor::linux_backend::QtFileDialog dialog(&window);
    talvenor::Form1 form(window, dialog, platform);
    platform.AttachWindow(&window);
    window.Attach(&form);
    form.Raise(talvenor::ControlId::Form1, talvenor::EventKind::Load);
    window.ShowCentred();
    // Once the window shows, so that a box about the file stands over it.
    if (!files.empty()) QTimer::singleShot(0, &window, [&form, &files] { form.OpenFiles(files); });
    // Once the window is up, not while it comes up.
    QTimer::singleShot(500, &window, [&platform] { platform.PrepareConversions(); });
    return QApplication::exec();
}
