# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build's tests (engine, back ends, windows) run through Wine in a private
# prefix, on the X display tools/build-and-test-windows gives them. That script prepares
# the prefix before CTest starts: a prefix
# created by the first test would leave Wine's services holding CTest's output open.
set(VOLTARA_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
get_property(wine_tests DIRECTORY PROPERTY TESTS)
set_tests_properties(${wine_tests} PROPERTIES ENVIRONMENT "WINEPREFIX=${VOLTARA_WINEPREFIX};WINEDEBUG=-all")

# Wine's GetSystemPowerStatus reads /sys/class/power_supply, which umockdev's preload fakes,
# so a battery of known state can be read through the real call.
find_program(VOLTARA_UMOCKDEV_RUN umockdev-run NO_CMAKE_FIND_ROOT_PATH)
if(VOLTARA_UMOCKDEV_RUN AND TARGET windows_win_test)
  foreach(scenario discharging charging none)
    set(test unit.windows_win_test.${scenario})
    add_test(NAME ${test}
             COMMAND ${VOLTARA_UMOCKDEV_RUN} --device ${VOLTARA_TEST_DATA}/umockdev/${scenario}.umockdev --
                     ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:windows_win_test>
                     --gtest_filter=PowerStatus.ReadsTheWindowsConventions)
    set_tests_properties(${test} PROPERTIES TIMEOUT 120 LABELS unit
      ENVIRONMENT "WINEPREFIX=${VOLTARA_WINEPREFIX};WINEDEBUG=-all;VOLTARA_FAKED_BATTERY=${scenario}")
  endforeach()
endif()

if(TARGET voltara)
  add_test(NAME install.windows_imports
           COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:voltara> -DOBJDUMP=${CMAKE_OBJDUMP}
                   -DSYSTEM=${VOLTARA_WINEPREFIX}/drive_c/windows/system32 -P ${CMAKE_CURRENT_SOURCE_DIR}/CheckImports.cmake)
  set_tests_properties(install.windows_imports PROPERTIES LABELS install)

  # The installer, the installed program end to end and the uninstaller, on a desktop and in a Wine prefix
  # of their own (tests/e2e/wine_e2e.py; cpack makes the installer before the tests run). wintool lists the
  # windows as Windows sees them and ends the session as Windows does.
  add_executable(wintool e2e/wintool.cpp)
  add_test(NAME e2e.wine
           COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/e2e/wine_e2e.py
                   ${CMAKE_BINARY_DIR}/packages/voltara-${PROJECT_VERSION}-setup.exe $<TARGET_FILE:wintool>
                   ${CMAKE_CURRENT_BINARY_DIR}/e2e-wine)
  set_tests_properties(e2e.wine PROPERTIES LABELS e2e SKIP_RETURN_CODE 77 TIMEOUT 1300 RUN_SERIAL TRUE)
endif()
