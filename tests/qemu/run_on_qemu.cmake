cmake_minimum_required(VERSION 3.25)
# Boots IMAGE with the emulated clock set to BASE and checks its READINGS readings.
# EXPECT: one reading, whose time may run up to two seconds late; or a run of consecutive
# seconds, of which the readings must be an unbroken stretch that includes the third.
execute_process(
    COMMAND timeout 40 qemu-system-i386 -machine pc -accel tcg -m 16 -display none -no-reboot
            -serial none -monitor none -debugcon stdio
            -device isa-debug-exit,iobase=0xf4,iosize=0x04
            -rtc base=${BASE},clock=vm -kernel ${IMAGE} -append readings=${READINGS}
    OUTPUT_VARIABLE report ERROR_VARIABLE errors RESULT_VARIABLE code)
message(STATUS "${report}")
if(NOT report MATCHES "snapshots ([0-9]+) timeouts ([0-9]+)")
    message(FATAL_ERROR "no report (qemu exit ${code}): ${errors}")
endif()
message(STATUS "${CMAKE_MATCH_2} of ${CMAKE_MATCH_1} snapshots timed out")
# QEMU's chip raises the update flag for the last 244 us of each second: 8 cycles of its
# 32768 Hz time base, 1/4096 of the time. A wait times out only when all its 800 polls find the
# flag raised, which takes longer than a snapshot that finds it down; so the snapshots that time
# out are at most 1/4096 of them, and one more for a run that begins while the flag is up.
math(EXPR allowed "1 + ${CMAKE_MATCH_1} / 4096")
if(CMAKE_MATCH_2 GREATER allowed)
    message(FATAL_ERROR "more snapshots timed out than the chip's update flag allows (${allowed})")
endif()
# Each reader call gives back the caller's interrupt flag, masks interrupts, or unmasks them.
set(flag "ReadCmosRegister on->on ReadCmosRegister off->off WaitForClockUpdate on->off ReadClockTime off->on")
if(NOT report MATCHES "interrupt flag: ${flag}\n")
    message(FATAL_ERROR "the interrupt flag should be: ${flag}")
endif()
if(report MATCHES "written without a reading")
    message(FATAL_ERROR "a snapshot that read nothing wrote the record")
endif()

string(REGEX MATCHALL "[0-9-]+ [0-9:]+\\.[0-9]+ dow [0-9]+" readings "${report}")
list(TRANSFORM readings REPLACE "\\.000 " " ")
list(LENGTH readings count)
if(NOT count EQUAL READINGS)
    message(FATAL_ERROR "${count} readings of ${READINGS}; any field with milliseconds is wrong")
endif()

function(seconds_of_day reading out)
    string(REGEX MATCH " ([0-9]+):([0-9]+):([0-9]+) " _ "${reading}")
    math(EXPR s "${CMAKE_MATCH_1} * 3600 + ${CMAKE_MATCH_2} * 60 + ${CMAKE_MATCH_3}")
    set(${out} ${s} PARENT_SCOPE)
endfunction()

list(LENGTH EXPECT expected_count)
if(expected_count EQUAL 1)
    string(REGEX REPLACE " [0-9:]+ " " " date_read "${readings}")
    string(REGEX REPLACE " [0-9:]+ " " " date_expected "${EXPECT}")
    seconds_of_day("${readings}" read)
    seconds_of_day("${EXPECT}" expected)
    math(EXPR late "${read} - ${expected}")
    if(NOT date_read STREQUAL date_expected OR late LESS 0 OR late GREATER 2)
        message(FATAL_ERROR "read ${readings}, expected ${EXPECT} or up to two seconds later")
    endif()
else()
    list(GET readings 0 first)
    list(FIND EXPECT "${first}" start)
    list(GET EXPECT 2 turn)
    if(start LESS 0 OR start GREATER 1)
        message(FATAL_ERROR "first reading ${first} is not one of the first two of ${EXPECT}")
    endif()
    list(SUBLIST EXPECT ${start} ${count} stretch)
    if(NOT readings STREQUAL stretch)
        message(FATAL_ERROR "read ${readings}, expected ${stretch}")
    endif()
    if(NOT turn IN_LIST readings)
        message(FATAL_ERROR "the turn ${turn} was not read")
    endif()
endif()
message(STATUS "ok: ${readings}")
