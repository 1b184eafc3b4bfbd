# SPDX-License-Identifier: GPL-3.0-or-later
# Cross build for 64-bit Windows with Debian's mingw-w64; the tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALVENOR_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model: GoogleTest needs std::condition_variable, which the win32 model lacks.
set(CMAKE_C_COMPILER ${TALVENOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALVENOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALVENOR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALVENOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Only the 64-bit loader runs here, so it is named directly rather than through the wine wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)

# Every program built here runs on a bare Windows: no compiler runtime DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
