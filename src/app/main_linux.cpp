#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "form1.h"
#include "linux_services.h"
#include "qt_dialog.h"
#include "qt_form.h"
#include "version.h"

namespace {

constexpr char kUsage[] =
    "Utilisation : talvenor [--version | --help]\n"
    "\n"
    "Talvenor convertit et lit des fichiers vidéo avec ffmpeg et ffplay.\n"
    "Sans argument, il ouvre sa fenêtre.\n"
    "\n"
    "  --version  affiche la version et quitte\n"
    "  --help     affiche cette aide et quitte\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
            std::printf("%s %s\n", TALVENOR_NAME, TALVENOR_VERSION_TEXT);
            return 0;
        }
        if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::fprintf(stderr, "talvenor : argument non reconnu « %s ».\n%s", argv[1], kUsage);
        return 2;
    }
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
    // Once the window is up, not while it comes up.
    QTimer::singleShot(500, &window, [&platform] { platform.PrepareConversions(); });
    return QApplication::exec();
}
