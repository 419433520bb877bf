# The tests of the Windows build. The unit tests and the DLL's client run
# under wine64 (CMAKE_CROSSCOMPILING_EMULATOR, set by the x86_64 toolchain
# file when wine64 is there); the export tables are read with objdump and need
# no Wine. The end-to-end tests are Linux programs that start the Windows
# programs under Wine: tests/e2e, run by scripts/test-windows.
set(VKR_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
    "GoogleTest's sources (Debian: libgtest-dev)")
if(NOT EXISTS ${VKR_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${VKR_GOOGLETEST_SOURCE}: install libgtest-dev")
endif()
add_subdirectory(windows/googletest)
include(GoogleTest)

set(vkr_can_run_tests FALSE)
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set(vkr_can_run_tests TRUE)
endif()

# The unit tests, as on Linux, minus the Linux drive's own (sg_io_hdr), the
# USB recorder's (Linux only) and the signal hold's (fork and signals), plus
# the Windows hold's.
file(GLOB unit_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/unit/*_test.cpp)
list(FILTER unit_tests EXCLUDE REGEX "/(sg_request|bot_wire|interrupts)_test\\.cpp$")
add_executable(vkr_unit_tests support/sim_fixture.cpp ${unit_tests}
               windows/interrupts_windows_test.cpp)
target_link_libraries(vkr_unit_tests PRIVATE vkr_sim_stack GTest::gtest_main)
if(vkr_can_run_tests)
  # Listed at test time, so that building needs no Wine.
  gtest_discover_tests(vkr_unit_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES LABELS wine)
endif()

# A program that loads vokari.dll (and vokari-update.exe) by name and calls
# the exported functions through GetProcAddress; and one linked against the
# import library, which shows that the import library resolves.
add_executable(vkr_dll_client windows/dll_client.cpp)
add_dependencies(vkr_dll_client vokari vokari-update)
add_executable(vkr_import_client windows/import_client.cpp)
target_link_libraries(vkr_import_client PRIVATE vokari)
if(vkr_can_run_tests)
  add_test(NAME windows_dll_client COMMAND vkr_dll_client)
  add_test(NAME windows_import_client COMMAND vkr_import_client)
  # vokari-update.exe as a module: only what needs no system call (see the client).
  add_test(NAME windows_exe_as_module COMMAND vkr_dll_client vokari-update.exe)
  set_tests_properties(windows_dll_client windows_import_client windows_exe_as_module
                       PROPERTIES LABELS wine)
endif()

# Exactly the plain names, nothing decorated, in each export table.
foreach(target vokari vokari-update)
  add_test(NAME windows_exports_${target}
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DMODULE=$<TARGET_FILE:${target}>
            -DDEF=${VKR_EXPORTS_DEF} -P ${CMAKE_CURRENT_SOURCE_DIR}/exports/check_pe_exports.cmake)
  set_tests_properties(windows_exports_${target} PROPERTIES LABELS windows-static)
endforeach()

# The code behind the exports waits for no start-up code: no static constructor.
add_test(NAME windows_exports_need_no_startup
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP}
          "-DINPUTS=$<JOIN:$<TARGET_OBJECTS:vkr_device_objects>,|>|$<TARGET_FILE:vkr_windows_drive>|$<TARGET_FILE:vkr_platform>"
          -P ${CMAKE_CURRENT_SOURCE_DIR}/exports/check_no_constructors.cmake)
set_tests_properties(windows_exports_need_no_startup PROPERTIES LABELS windows-static)

# The resources each module ships with (read back with windres).
foreach(target vokari vokari-update vokari-update-sim vokari-image vokari-tool vokari-tool-sim)
  set(options "")
  if(NOT target STREQUAL "vokari")
    list(APPEND options -DMANIFEST=ON)
  endif()
  if(target MATCHES "^vokari-(update|tool)")
    list(APPEND options -DIMAGES=ON)
  endif()
  add_test(NAME windows_resources_${target}
    COMMAND ${CMAKE_COMMAND} -DWINDRES=${CMAKE_RC_COMPILER} -DMODULE=$<TARGET_FILE:${target}>
            ${options} -P ${CMAKE_CURRENT_SOURCE_DIR}/windows/check_resources.cmake)
  set_tests_properties(windows_resources_${target} PROPERTIES LABELS windows-static)
endforeach()

# The Windows drive layer against the USB recorder in a kernel guest under
# Wine: built here, run by tests/kernel/run_wine_guest_test.sh from the
# default build, which finds it beside vokari-update.exe.
add_executable(vkr_wine_drive_checks ${CMAKE_SOURCE_DIR}/tests/kernel/guest/wine_drive_checks.cpp)
target_link_libraries(vkr_wine_drive_checks PRIVATE vkr_windows_drive)
