// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <memory>

#include "linux_platform.h"

namespace talvenor::linux_backend {

namespace {

constexpr int kPollMs = 25;
// Once shown, a player is kept minimised while it settles.
constexpr qint64 kMinimisedSettleMs = 2000;
constexpr int kSettlePollMs = 100;

}  // namespace

void LinuxPlatform::MinimiseWhenShown(pid_t pid) {
    if (!desktop_.Available()) return;
    launched_.MinimiseWhenShown(pid);
    auto* timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto shownAt = std::make_shared<qint64>(-1);
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, pid, clock, shownAt] {
        const bool wanted = launched_.StillToMinimise(pid) && kill(pid, 0) == 0;
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
        if (!wanted || settled || (*shownAt < 0 && clock->elapsed() >= kPlayerShowWaitMs)) {
            launched_.MinimisingDone(pid);
            timer->deleteLater();
            timer->stop();
        }
    });
    timer->start(kPollMs);
}

WindowHandle LinuxPlatform::GetForegroundWindow() {
    if (const WindowHandle standIn = launched_.TakeStandIn()) return standIn;
    return desktop_.ActiveWindow();
}

WindowHandle LinuxPlatform::Resolve(WindowHandle window) {
    const auto pid = static_cast<pid_t>(launched_.BringForward(window));
    if (pid == 0) return window;
    WindowHandle found = desktop_.WindowOfProcess(pid);
    for (int waited = 0; found == 0 && waited < kStopWindowWaitMs && kill(pid, 0) == 0; waited += 50) {
        QThread::msleep(50);
        found = desktop_.WindowOfProcess(pid);
    }
    return found;
}

bool LinuxPlatform::SetForegroundWindow(WindowHandle window) {
    const WindowHandle target = Resolve(window);
    if (target == 0 || !desktop_.Activate(target)) return false;
    launched_.FocusRequested(target);
    return true;
}

}  // namespace talvenor::linux_backend
