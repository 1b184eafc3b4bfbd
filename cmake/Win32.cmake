# SPDX-License-Identifier: GPL-3.0-or-later
# Windows backend: a native Win32 window built from the core's design, with user32, gdi32,
# comdlg32 and kernel32 called directly. Cross-compiled here with cmake/mingw-w64-x86_64.cmake.

add_library(talvenor_win32 STATIC
  src/platform/win32/win32_accessible.cpp
  src/platform/win32/win32_command_line.cpp
  src/platform/win32/win32_console.cpp
  src/platform/win32/win32_file_dialog.cpp
  src/platform/win32/win32_files.cpp
  src/platform/win32/win32_keys.cpp
  src/platform/win32/win32_launch.cpp
  src/platform/win32/win32_message_boxes.cpp
  src/platform/win32/win32_notifications.cpp
  src/platform/win32/win32_pictures.cpp
  src/platform/win32/win32_platform.cpp
  src/platform/win32/win32_player.cpp
  src/platform/win32/win32_text.cpp
  src/platform/win32/win32_window.cpp
  src/platform/win32/win32_window_input.cpp
  src/platform/win32/win32_window_move.cpp
  src/platform/win32/win32_window_paint.cpp)
target_include_directories(talvenor_win32 PUBLIC src/platform/win32)
# Windows 7 and later: every function used is there.
target_compile_definitions(talvenor_win32 PUBLIC UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601)
target_link_libraries(talvenor_win32 PUBLIC talvenor_core talvenor_progress
  comctl32 comdlg32 gdi32 msimg32 ole32 oleacc oleaut32 shell32 user32 windowscodecs uuid)

set(TALVENOR_RESOURCE_INPUTS)
foreach(input p1_background.bmp p2_icon.ico p3_hand.ico p4_speaker.gif p5_arrow.gif p6_minimise.bmp
              p7_cross.bmp talvenor.manifest)
  list(APPEND TALVENOR_RESOURCE_INPUTS ${CMAKE_CURRENT_SOURCE_DIR}/res/${input})
endforeach()
list(APPEND TALVENOR_RESOURCE_INPUTS ${CMAKE_CURRENT_SOURCE_DIR}/src/core/version.h)
set_source_files_properties(res/talvenor.rc PROPERTIES OBJECT_DEPENDS "${TALVENOR_RESOURCE_INPUTS}")

add_executable(Talvenor WIN32 src/app/main_win32.cpp res/talvenor.rc)
target_link_libraries(Talvenor PRIVATE talvenor_win32)
# The entry point takes the command line as UTF-16. The shipped program carries no symbol table,
# which Windows never reads, and no link time: two builds of one commit give the same bytes.
target_link_options(Talvenor PRIVATE -municode -s -Wl,--no-insert-timestamp)

if(TALVENOR_BUILD_TESTS)
  # The ffmpeg.exe and ffplay.exe the package ships, which the imports check and the end-to-end run use.
  set(TALVENOR_WIN_TOOLS_DIR "" CACHE PATH "Folder of the built ffmpeg.exe and ffplay.exe (scripts/build-win-tools.sh)")
  if(NOT EXISTS "${TALVENOR_WIN_TOOLS_DIR}/ffmpeg.exe" OR NOT EXISTS "${TALVENOR_WIN_TOOLS_DIR}/ffplay.exe")
    message(FATAL_ERROR "No ffmpeg.exe and ffplay.exe in TALVENOR_WIN_TOOLS_DIR (\"${TALVENOR_WIN_TOOLS_DIR}\"): "
                        "scripts/test-win32.sh builds them with scripts/build-win-tools.sh and passes their folder.")
  endif()

  # Stand-ins the tests start and read through: a tool that reports what it received, a reader
  # of another program's windows, a player with a window that quits on its key, and a reader of
  # another program's console that can type into it.
  foreach(helper argv_echo window_probe fake_player console_peek)
    add_executable(${helper} tests/win32/${helper}.cpp src/platform/win32/win32_text.cpp)
    target_include_directories(${helper} PRIVATE src/platform/win32)
    target_compile_definitions(${helper} PRIVATE UNICODE _UNICODE)
    target_link_options(${helper} PRIVATE -municode)
    target_link_libraries(${helper} PRIVATE shell32 user32)
  endforeach()
  target_link_libraries(window_probe PRIVATE oleacc ole32 oleaut32)
  add_executable(preset_line tests/win32/preset_line.cpp)
  target_link_libraries(preset_line PRIVATE talvenor_core)

  # The window's tests draw the real pictures, so the test program carries the resources too.
  add_executable(talvenor_win32_tests
    tests/win32/win32_command_line_test.cpp
    tests/win32/win32_console_test.cpp
    tests/win32/win32_file_dialog_test.cpp
    tests/win32/win32_file_test.cpp
    tests/win32/win32_keys_test.cpp
    tests/win32/win32_launch_test.cpp
    tests/win32/win32_message_boxes_test.cpp
    tests/win32/win32_player_test.cpp
    tests/win32/win32_resources_test.cpp
    tests/win32/win32_test_main.cpp
    tests/win32/win32_window_input_test.cpp
    tests/win32/win32_window_test.cpp
    res/talvenor.rc)
  target_include_directories(talvenor_win32_tests PRIVATE tests/win32)
  target_link_libraries(talvenor_win32_tests PRIVATE talvenor_win32 talvenor_test_support GTest::gtest version)
  add_dependencies(talvenor_win32_tests argv_echo fake_player console_peek Talvenor)

  add_test(NAME win32 COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:talvenor_win32_tests>)
  set_tests_properties(win32 PROPERTIES
    ENVIRONMENT "TALVENOR_EXE=$<TARGET_FILE:Talvenor>;TALVENOR_RESOURCES=${CMAKE_CURRENT_SOURCE_DIR}/res"
    TIMEOUT 300)

  # The window again at 125 %, 150 % and 200 %: places, pictures, pointer and fonts scale.
  foreach(dpi 120 144 192)
    add_test(NAME win32_window_dpi${dpi}
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/win32/at_dpi.sh ${dpi} ${CMAKE_CROSSCOMPILING_EMULATOR}
              $<TARGET_FILE:talvenor_win32_tests> --gtest_filter=WindowTest.*:ScaledWindowTest.*)
    set_tests_properties(win32_window_dpi${dpi} PROPERTIES TIMEOUT 300)
  endforeach()

  add_test(NAME win32_static_imports
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/win32/check_imports.sh
            ${CMAKE_OBJDUMP} $<TARGET_FILE:Talvenor> ${TALVENOR_WIN_TOOLS_DIR}/ffmpeg.exe
            ${TALVENOR_WIN_TOOLS_DIR}/ffplay.exe)

  add_test(NAME win32_end_to_end
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/win32/end_to_end_test.sh
            $<TARGET_FILE:Talvenor> $<TARGET_FILE:window_probe> $<TARGET_FILE:fake_player>
            ${CMAKE_CROSSCOMPILING_EMULATOR} ${TALVENOR_WIN_TOOLS_DIR})
  set_tests_properties(win32_end_to_end PROPERTIES TIMEOUT 600
    ENVIRONMENT "E2E_SCREENSHOT=${CMAKE_BINARY_DIR}/end_to_end_window.png")

  # The installer that scripts/package-win.sh makes, run in a Wine prefix of its own.
  add_test(NAME win32_installer
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/win32/installer_test.sh ${CMAKE_CURRENT_SOURCE_DIR}
            ${CMAKE_BINARY_DIR} ${CMAKE_CROSSCOMPILING_EMULATOR})
  set_tests_properties(win32_installer PROPERTIES TIMEOUT 600)
endif()
