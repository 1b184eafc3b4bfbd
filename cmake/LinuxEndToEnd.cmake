# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end tests: the real program in a private X session (Xvfb and openbox), driven by real
# clicks, with the real ffmpeg and ffplay.
add_executable(talvenor_e2e_tests tests/linux/desktop_driver.cpp tests/linux/end_to_end_test.cpp
  tests/linux/open_file_test.cpp)
target_link_libraries(talvenor_e2e_tests PRIVATE talvenor_core GTest::gtest_main X11::X11)
target_compile_definitions(talvenor_e2e_tests PRIVATE
  TALVENOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TALVENOR_EXECUTABLE="$<TARGET_FILE:talvenor>"
  TALVENOR_CONSOLE="$<TARGET_FILE:talvenor-console>"
  TALVENOR_ARTIFACTS="${CMAKE_BINARY_DIR}")
add_dependencies(talvenor_e2e_tests talvenor talvenor-console talvenor_notification_recorder)
# The desktop's notification service, as a stand-in on the test's own session bus.
add_executable(talvenor_notification_recorder tests/linux/notification_recorder.cpp)
target_link_libraries(talvenor_notification_recorder PRIVATE Qt6::DBus)
target_compile_definitions(talvenor_e2e_tests PRIVATE
  TALVENOR_NOTIFICATION_RECORDER="$<TARGET_FILE:talvenor_notification_recorder>")
add_test(NAME end_to_end
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-x-session.sh $<TARGET_FILE:talvenor_e2e_tests>
    --gtest_filter=-EndToEnd.InAWaylandSession*)
set_tests_properties(end_to_end PROPERTIES TIMEOUT 900)

# The moving, topmost, Voir, Stop and Quitter scenarios, and one conversion per output, again under
# GNOME's manager in X11 mode, which distrusts activation requests that carry no user time.
add_test(NAME end_to_end_mutter
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-x-session.sh --wm mutter $<TARGET_FILE:talvenor_e2e_tests>
    --gtest_filter=EndToEnd.OnlyALeftPress*:EndToEnd.ViewPlays*:EndToEnd.QuitEnds*:EndToEnd.OneConversion*)
# There x-terminal-emulator is xterm itself, as a system may have it, rather than Debian's
# wrapper: the terminal then runs under another name.
find_program(TALVENOR_XTERM xterm REQUIRED)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/xterm-itself)
file(CREATE_LINK ${TALVENOR_XTERM} ${CMAKE_BINARY_DIR}/xterm-itself/x-terminal-emulator SYMBOLIC)
set_tests_properties(end_to_end_mutter PROPERTIES TIMEOUT 300
  ENVIRONMENT "TALVENOR_WM_LOG=${CMAKE_BINARY_DIR}/mutter.log;PATH=${CMAKE_BINARY_DIR}/xterm-itself:$ENV{PATH}")

# The Windows build's suites: cross-compiled with mingw-w64 and run under Wine, in a build tree
# of their own (build-win) so that one test command covers both platforms.
add_test(NAME windows COMMAND ${CMAKE_SOURCE_DIR}/scripts/test-win32.sh)
set_tests_properties(windows PROPERTIES TIMEOUT 3600)

# A Wayland session: weston, shown in a private X session so that it has a pointer and a keyboard,
# with XWayland for Talvenor and the player. Skipped (77) where weston cannot start.
add_test(NAME end_to_end_wayland
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/with-x-session.sh --no-wm ${CMAKE_SOURCE_DIR}/scripts/with-wayland-session.sh
    $<TARGET_FILE:talvenor_e2e_tests> --gtest_filter=EndToEnd.InAWaylandSession*)
set_tests_properties(end_to_end_wayland PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
