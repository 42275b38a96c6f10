# The project's version as VERSIONINFO words: missing parts are 0, and a version that does not
# fit (more than four parts, a part over 65535, not a number) fails with a clear message.
cmake_minimum_required(VERSION 3.25)
set(cases
    "1|1,0,0,0"
    "1.2.3.4|1,2,3,4"
    "0010.0.65535|10,0,65535,0"
    "65535.65535.65535.65535|65535,65535,65535,65535"
    "1.2.3.4.5|at most four parts"
    "1.65536|65536 is over 65535"
    "1.0.000065536|65536 is over 65535"
    "99999999999999999999|is over 65535"
    "1.x|at most four parts"
    "1..2|at most four parts"
    "|at most four parts")
set(failed FALSE)
foreach(case IN LISTS cases)
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 version)
    list(GET case 1 expected)
    execute_process(COMMAND ${CMAKE_COMMAND} -DVERSION=${version} -P ${SCRIPT}
                    OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE code)
    string(REGEX REPLACE "[ \t\r\n]+" " " out "${out}")
    if(expected MATCHES "^[0-9,]+$")
        set(holds code EQUAL 0 AND out STREQUAL "${expected} ")
    else()
        set(holds NOT code EQUAL 0 AND out MATCHES "does not fit VERSIONINFO: .*${expected}")
    endif()
    if(${holds})
        message(STATUS "ok: \"${version}\" gives ${expected}")
    else()
        message(STATUS "FAILED: \"${version}\" should give ${expected}, gave (${code}) ${out}")
        set(failed TRUE)
    endif()
endforeach()
if(failed)
    message(FATAL_ERROR "version words are wrong")
endif()
