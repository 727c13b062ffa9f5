# The icon and version resource of a Windows program.
function(kairodex_add_windows_resources target description)
    if(NOT WIN32)
        return()
    endif()
    set(KAIRODEX_ICON_FILE "${PROJECT_SOURCE_DIR}/packaging/windows/kairodex.ico")
    set(KAIRODEX_RC_DESCRIPTION "${description}")
    set(KAIRODEX_RC_FILE "${target}.exe")
    configure_file("${PROJECT_SOURCE_DIR}/packaging/windows/kairodex.rc.in"
                   "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc" @ONLY)
    target_sources(${target} PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
endfunction()
