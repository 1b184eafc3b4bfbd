// SPDX-License-Identifier: GPL-3.0-or-later
// The window tests: the real Qt window behind recording fakes, run without a display
// (QT_QPA_PLATFORM=offscreen).

#include <QApplication>

#include "window_tests.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    failed += talvenor::window_tests::RunWindowLookTests(argc, argv);
    failed += talvenor::window_tests::RunWindowInputTests(argc, argv);
    failed += talvenor::window_tests::RunWindowFileTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
