# Fails when a folder of the program includes one it must not: the features and common include
# only common and themselves, common includes no other folder; the crossings allowed are
# history's use of the members' find box and list, and exchange's use of the member field table
# and the rosters' selections, and dues' use of the find box, the rosters' look and the
# spreadsheet writer, and the labels' use of the dues standings, the rosters' selections and look,
# and the member lists' folding. The linker alone would not notice, since the
# program links every folder anyway.
# cmake -DAPP_DIR=<app folder> -P check-direction.cmake
cmake_minimum_required(VERSION 3.25)
set(folders common members clubdetails reports history backup exchange dues labels shell)
set(allowed history>members exchange>members exchange>reports dues>members dues>reports
    dues>exchange labels>dues labels>exchange labels>reports labels>members)
set(faults)
foreach(folder common members clubdetails reports history backup exchange dues labels)
    file(GLOB_RECURSE sources ${APP_DIR}/${folder}/*.h ${APP_DIR}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
        file(STRINGS ${source} includes REGEX "^#include \"[a-z]+/")
        foreach(line IN LISTS includes)
            string(REGEX MATCH "\"([a-z]+)/" found "${line}")
            set(reached ${CMAKE_MATCH_1})
            if(reached IN_LIST folders AND NOT reached STREQUAL folder
               AND NOT reached STREQUAL "common" AND NOT "${folder}>${reached}" IN_LIST allowed)
                list(APPEND faults "${source}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "Includes against the direction shell -> features -> common:\n${text}")
endif()
