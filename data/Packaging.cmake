# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in a build configured with -DCMAKE_INSTALL_PREFIX=/usr.
# Its libraries are worked out from the binary by dpkg-shlibdeps (package dpkg-dev).

install(FILES debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/voltara)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME voltara)
set(CPACK_PACKAGE_VENDOR Quillfen)
set(CPACK_PACKAGE_CONTACT "Quillfen <voltara@quillfen.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "laptop battery monitor with a notification-area icon")
set(CPACK_PACKAGE_DESCRIPTION
"Voltara watches the battery and the mains supply and keeps you informed: it
shows the charge, the remaining running time and whether mains power is
connected in a small window, in a compact floating strip and in an icon in
the notification area whose tooltip carries the charge.

It warns when the charge or the remaining time falls below a chosen level,
tells when the charge reaches a chosen percentage and when mains power is
connected or removed, and estimates the remaining time itself where the
system reports none.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillfen <voltara@quillfen.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://voltara.quillfen.example/)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads the window-system back end as a plugin, so no library dependency names it
# (Debian only recommends it; without it no window opens). The program loads GIO
# (libgio-2.0.so.0) itself when a link is first followed, which dpkg-shlibdeps cannot see.
# The icons are pictures built into the program, rendered from their SVG drawings when it
# is built.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libglib2.0-0")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
