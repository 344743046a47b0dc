# Build information printed by "Gorvane -v": taken from git when the tree is configured.
find_package(Git QUIET)
set(GORVANE_REVISION "unknown")
set(GORVANE_REVISION_DATE "unknown")
set(GORVANE_LOCAL_MODIFICATIONS "false")
if(GIT_FOUND AND EXISTS ${CMAKE_SOURCE_DIR}/.git)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short HEAD
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE rev OUTPUT_STRIP_TRAILING_WHITESPACE
        ERROR_QUIET RESULT_VARIABLE rc)
    if(rc EQUAL 0 AND rev)
        set(GORVANE_REVISION ${rev})
        execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%cd --date=iso
            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE GORVANE_REVISION_DATE
            OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        execute_process(COMMAND ${GIT_EXECUTABLE} status --porcelain --untracked-files=no
            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE dirty
            OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(dirty)
            set(GORVANE_LOCAL_MODIFICATIONS "true")
        endif()
    endif()
endif()
configure_file(${CMAKE_SOURCE_DIR}/game/BuildInfo.h.in ${CMAKE_BINARY_DIR}/generated/BuildInfo.h @ONLY)
