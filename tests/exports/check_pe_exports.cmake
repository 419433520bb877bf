# Fails unless the export table of a Windows module (DLL or program) lists
# exactly the names of the .def file, plain: no stdcall decoration (@n), no
# leading underscore, nothing else exported.
# Usage: cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DMODULE=vokari.dll
#              -DDEF=vokari-x64.def -P check_pe_exports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p failed on ${MODULE}")
endif()

# The names the .def file exports: the word before any "=", without a
# stdcall decoration (@n: the x86 file names decorated symbols, exported
# plain with --kill-at).
file(STRINGS ${DEF} def_lines)
set(expected "")
set(in_exports FALSE)
foreach(line IN LISTS def_lines)
  string(REGEX REPLACE ";.*$" "" line "${line}")
  string(STRIP "${line}" line)
  if(line STREQUAL "EXPORTS")
    set(in_exports TRUE)
  elseif(in_exports AND NOT line STREQUAL "")
    string(REGEX REPLACE "[ \t=@].*$" "" name "${line}")
    list(APPEND expected ${name})
  endif()
endforeach()
list(SORT expected)

# objdump's "[Ordinal/Name Pointer] Table": lines "\t[   n] Name".
string(REPLACE "\n" ";" lines "${dump}")
set(found "")
set(in_table FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(in_table TRUE)
  elseif(in_table AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
    list(APPEND found "${CMAKE_MATCH_1}")
  elseif(in_table)
    set(in_table FALSE)
  endif()
endforeach()
list(JOIN found "\n  " shown)
message(STATUS "${MODULE} exports:\n  ${shown}")
foreach(name IN LISTS found)
  if(name MATCHES "@|^_")
    message(FATAL_ERROR "${MODULE} exports a decorated name: ${name}")
  endif()
endforeach()
list(SORT found)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "${MODULE} exports\n  ${found}\nexpected exactly\n  ${expected}")
endif()
