# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzz targets (libFuzzer) for what reads text it does not control: ffmpeg's output, file names,
# the program's arguments and the console's channel. Each runs for TALVENOR_FUZZ_SECONDS (30 by
# default) from its committed seeds, as a CTest suite; the inputs it finds stay in the build tree.
set(TALVENOR_UNICODE_DATA /usr/share/unicode/UnicodeData.txt CACHE FILEPATH "Unicode's UnicodeData.txt (Debian's unicode-data)")

# What the targets reach is built with the fuzzer's coverage.
foreach(library talvenor_core talvenor_progress talvenor_console_channel)
  target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link)
endforeach()

# Unicode's bidirectional classes, the reference the isolation of names is checked against.
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/fuzz/bidi_classes.inc
  COMMAND ${CMAKE_SOURCE_DIR}/tests/fuzz/bidi_classes.sh ${TALVENOR_UNICODE_DATA} ${CMAKE_CURRENT_BINARY_DIR}/fuzz/bidi_classes.inc
  DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/bidi_classes.sh ${TALVENOR_UNICODE_DATA}
  COMMENT "Reading Unicode's bidirectional classes"
  VERBATIM)

function(talvenor_fuzz name source)
  add_executable(${name}_fuzz ${source} ${ARGN})
  target_include_directories(${name}_fuzz PRIVATE tests/fuzz ${CMAKE_CURRENT_BINARY_DIR}/fuzz)
  target_link_options(${name}_fuzz PRIVATE -fsanitize=fuzzer)
  target_compile_options(${name}_fuzz PRIVATE -fsanitize=fuzzer)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz/${name} ${CMAKE_BINARY_DIR}/fuzz/crashes)
  add_test(NAME fuzz_${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/fuzz/run.sh $<TARGET_FILE:${name}_fuzz>
    ${CMAKE_BINARY_DIR}/fuzz/${name} ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name} ${CMAKE_BINARY_DIR}/fuzz/crashes/${name}-)
endfunction()

talvenor_fuzz(progress tests/fuzz/progress_fuzz.cpp)
target_link_libraries(progress_fuzz PRIVATE talvenor_progress)
talvenor_fuzz(isolated tests/fuzz/isolated_fuzz.cpp ${CMAKE_CURRENT_BINARY_DIR}/fuzz/bidi_classes.inc)
target_link_libraries(isolated_fuzz PRIVATE talvenor_core)
talvenor_fuzz(start_arguments tests/fuzz/start_arguments_fuzz.cpp)
target_link_libraries(start_arguments_fuzz PRIVATE talvenor_core)
talvenor_fuzz(console_channel tests/fuzz/console_channel_fuzz.c)
target_link_libraries(console_channel_fuzz PRIVATE talvenor_console_channel)
