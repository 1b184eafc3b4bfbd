#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "form1.h"
#include "linux_services.h"
#include "qt_dialog.h"
#include "qt_form.h"
#include "version.h"

namespace {

constexpr char kUsage[] =
    "Utilisation : talvenor [--version | --help] [--] [FICHIER]\n"
    "\n"
    "Talvenor convertit et lit des fichiers vidéo avec ffmpeg et ffplay.\n"
    "Il ouvre sa fenêtre, avec FICHIER déjà choisi quand il est donné.\n"
    "\n"
    "  --version  affiche la version et quitte\n"
    "  --help     affiche cette aide et quitte\n"
    "  --         la suite est un nom de fichier, même s'il commence par « - »\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s %s\n", TALVENOR_NAME, TALVENOR_VERSION_TEXT);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::vector<talvenor::OfferedFile> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const bool option = argv[i][0] == '-' && argv[i][1] != '\0';
        if (!optionsEnded && std::strcmp(argv[i], "--") == 0) {
            optionsEnded = true;
        } else if (!optionsEnded && option) {
            std::fprintf(stderr, "talvenor : argument non reconnu « %s ».\n%s", argv[i], kUsage);
            return 2;
        } else {
            files.push_back({argv[i]});
        }
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
    // Once the window shows, so that a box about the file stands over it.
    if (!files.empty()) QTimer::singleShot(0, &window, [&form, &files] { form.OpenFiles(files); });
    // Once the window is up, not while it comes up.
    QTimer::singleShot(500, &window, [&platform] { platform.PrepareConversions(); });
    return QApplication::exec();
}
