# Installing on Linux and other freedesktop systems: the two programs, the
# desktop entry, the icon, the AppStream data, the manual pages, the bash
# completion and the documents; and the Debian package made from them (cpack -G DEB; see
# scripts/package.sh). The data lies in packaging/linux/.
if(WIN32 OR APPLE)
    return()
endif()

include(GNUInstallDirs)

set(KAIRODEX_PACKAGING_DIR "${PROJECT_SOURCE_DIR}/packaging/linux")
set(KAIRODEX_DOC_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/kairodex")
set(KAIRODEX_APP_ID "io.github.kairodex.Kairodex")
# Folders made by the installation are 0755 whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS kairodex-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages and the changelog, compressed as Debian wants them: the best
# compression and no time stamp, so the same text gives the same bytes.
find_program(KAIRODEX_GZIP gzip REQUIRED)
set(KAIRODEX_GZIPPED_DIR "${PROJECT_BINARY_DIR}/packaging")
set(KAIRODEX_GZIPPED)
foreach(name kairodex.1 kairodex-cli.1 changelog)
    set(out "${KAIRODEX_GZIPPED_DIR}/${name}.gz")
    add_custom_command(OUTPUT "${out}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${KAIRODEX_GZIPPED_DIR}"
        COMMAND ${KAIRODEX_GZIP} -9n -c "${KAIRODEX_PACKAGING_DIR}/${name}" > "${out}"
        DEPENDS "${KAIRODEX_PACKAGING_DIR}/${name}"
        COMMENT "Compressing ${name}"
        VERBATIM)
    list(APPEND KAIRODEX_GZIPPED "${out}")
endforeach()
add_custom_target(kairodex_gzipped ALL DEPENDS ${KAIRODEX_GZIPPED})

install(FILES "${KAIRODEX_GZIPPED_DIR}/kairodex-cli.1.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Where bash-completion looks for a command's completion, by the command's name.
install(FILES "${KAIRODEX_PACKAGING_DIR}/kairodex-cli.bash"
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions RENAME kairodex-cli)
install(FILES "${KAIRODEX_GZIPPED_DIR}/changelog.gz" "${KAIRODEX_PACKAGING_DIR}/copyright"
              "${PROJECT_SOURCE_DIR}/README.md"
        DESTINATION ${KAIRODEX_DOC_DIR})
# The licence text is in the copyright file, which is where a Debian package
# keeps it; a plain installation gets the file as it is.
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION ${KAIRODEX_DOC_DIR} COMPONENT licence)

if(KAIRODEX_GUI)
    install(TARGETS kairodex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES "${KAIRODEX_GZIPPED_DIR}/kairodex.1.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES "${KAIRODEX_PACKAGING_DIR}/kairodex.desktop" DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
    install(FILES "${KAIRODEX_PACKAGING_DIR}/${KAIRODEX_APP_ID}.metainfo.xml"
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
    install(FILES "${KAIRODEX_PACKAGING_DIR}/kairodex.svg"
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)

    # The icon in the sizes desktops look for, drawn from the SVG (Debian
    # package librsvg2-bin); without the tool only the SVG is installed.
    find_program(KAIRODEX_RSVG_CONVERT rsvg-convert)
    if(KAIRODEX_RSVG_CONVERT)
        set(KAIRODEX_ICONS)
        foreach(size 16 22 24 32 48 64 128 256)
            set(out "${PROJECT_BINARY_DIR}/icons/${size}x${size}/kairodex.png")
            add_custom_command(OUTPUT "${out}"
                COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/icons/${size}x${size}"
                COMMAND ${KAIRODEX_RSVG_CONVERT} -w ${size} -h ${size} -o "${out}"
                        "${KAIRODEX_PACKAGING_DIR}/kairodex.svg"
                DEPENDS "${KAIRODEX_PACKAGING_DIR}/kairodex.svg"
                COMMENT "Drawing the ${size} px icon"
                VERBATIM)
            list(APPEND KAIRODEX_ICONS "${out}")
            install(FILES "${out}" DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps)
        endforeach()
        add_custom_target(kairodex_icons ALL DEPENDS ${KAIRODEX_ICONS})
    else()
        message(STATUS "rsvg-convert not found (Debian package librsvg2-bin): only the scalable icon is installed")
    endif()
endif()

# The Debian package. Its version is the project's; the changelog's first
# entry must name the same one (scripts/linux-package-check.sh checks).
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "kairodex")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Kairodex developers <kairodex@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "view and change the times of files and folders")
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/package")
set(CPACK_STRIP_FILES ON)
# Everything but the plain installation's licence file.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's platform plugins beyond X11's, a font with Chinese characters, and the
# helper that opens files and folders in the desktop's programs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk, xdg-utils")
# The summary above becomes the description's first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kairodex shows the creation, modification and access times of files and
folders in two lists and changes them: set to a given time, shifted by an
amount, copied from one list to the other, or taken from the shooting time
kept in photos or from a date written in the file name. The lists can be
saved as snapshot files and loaded again.

The window (kairodex) speaks Simplified Chinese; the command-line program
(kairodex-cli) offers the same commands.")
include(CPack)
