# SPDX-License-Identifier: GPL-3.0-or-later
# Window tests (Qt Test, offscreen) and end-to-end tests (Xvfb, openbox, real tools).
find_package(Qt6 REQUIRED COMPONENTS Test)

# The real window behind recording fakes: what a click leads to shows in the fakes' call log.
add_executable(talvenor_window_tests
  tests/linux/window_test.cpp
  tests/linux/window_fixture.cpp
  tests/linux/window_look_test.cpp
  tests/linux/window_input_test.cpp
  tests/linux/window_file_test.cpp)
target_include_directories(talvenor_window_tests PRIVATE tests/linux)
target_link_libraries(talvenor_window_tests PRIVATE talvenor_linux talvenor_test_support Qt6::Test)
# The pictures as Qt's own readers decode them from res/, to check what the window shows.
qt_add_resources(talvenor_window_tests pictures PREFIX "/pictures" BASE ${CMAKE_CURRENT_SOURCE_DIR}/res
  FILES ${TALVENOR_PICTURES})
add_test(NAME window COMMAND ${TALVENOR_TEST_LAUNCHER} $<TARGET_FILE:talvenor_window_tests>)
# No display is needed, and the layout is measured at 96 dots per inch.
set_tests_properties(window PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)

# The conversion console on its own, with a stand-in terminal.
add_test(NAME console COMMAND ${TALVENOR_TEST_LAUNCHER} ${CMAKE_SOURCE_DIR}/tests/linux/console_test.sh $<TARGET_FILE:talvenor-console>)
set_tests_properties(console PROPERTIES TIMEOUT 120)

# Starting programs: what they receive, and the conversion console kept on standby.
add_executable(talvenor_process_tests tests/linux/process_test.cpp)
target_link_libraries(talvenor_process_tests PRIVATE talvenor_linux GTest::gtest_main)
target_compile_definitions(talvenor_process_tests PRIVATE TALVENOR_CONSOLE="$<TARGET_FILE:talvenor-console>")
add_dependencies(talvenor_process_tests talvenor-console)
add_test(NAME process COMMAND ${TALVENOR_TEST_LAUNCHER} $<TARGET_FILE:talvenor_process_tests>)
set_tests_properties(process PROPERTIES TIMEOUT 60)
