# Linux backend: Qt 6 Widgets for the window, X11 (XTest, XKB, EWMH) for keys, locks, focus and
# stacking.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
find_package(X11 REQUIRED)
set(CMAKE_AUTOMOC ON)

add_library(talvenor_linux STATIC
  src/platform/linux/linux_process.cpp
  src/platform/linux/linux_services.cpp
  src/platform/linux/qt_dialog.cpp
  src/platform/linux/qt_form.cpp
  src/platform/linux/x11_desktop.cpp)
target_include_directories(talvenor_linux PUBLIC src/platform/linux)
target_link_libraries(talvenor_linux PUBLIC talvenor_core Qt6::Widgets X11::X11 X11::Xtst)
# Static Qt image plugins are not needed: the system's Qt loads its bmp, ico and gif readers.
qt_add_resources(talvenor_linux pictures PREFIX "/pictures" BASE res FILES
  res/p1_background.bmp res/p2_icon.ico res/p3_hand.ico res/p4_speaker.gif res/p5_arrow.gif
  res/p6_minimise.bmp res/p7_cross.bmp)

add_executable(talvenor src/app/main_linux.cpp)
target_link_libraries(talvenor PRIVATE talvenor_linux)

if(TALVENOR_BUILD_TESTS)
  include(cmake/LinuxTests.cmake)
  include(cmake/LinuxEndToEnd.cmake)
endif()
include(cmake/Packaging.cmake)
