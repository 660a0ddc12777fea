# systemd-analyze verify on the watch's user unit as configured in the build tree (naming the
# built tovrel): the unit must load with neither an error nor a warning (an unknown key is only
# a warning to systemd).
if(NOT ANALYZE)
    if(DEFINED ENV{CI} AND NOT "$ENV{CI}" STREQUAL "")
        message(FATAL_ERROR "systemd-analyze is not installed (scripts/setup installs systemd)")
    endif()
    message("SKIP: systemd-analyze is not installed")
    return()
endif()
# The user manager's paths need a runtime folder of the user's own.
set(runtime "${WORK}/runtime")
file(REMOVE_RECURSE "${runtime}")
file(MAKE_DIRECTORY "${runtime}")
file(CHMOD "${runtime}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_RUNTIME_DIR=${runtime}"
    "${ANALYZE}" --user verify --man=no "${UNIT}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "systemd-analyze verify ${UNIT}: ${result}\n${output}")
endif()
file(READ "${UNIT}" unit)
if(NOT unit MATCHES "\nExecStart=${PROGRAM} device watch --to ")
    message(FATAL_ERROR "the unit does not start ${PROGRAM} device watch:\n${unit}")
endif()
