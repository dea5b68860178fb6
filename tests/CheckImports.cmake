# SPDX-License-Identifier: GPL-3.0-or-later
# voltara.exe is one file to copy: every DLL it imports is one of Windows' own, as the
# system folder of a Wine prefix holds them (no C++ runtime, threads library or Qt DLL),
# or API sets.
#   cmake -DEXE=voltara.exe -DOBJDUMP=x86_64-w64-mingw32-objdump -DSYSTEM=<prefix>/drive_c/windows/system32 -P CheckImports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(failed OR NOT imports)
  message(FATAL_ERROR "cannot read the import table of ${EXE}")
endif()
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(TOLOWER "${dll}" dll)
  # api-ms-win-* name API sets, which Windows resolves itself.
  if(NOT EXISTS "${SYSTEM}/${dll}" AND NOT dll MATCHES "^api-ms-win-")
    list(APPEND foreign ${dll})
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${EXE} imports DLLs that Windows does not have: ${foreign}")
endif()
list(LENGTH imports count)
message(STATUS "${count} DLLs imported, all of them Windows' own")
