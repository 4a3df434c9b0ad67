# Velmora: joins text files into one, a blank line between them, at build time.
# Copyright the Velmora developers; see vxlicense.html for the terms.
#
# usage: cmake -DOUTPUT=<file> -DPARTS=<file>[;<file>...] -P VelmoraConcat.cmake
set(text "")
foreach(part IN LISTS PARTS)
    if(NOT EXISTS "${part}")
        message(FATAL_ERROR "${part}: missing; cannot write ${OUTPUT}")
    endif()
    file(READ "${part}" content)
    if(text)
        string(APPEND text "\n")
    endif()
    string(APPEND text "${content}")
endforeach()
file(WRITE "${OUTPUT}.part" "${text}")
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
