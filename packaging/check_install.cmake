# Installs the build into a scratch prefix and checks the layout a Linux
# desktop relies on. Run by CTest (packaging/CMakeLists.txt) with
#   -DBUILD_DIR= -DPREFIX= -DWITH_APP= -DBINDIR= -DDATADIR= -DMANDIR= -DDOCDIR=
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(result)
    message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

# Debian and the other distributions keep documents under the package's name.
if(NOT DOCDIR MATCHES "/doc/zorvex$")
    message(FATAL_ERROR "documents go to ${DOCDIR}, not .../doc/zorvex")
endif()
set(expected ${BINDIR}/zorvex-cli ${MANDIR}/man1/zorvex-cli.1.gz ${DOCDIR}/README.md
    ${DOCDIR}/copyright ${DOCDIR}/changelog.Debian.gz)
if(WITH_APP)
    list(APPEND expected ${BINDIR}/zorvex ${MANDIR}/man1/zorvex.1.gz
        ${DATADIR}/applications/zorvex.desktop)
    foreach(size 16 32 48 64 128 256)
        list(APPEND expected ${DATADIR}/icons/hicolor/${size}x${size}/apps/zorvex.png)
    endforeach()
endif()
foreach(file ${expected})
    if(NOT EXISTS "${PREFIX}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

execute_process(COMMAND "${PREFIX}/${BINDIR}/zorvex-cli" help
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(result)
    message(FATAL_ERROR "the installed zorvex-cli does not run: ${result}")
endif()

if(WITH_APP)
    # The entry must start the installed program, in its own working
    # directory, with the installed icon.
    set(entry "${PREFIX}/${DATADIR}/applications/zorvex.desktop")
    file(STRINGS "${entry}" exec REGEX "^Exec=")
    file(STRINGS "${entry}" icon REGEX "^Icon=")
    if(NOT exec STREQUAL "Exec=zorvex --desktop-entry")
        message(FATAL_ERROR "unexpected ${exec}")
    endif()
    if(NOT icon STREQUAL "Icon=zorvex")
        message(FATAL_ERROR "unexpected ${icon}")
    endif()
    find_program(VALIDATE desktop-file-validate)
    if(VALIDATE)
        execute_process(COMMAND "${VALIDATE}" "${entry}" RESULT_VARIABLE result
            OUTPUT_VARIABLE out ERROR_VARIABLE out)
        if(result OR out)
            message(FATAL_ERROR "desktop-file-validate: ${out}")
        endif()
    endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
