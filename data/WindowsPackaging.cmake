# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program as users get it, made by `cpack` in a Windows build:
#   voltara-<version>-win64.zip    the program, its licence and a short text
#   voltara-<version>-setup.exe    an NSIS installer (Debian: nsis): per machine into Program
#                                  Files, a Start-menu shortcut, an uninstaller listed in Apps &
#                                  features, silent with /S
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES windows/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME Voltara)
set(CPACK_PACKAGE_VENDOR Quillfen)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Voltara laptop battery monitor")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Voltara)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Voltara)
set(CPACK_PACKAGE_EXECUTABLES voltara Voltara)  # the Start-menu shortcut
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# Each generator's file name (the zip's also names its folder).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/WindowsPackageNames.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "
if(CPACK_GENERATOR STREQUAL \"NSIS\")
  set(CPACK_PACKAGE_FILE_NAME voltara-${PROJECT_VERSION}-setup)
else()
  set(CPACK_PACKAGE_FILE_NAME voltara-${PROJECT_VERSION}-win64)
endif()
")

# A 64-bit installer: it installs into the 64-bit Program Files, and a 64-bit-only Wine
# cannot start a 32-bit one.
# (CPack splits a makensis argument at its blanks, so the script says it.)
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Voltara)
set(CPACK_NSIS_DISPLAY_NAME Voltara)
set(CPACK_NSIS_MUI_ICON ${PROJECT_BINARY_DIR}/resources/voltara.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_BINARY_DIR}/resources/voltara.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME voltara.exe)
set(CPACK_NSIS_URL_INFO_ABOUT https://voltara.quillfen.example/)
set(CPACK_NSIS_CONTACT "voltara@quillfen.example")
# The log-on entry goes with the program (the installing user's, and a machine-wide one an
# older version wrote); the user's settings under Software\Quillfen\Voltara stay.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  DeleteRegValue HKCU 'Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run' 'Voltara'
  DeleteRegValue HKLM 'Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run' 'Voltara'
")

include(CPack)
