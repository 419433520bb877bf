# Fails unless a Windows module carries the resources it ships with: the
# version resource (file version 1.3, the product name), and as asked the
# application manifest (asInvoker) and the two RCDATA images.
# Usage: cmake -DWINDRES=... -DMODULE=vokari-update.exe [-DMANIFEST=ON] [-DIMAGES=ON]
#              -P check_resources.cmake
execute_process(COMMAND ${WINDRES} -J coff -O rc -i ${MODULE}
                OUTPUT_VARIABLE rc RESULT_VARIABLE result ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${WINDRES} cannot read the resources of ${MODULE}: ${error}")
endif()
set(wanted
  "VERSIONINFO" "FILEVERSION 1, 3, 0, 0" "VALUE \"FileVersion\", \"1.3\""
  "VALUE \"ProductName\", \"Vokari Firmware Updater\"")
if(MANIFEST)
  list(APPEND wanted "RT_MANIFEST" "level=\"\"asInvoker\"\"" "<activeCodePage")
endif()
if(IMAGES)
  list(APPEND wanted "\"FWC\" RCDATA" "\"BRC\" RCDATA")
endif()
foreach(text IN LISTS wanted)
  string(FIND "${rc}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${MODULE}: no ${text} among its resources")
  endif()
endforeach()
if(NOT MANIFEST AND rc MATCHES "RT_MANIFEST")
  message(FATAL_ERROR "${MODULE} carries a manifest")
endif()
message(STATUS "${MODULE}: ${wanted}")
