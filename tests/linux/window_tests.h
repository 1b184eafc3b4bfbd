// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace talvenor::window_tests {

// One Qt Test class per area of the window; each returns QTest::qExec's result.
int RunWindowLookTests(int argc, char** argv);
int RunWindowInputTests(int argc, char** argv);
int RunWindowFileTests(int argc, char** argv);

}  // namespace talvenor::window_tests
