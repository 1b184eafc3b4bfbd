# SPDX-License-Identifier: GPL-3.0-or-later
# Linux backend: Qt 6 Widgets for the window, X11 (XTest, XKB, EWMH) for keys, locks, focus and
# stacking.
include(GNUInstallDirs)
find_package(Qt6 REQUIRED COMPONENTS Widgets DBus)
find_package(X11 REQUIRED)
set(CMAKE_AUTOMOC ON)

add_library(talvenor_linux STATIC
  src/platform/linux/linux_console.cpp
  src/platform/linux/linux_files.cpp
  src/platform/linux/linux_keys.cpp
  src/platform/linux/linux_launch.cpp
  src/platform/linux/linux_notifications.cpp
  src/platform/linux/linux_platform.cpp
  src/platform/linux/linux_player.cpp
  src/platform/linux/linux_spawn.c
  src/platform/linux/linux_window_move.cpp
  src/platform/linux/qt_file_dialog.cpp
  src/platform/linux/qt_message_boxes.cpp
  src/platform/linux/qt_window.cpp
  src/platform/linux/qt_window_input.cpp
  src/platform/linux/qt_window_paint.cpp
  src/platform/linux/x11_keys.cpp
  src/platform/linux/x11_windows.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/embedded_pictures.cpp)
target_include_directories(talvenor_linux PUBLIC src/platform/linux)
# libXtst is opened when the first key is sent (its header is needed to build, not the library).
target_link_libraries(talvenor_linux PUBLIC talvenor_core Qt6::Widgets Qt6::DBus X11::X11 ${CMAKE_DL_LIBS})
target_include_directories(talvenor_linux PRIVATE ${X11_XTest_INCLUDE_PATH})

# The pictures are decoded when the program is built (by the system's Qt and its image plugins)
# and compiled in as pixels: starting the window reads no picture file and loads no image plugin.
set(TALVENOR_PICTURES
  ${CMAKE_CURRENT_SOURCE_DIR}/res/p1_background.bmp ${CMAKE_CURRENT_SOURCE_DIR}/res/p2_icon.ico
  ${CMAKE_CURRENT_SOURCE_DIR}/res/p3_hand.ico ${CMAKE_CURRENT_SOURCE_DIR}/res/p4_speaker.gif
  ${CMAKE_CURRENT_SOURCE_DIR}/res/p5_arrow.gif ${CMAKE_CURRENT_SOURCE_DIR}/res/p6_minimise.bmp
  ${CMAKE_CURRENT_SOURCE_DIR}/res/p7_cross.bmp)
add_executable(talvenor_embed_pictures src/tools/embed_pictures.cpp)
target_link_libraries(talvenor_embed_pictures PRIVATE Qt6::Gui)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/embedded_pictures.cpp
  COMMAND talvenor_embed_pictures ${CMAKE_CURRENT_BINARY_DIR}/embedded_pictures.cpp ${TALVENOR_PICTURES}
  DEPENDS talvenor_embed_pictures ${TALVENOR_PICTURES}
  COMMENT "Decoding the window's pictures"
  VERBATIM)

add_executable(talvenor src/app/main_linux.cpp)
target_link_libraries(talvenor PRIVATE talvenor_linux)
# Where the program looks for its conversion console, relative to its own folder, once installed.
file(RELATIVE_PATH TALVENOR_CONSOLE_FROM_BIN /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBEXECDIR}/talvenor)
target_compile_definitions(talvenor_linux PRIVATE TALVENOR_CONSOLE_FROM_BIN="${TALVENOR_CONSOLE_FROM_BIN}")

# The conversion console: starts a conversion at once and shows it in a terminal window. Plain C
# linked with the C library alone (no Qt, so no moc): one waits ready before each click, so its
# own start is off the click's path.
enable_language(C)
# The channel to its window is a library of its own, which the fuzz targets read messages through.
add_library(talvenor_console_channel STATIC src/platform/linux/console/console_channel.c)
set_target_properties(talvenor_console_channel PROPERTIES C_STANDARD 11 AUTOMOC OFF)
target_include_directories(talvenor_console_channel PUBLIC src/platform/linux/console)
add_executable(talvenor-console src/platform/linux/console/talvenor_console.c
  src/platform/linux/console/console_attach.c src/platform/linux/console/console_run.c
  src/platform/linux/linux_spawn.c)
set_target_properties(talvenor-console PROPERTIES C_STANDARD 11 AUTOMOC OFF)
target_include_directories(talvenor-console PRIVATE src/platform/linux)
target_link_libraries(talvenor-console PRIVATE talvenor_console_channel talvenor_progress)
add_dependencies(talvenor talvenor-console)

if(TALVENOR_SANITIZERS)
  # The unit suites and the fuzz targets only: the end-to-end suites and the packages are the
  # Release build's.
  include(cmake/LinuxTests.cmake)
  include(cmake/Fuzz.cmake)
  return()
endif()
if(TALVENOR_BUILD_TESTS)
  include(cmake/LinuxTests.cmake)
  include(cmake/LinuxEndToEnd.cmake)
endif()
include(cmake/Packaging.cmake)
