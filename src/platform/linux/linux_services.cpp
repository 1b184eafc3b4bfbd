// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux_services.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QGuiApplication>
#include <QIcon>
#include <QInputEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <filesystem>
#include <memory>
#include <utility>

#include "desktop_notifications.h"
#include "form1.h"
#include "linux_process.h"
#include "qt_dialog.h"
#include "version.h"

namespace talvenor::linux_backend {

namespace {

// X window ids use 29 bits: handles from here up stand for windows still to come.
constexpr WindowHandle kPendingBase = 0x40000000;
// How long a stop waits for the player's window to show, and for the focus to reach it.
constexpr int kWindowWaitMs = 3000;
constexpr int kFocusWaitMs = 1500;
constexpr int kPollMs = 25;
// A player shown this long after its start, on a loaded machine, is still minimised as it shows;
// once shown, it is kept minimised while it settles.
constexpr qint64 kPlayerShowMs = 30000;
constexpr qint64 kMinimisedSettleMs = 2000;
constexpr int kSettlePollMs = 100;
// The next conversion console is started a little after a launch, so as not to compete with the
// tool that is starting.
constexpr int kStandbyDelayMs = 250;

void* X11Display() {
    if (auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        return x11->display();
    }
    return nullptr;
}

std::string WithScheme(const std::string& address) {
    if (address.find("://") != std::string::npos) return address;
    return "http://" + address;
}

QString Plain(const std::string& text) {
    QString out = QString::fromStdString(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out;
}

// Notes the X server time of each press and key (Qt gives X's own as the event's timestamp), so
// that what the program asks of the window manager for the user carries the user's time.
class UserTimeFilter : public QObject {
public:
    explicit UserTimeFilter(X11Desktop& desktop) : desktop_(desktop) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
                if (const auto time = static_cast<QInputEvent*>(event)->timestamp(); time != 0) {
                    desktop_.NoteUserTime(static_cast<unsigned long>(time));
                }
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    X11Desktop& desktop_;
};

// Ctrl+C copies the box's caption, text and buttons, as message boxes do on Windows, so that a
// user can paste what went wrong.
class CopyableMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!event->matches(QKeySequence::Copy)) return QMessageBox::keyPressEvent(event);
        const QString rule = QStringLiteral("---------------------------\n");
        QStringList captions;
        for (const QAbstractButton* button : buttons())
            captions << button->text().remove(QLatin1Char('&'));
        QGuiApplication::clipboard()->setText(rule + windowTitle() + u'\n' + rule + text() + u'\n' +
                                              rule + captions.join(QStringLiteral("   ")) + u'\n' +
                                              rule);
    }
};

}  // namespace

LinuxPlatform::LinuxPlatform()
    : desktop_(X11Display()), launched_(kPendingBase),
      notifications_(std::make_unique<DesktopNotifications>([this](const std::string& folder) {
          const std::string opener = ResolveProgram({}, "xdg-open");
          if (opener.empty() || SpawnDetached({opener, folder}) <= 0) MsgBox(FolderShowFailureMessage(folder));
      })) {
    if (qApp != nullptr && desktop_.Available()) {
        userTime_ = std::make_unique<UserTimeFilter>(desktop_);
        qApp->installEventFilter(userTime_.get());
    }
}

LinuxPlatform::~LinuxPlatform() = default;

std::vector<std::string> LinuxPlatform::LaunchVector(const CommandLine& command, WindowStyle style) const {
    std::vector<std::string> argv;
    if (command.program == "sndvol32") {
        // The system's own mixer stands in for the Windows one.
        for (const char* mixer : {"pavucontrol", "pavucontrol-qt", "mate-volume-control", "xfce4-mixer", "kmix"}) {
            const std::string path = ResolveProgram({}, mixer);
            if (!path.empty()) return {path};
        }
        const std::string terminal = FindTerminal();
        const std::string alsamixer = ResolveProgram({}, "alsamixer");
        if (!terminal.empty() && !alsamixer.empty()) return {terminal, "-T", "Volume", "-e", alsamixer};
        return {};
    }
    if (command.program == "explorer.exe") {
        for (const char* opener : {"xdg-open", "sensible-browser", "x-www-browser"}) {
            const std::string path = ResolveProgram({}, opener);
            if (path.empty()) continue;
            argv = {path};
            for (const std::string& arg : command.arguments) argv.push_back(WithScheme(arg));
            return argv;
        }
        return {};
    }
    const std::string program = ResolveProgram(command.toolDir, command.program);
    if (program.empty()) return {};
    argv = {program};
    argv.insert(argv.end(), command.arguments.begin(), command.arguments.end());
    if (style == WindowStyle::NormalFocus) {
        // The tool's own output shows in a terminal, as a console window would show it.
        const std::string terminal = FindTerminal();
        const std::string title = "Talvenor — " + command.program;
        if (terminal.empty()) return argv;
        // The console starts the tool before the terminal's own start-up; the shell is the fallback.
        const std::string console = Console();
        return console.empty() ? InTerminal(terminal, title, argv) : InConsole(console, terminal, title, argv);
    }
    return argv;
}

ProcessHandle LinuxPlatform::Shell(const CommandLine& command, WindowStyle style) {
    const std::vector<std::string> argv = LaunchVector(command, style);
    if (argv.empty()) return 0;
    pid_t pid = -1;
    int report = -1;
    std::error_code noFolder;
    const std::filesystem::path folder = std::filesystem::current_path(noFolder);
    if (standby_.Ready() && argv[0] == Console() && !noFolder) {
        // The console waiting in the background runs it from our current folder; the next one
        // is made ready shortly after.
        std::vector<std::string> job = {"--cwd", folder.string()};
        job.insert(job.end(), argv.begin() + 1, argv.end());
        pid = standby_.Hand(job, &report);
        QTimer::singleShot(kStandbyDelayMs, qApp, [this] { PrepareConversions(); });
    }
    int ends[2];
    if (pid <= 0 && argv[0] == Console() && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0) {
        // A console started now reports on a socket of its own.
        std::vector<std::string> reporting = argv;
        reporting.insert(reporting.begin() + 1, {"--report", "3"});
        pid = SpawnDetached(reporting, ends[1], LaunchEnvironment(command, argv));
        close(ends[1]);
        report = ends[0];
    }
    if (pid <= 0) pid = SpawnDetached(argv, -1, LaunchEnvironment(command, argv));
    if (report >= 0 && pid <= 0) close(report);
    if (pid <= 0) return 0;
    if (report >= 0) WatchReport(pid, report);
    launched_.Launched(pid);
    // The mixer stands in for a volume popup that shows at once: only the player starts minimised.
    const bool standIn = command.program == "sndvol32" || command.program == "explorer.exe";
    if (style == WindowStyle::MinimisedFocus && !standIn) MinimiseWhenShown(pid);
    // A conversion is followed through the console or terminal that runs it: it ends with the tool.
    std::erase_if(started_, [](const auto& entry) { return !entry.second.Running(); });
    started_.erase(pid);
    started_.emplace(pid, ProcessWatch(pid));
    return static_cast<ProcessHandle>(pid);
}

bool LinuxPlatform::IsRunning(ProcessHandle process) {
    const auto found = started_.find(static_cast<pid_t>(process));
    return found != started_.end() && found->second.Running();
}

EnvironmentChanges LinuxPlatform::LaunchEnvironment(const CommandLine& command,
                                                    const std::vector<std::string>& argv) const {
    if (command.program == "ffplay") return PlayerVideoDriver();
    // A program run inside a terminal (the console sees to its own terminal).
    if (argv.size() > 2 && argv[1] == "-T") return TerminalLocale();
    return {};
}

void LinuxPlatform::PrepareConversions() {
    if (standby_.Ready() || FindTerminal().empty()) return;
    standby_.Start(Console());
}

void LinuxPlatform::WatchReport(pid_t pid, int fd) {
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, qApp);
    auto line = std::make_shared<std::string>();
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this, notifier, fd, pid, line] {
        char buffer[64];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) return;
        if (got > 0) line->append(buffer, static_cast<std::size_t>(got));
        if (got > 0 && line->find('\n') == std::string::npos && line->size() < sizeof buffer) return;
        notifier->setEnabled(false);
        notifier->deleteLater();
        close(fd);
        // Nothing but "E<code> <milliseconds>": a console that went without a word tells nothing.
        int code = 0;
        long long ms = 0;
        if (std::sscanf(line->c_str(), "E%d %lld", &code, &ms) == 2 && conversionEnded_) {
            conversionEnded_(static_cast<ProcessHandle>(pid), code, static_cast<double>(ms) / 1000);
        }
    });
}

void LinuxPlatform::Notify(const std::string& title, const std::string& text, const std::string& file) {
    notifications_->Notify(title, text, file);
}

std::string LinuxPlatform::Console() const {
    return FindConsole(QCoreApplication::applicationDirPath().toStdString());
}

void LinuxPlatform::MinimiseWhenShown(pid_t pid) {
    if (!desktop_.Available()) return;
    toMinimise_.insert(pid);
    auto* timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto shownAt = std::make_shared<qint64>(-1);
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, pid, clock, shownAt] {
        // A stop that already brought the window forward wins over the minimising.
        const bool wanted = toMinimise_.count(pid) != 0 && kill(pid, 0) == 0;
        const WindowHandle window = wanted ? desktop_.WindowOfProcess(pid) : 0;
        if (window != 0) {
            if (*shownAt < 0) {
                *shownAt = clock->elapsed();
                timer->setInterval(kSettlePollMs);
            }
            // A manager may drop a request made while it still maps the window, and a player may
            // show itself again as it starts: it is minimised until it stays so.
            if (!desktop_.IsIconic(window)) desktop_.Iconify(window);
        }
        const bool settled = *shownAt >= 0 && clock->elapsed() - *shownAt >= kMinimisedSettleMs;
        if (!wanted || settled || (*shownAt < 0 && clock->elapsed() >= kPlayerShowMs)) {
            toMinimise_.erase(pid);
            timer->deleteLater();
            timer->stop();
        }
    });
    timer->start(kPollMs);
}

std::string LinuxPlatform::AppPath() { return QCoreApplication::applicationDirPath().toStdString(); }

void LinuxPlatform::MsgBox(const std::string& prompt) {
    UseFrenchStandardDialogs();
    CopyableMessageBox box(QMessageBox::NoIcon, QStringLiteral(TALVENOR_NAME), Plain(prompt),
                           QMessageBox::Ok, window_);
    box.setTextFormat(Qt::PlainText);
    // No icon at all: not even the one some styles put on the button.
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    box.exec();
}

bool LinuxPlatform::AskYesNo(const std::string& prompt) {
    UseFrenchStandardDialogs();
    CopyableMessageBox box(QMessageBox::Question, QStringLiteral(TALVENOR_NAME), Plain(prompt),
                           QMessageBox::NoButton, window_);
    box.setTextFormat(Qt::PlainText);
    QPushButton* yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void LinuxPlatform::SendKeys(const std::string& keys, bool wait) {
    if (wait) {
        DeliverKeys(keys);
        return;
    }
    // As typed later: the handler's own foreground change takes effect first.
    QTimer::singleShot(0, qApp, [this, keys] { DeliverKeys(keys); });
}

void LinuxPlatform::DeliverKeys(const std::string& keys) {
    const WindowHandle target = std::exchange(focusRequested_, 0);
    // Only the player brought forward by a stop gets the keys: when it did not come forward in
    // time they are dropped, never typed into the window that happens to have the focus.
    if (target == 0 || !desktop_.WaitForFocus(target, kFocusWaitMs)) return;
    desktop_.TypeText(keys);
}

void LinuxPlatform::DoEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void LinuxPlatform::End() {
    desktop_.Flush();
    if (window_ != nullptr) window_->hide();
    QCoreApplication::exit(0);
}

bool LinuxPlatform::FileExists(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(name), error);
}

FileState LinuxPlatform::CheckFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return errno == EACCES ? FileState::Unreadable : FileState::Missing;
    if (!S_ISREG(info.st_mode)) return FileState::NotAFile;
    return access(path.c_str(), R_OK) == 0 ? FileState::ReadableFile : FileState::Unreadable;
}

bool LinuxPlatform::SetCurrentFolder(const std::string& folder) { return chdir(folder.c_str()) == 0; }

std::string LinuxPlatform::FullPath(const std::string& name) {
    std::error_code error;
    // Made absolute first: a relative name that does not exist yet would stay relative.
    const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(name), error);
    if (error) return name;
    const std::filesystem::path path = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal().string() : path.string();
}

void LinuxPlatform::SetWindowPos(WindowHandle window, std::intptr_t insertAfter, int, int, int, int,
                                 std::uint32_t flags) {
    if ((flags & kSwpShowWindow) != 0 && window_ != nullptr && !window_->isVisible()) window_->show();
    if (insertAfter == kHwndTopmost) desktop_.MakeTopmost(window);
}

void LinuxPlatform::ReleaseCapture() {
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    desktop_.UngrabPointer();
}

void LinuxPlatform::SendMessage(WindowHandle, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    if (message != kWmNcLButtonDown || wParam != kHtCaption || window_ == nullptr) return;
    // The window manager's interactive move; the window itself follows the pointer without one.
    QWindow* handle = window_->windowHandle();
    if (handle != nullptr && handle->startSystemMove()) return;
    QMetaObject::invokeMethod(window_, "beginManualMove");
}

WindowHandle LinuxPlatform::GetForegroundWindow() {
    if (const WindowHandle standIn = launched_.TakeStandIn()) return standIn;
    return desktop_.ActiveWindow();
}

WindowHandle LinuxPlatform::Resolve(WindowHandle window) {
    const auto pid = static_cast<pid_t>(launched_.ProcessOf(window));
    if (pid == 0) return window;
    toMinimise_.erase(pid);
    WindowHandle found = desktop_.WindowOfProcess(pid);
    for (int waited = 0; found == 0 && waited < kWindowWaitMs && kill(pid, 0) == 0; waited += 50) {
        QThread::msleep(50);
        found = desktop_.WindowOfProcess(pid);
    }
    return found;
}

bool LinuxPlatform::SetForegroundWindow(WindowHandle window) {
    focusRequested_ = 0;
    const WindowHandle target = Resolve(window);
    if (target == 0 || !desktop_.Activate(target)) return false;
    focusRequested_ = target;
    return true;
}

void LinuxPlatform::GetKeyboardState(KeyStateTable& table) {
    table.fill(0);
    desktop_.ReadLocks(table);
}

void LinuxPlatform::SetKeyboardState(const KeyStateTable& table) { desktop_.WriteLocks(table); }

void LinuxPlatform::keybd_event(std::uint8_t virtualKey, std::uint8_t, std::uint32_t flags, std::uintptr_t) {
    desktop_.FakeVirtualKey(virtualKey, (flags & kKeyEventKeyUp) == 0);
}

}  // namespace talvenor::linux_backend
