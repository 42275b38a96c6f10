# VERSIONINFO holds a version as four 16-bit words. version_words(VERSION OUT) sets OUT to
# them, comma-separated (missing parts count as 0), or fails the build saying why.
# As a script: cmake -DVERSION=1.2.3 -P version_words.cmake
function(version_words version out)
    if(NOT version MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$")
        message(FATAL_ERROR "version \"${version}\" does not fit VERSIONINFO: "
                            "at most four parts, each a whole number")
    endif()
    string(REPLACE "." ";" parts "${version}")
    set(words)
    foreach(word IN LISTS parts)
        # No leading zeros: the resource compiler would read them as octal.
        string(REGEX REPLACE "^0+([0-9])" "\\1" word "${word}")
        string(LENGTH "${word}" digits)
        if(digits GREATER 5 OR word GREATER 65535)
            message(FATAL_ERROR "version \"${version}\" does not fit VERSIONINFO: "
                                "${word} is over 65535")
        endif()
        list(APPEND words ${word})
    endforeach()
    list(LENGTH words count)
    while(count LESS 4)
        list(APPEND words 0)
        math(EXPR count "${count} + 1")
    endwhile()
    string(JOIN "," joined ${words})
    set(${out} "${joined}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    version_words("${VERSION}" words)
    message("${words}")
endif()
