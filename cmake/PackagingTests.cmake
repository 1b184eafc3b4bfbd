# SPDX-License-Identifier: GPL-3.0-or-later
# Packaging checks: the install tree, the Debian package installed for real, and the Windows zip.
set(TALVENOR_PACKAGING_TEST ${CMAKE_SOURCE_DIR}/tests/packaging/packaging_test.sh)
set(TALVENOR_WIN_BUILD_DIR ${CMAKE_SOURCE_DIR}/build-win CACHE PATH "Windows build whose Talvenor.exe the zip test packs")

add_test(NAME packaging_install COMMAND bash ${TALVENOR_PACKAGING_TEST} install ${CMAKE_BINARY_DIR})
# Installs into this machine's /usr with dpkg, so never alongside another run of itself.
add_test(NAME packaging_deb COMMAND bash ${TALVENOR_PACKAGING_TEST} deb ${CMAKE_BINARY_DIR})
add_test(NAME packaging_windows_zip
  COMMAND bash ${TALVENOR_PACKAGING_TEST} windows-zip ${CMAKE_SOURCE_DIR} ${TALVENOR_WIN_BUILD_DIR})
set_tests_properties(packaging_install packaging_deb packaging_windows_zip PROPERTIES
  SKIP_RETURN_CODE 77 TIMEOUT 600 LABELS packaging)
# The Windows release is made twice, from two clones, to compare their bytes.
set_tests_properties(packaging_windows_zip PROPERTIES TIMEOUT 1500)
set_tests_properties(packaging_deb PROPERTIES RESOURCE_LOCK talvenor_system_install)
# The zip packs what the Windows suites build.
if(TEST windows)
  set_tests_properties(packaging_windows_zip PROPERTIES DEPENDS windows)
endif()
