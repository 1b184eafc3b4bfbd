# SPDX-License-Identifier: GPL-3.0-or-later
# Installation and the Debian package: the program, its desktop entry, icons, AppStream metadata,
# manual page, copyright and changelog.
include(GNUInstallDirs)

install(TARGETS talvenor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS talvenor-console RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/talvenor)
# Stripped as Debian strips its own packages' programs: the compilers' notes (.comment) go too.
if(CMAKE_OBJCOPY)
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    foreach(program ${CMAKE_INSTALL_BINDIR}/talvenor ${CMAKE_INSTALL_LIBEXECDIR}/talvenor/talvenor-console)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${program}\" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")
endif()
install(FILES res/talvenor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# Software centres find the metadata by its component id.
install(FILES res/talvenor.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME example.talvenor.Talvenor.metainfo.xml)
# The PNGs are the program's icon rendered by scripts/make_icon_png.py.
foreach(size 32 128)
  install(FILES res/talvenor-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME talvenor.png)
endforeach()

# The manual page and the changelog go compressed as Debian wants them: gzip -9, with no name or
# time stored. The copyright file is the machine-readable one Debian reads.
find_program(TALVENOR_GZIP gzip REQUIRED)
set(TALVENOR_DOCS)
foreach(doc docs/talvenor.1 res/debian/changelog)
  get_filename_component(name ${doc} NAME)
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/doc/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/${doc} ${CMAKE_CURRENT_BINARY_DIR}/doc/${name}
    COMMAND ${TALVENOR_GZIP} -9nf ${CMAKE_CURRENT_BINARY_DIR}/doc/${name}
    DEPENDS ${doc} VERBATIM)
  list(APPEND TALVENOR_DOCS ${compressed})
endforeach()
add_custom_target(talvenor_docs ALL DEPENDS ${TALVENOR_DOCS})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/doc/talvenor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES res/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/talvenor)

set(CPACK_PACKAGE_NAME talvenor)
set(CPACK_PACKAGE_VENDOR "Les développeurs de Talvenor")
set(CPACK_PACKAGE_CONTACT "Les développeurs de Talvenor <dev@talvenor.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convertir et regarder des vidéos avec ffmpeg et ffplay")
# Debian wants the long description in lines of under 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Talvenor est une petite fenêtre qui prépare les commandes de ffmpeg et de"
  "ffplay : on choisit une conversion (FLV vers AVI, AVI non compressé ou"
  "MPEG1, AVI vers FLV) et un fichier vidéo, puis on lance la conversion dans"
  "un terminal ou on regarde le fichier.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://talvenor.example/")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Les développeurs de Talvenor <dev@talvenor.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries it links (Qt 6, libX11) come from dpkg-shlibdeps; what it only opens, starts or reads
# at run time is listed here: libXtst for typing keys, the tools, a terminal for conversions, the fonts
# of the window and Qt's French texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# sensible-browser opens the web site where xdg-open is missing. The MPEG-1 conversion's filter
# needs ffmpeg 5.0 or later.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libxtst6, ffmpeg (>= 7:5.0), xterm | x-terminal-emulator, fonts-liberation2, qt6-translations-l10n, sensible-utils")
# The desktop's own file dialog on GTK desktops.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-gtk-platformtheme")
set(CPACK_GENERATOR DEB)

include(CPack)

if(TALVENOR_BUILD_TESTS)
  include(cmake/PackagingTests.cmake)
endif()
