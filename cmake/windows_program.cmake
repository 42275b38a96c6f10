# The resident program: no C runtime, nothing imported beyond KERNEL32, USER32 and GDI32.
set(BRACKENHOLM_SERVICE_SOURCES
    ${PROJECT_SOURCE_DIR}/service/clock_access_guard.cpp
    ${PROJECT_SOURCE_DIR}/service/command_tail.cpp
    ${PROJECT_SOURCE_DIR}/service/correction_wndproc.cpp
    ${PROJECT_SOURCE_DIR}/service/service_entry.cpp
    ${PROJECT_SOURCE_DIR}/service/startup.cpp
    ${PROJECT_BINARY_DIR}/brackenholm.rc)

enable_language(RC)
include(${CMAKE_CURRENT_LIST_DIR}/version_words.cmake)
version_words(${PROJECT_VERSION} VERSION_WORDS)
configure_file(${PROJECT_SOURCE_DIR}/service/brackenholm.rc.in ${PROJECT_BINARY_DIR}/brackenholm.rc @ONLY)

# A Windows GUI program for subsystem 4.0 with no C runtime; ARGN: its sources.
function(windows_gui_program name)
    add_executable(${name} WIN32 ${ARGN})
    target_compile_options(${name} PRIVATE -ffreestanding -fno-stack-protector)
    target_link_options(${name} PRIVATE
        -nostdlib -nostartfiles -s
        -Wl,--gc-sections
        -Wl,--subsystem,windows:4.0
        -Wl,--major-os-version,4 -Wl,--minor-os-version,0
        -Wl,--disable-dynamicbase -Wl,--disable-reloc-section
        -Wl,--no-insert-timestamp
        -Wl,-Map=$<TARGET_FILE:${name}>.map)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        target_link_options(${name} PRIVATE -Wl,--disable-high-entropy-va)
    endif()
    target_link_libraries(${name} PRIVATE kernel32 user32 gdi32)
endfunction()

# name: the executable; ARGN: what stands in for the processor's port and interrupt instructions.
function(brackenholm_program name)
    windows_gui_program(${name} ${BRACKENHOLM_SERVICE_SOURCES} ${ARGN})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/service)
    target_link_libraries(${name} PRIVATE clock_reader)
endfunction()

brackenholm_program(brackenholm ${PROJECT_SOURCE_DIR}/clock/cpu_instructions.cpp)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    include(${CMAKE_CURRENT_LIST_DIR}/release.cmake)
endif()
