# Fails if any of the object files or archives given carries a static
# constructor (a .ctors or .init_array section). The exported functions are
# built from these; a program that loads vokari-update.exe as a module runs
# none of its start-up code, so nothing of theirs may wait for it.
# Usage: cmake -DOBJDUMP=... -DINPUTS="a.obj|b.a|..." -P check_no_constructors.cmake
string(REPLACE "|" ";" inputs "${INPUTS}")
list(LENGTH inputs count)
foreach(input IN LISTS inputs)
  execute_process(COMMAND ${OBJDUMP} -h ${input} OUTPUT_VARIABLE headers RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -h failed on ${input}")
  endif()
  if(headers MATCHES "[ \t](\\.ctors|\\.init_array)")
    message(FATAL_ERROR "${input} has a static constructor (${CMAKE_MATCH_1})")
  endif()
endforeach()
message(STATUS "no static constructor in ${count} inputs")
