# Velmora: what `cmake --install` puts beside the executable, and the Debian package made from it.
# Copyright the Velmora developers; see vxlicense.html for the terms.
include(GNUInstallDirs)

set(VELMORA_APPSTREAM_ID "example.tessaravox.Velmora")
set(VELMORA_PACKAGING_DIR "${PROJECT_SOURCE_DIR}/packaging")

# Desktop menus look the launcher up by this name; main.cpp sets the same one
# with QGuiApplication::setDesktopFileName.
install(FILES "${VELMORA_PACKAGING_DIR}/velmora.desktop"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${VELMORA_PACKAGING_DIR}/${VELMORA_APPSTREAM_ID}.metainfo.xml"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# The desktop's own search: GNOME Shell's entry for the search provider,
# KRunner's for the runner, and the session bus's .service file that starts
# `velmora --search-provider` for both. The bus runs the program by its full
# path, which is only known when installing (CPack installs under /usr).
install(FILES "${VELMORA_PACKAGING_DIR}/${VELMORA_APPSTREAM_ID}.search-provider.ini"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/gnome-shell/search-providers")
install(FILES "${VELMORA_PACKAGING_DIR}/velmora-krunner.desktop"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/krunner/dbusplugins"
    RENAME velmora.desktop)
set(VELMORA_BUS_SERVICE "${VELMORA_APPSTREAM_ID}.Search.service")
install(CODE "
    set(VELMORA_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    set(service \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/dbus-1/services/${VELMORA_BUS_SERVICE}\")
    message(STATUS \"Installing: \${service}\")
    configure_file(\"${VELMORA_PACKAGING_DIR}/${VELMORA_BUS_SERVICE}.in\" \"\${service}\" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${service}\")
")

# The manual page and the Debian changelog, compressed as Debian keeps them
# (gzip -n: no name or time stamp, so that builds match).
find_program(VELMORA_GZIP gzip REQUIRED)
set(VELMORA_GZIPPED "")
foreach(part IN ITEMS "velmora.1" "changelog")
    set(packed "${PROJECT_BINARY_DIR}/packaging/${part}.gz")
    add_custom_command(
        OUTPUT "${packed}"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/packaging"
        COMMAND "${VELMORA_GZIP}" -9nc "${VELMORA_PACKAGING_DIR}/${part}" > "${packed}"
        DEPENDS "${VELMORA_PACKAGING_DIR}/${part}"
        COMMENT "Compressing ${part}"
        VERBATIM)
    list(APPEND VELMORA_GZIPPED "${packed}")
endforeach()
add_custom_target(velmora_packed_docs ALL DEPENDS ${VELMORA_GZIPPED})
install(FILES "${PROJECT_BINARY_DIR}/packaging/velmora.1.gz"
    DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${PROJECT_BINARY_DIR}/packaging/changelog.gz"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/velmora")

# The window icons the program shows, plus the larger renders of the same mark
# that menus and software centres ask for.
set(VELMORA_ICON_SIZES 16 22 32 48 64 128 256)
foreach(size IN LISTS VELMORA_ICON_SIZES)
    if(size LESS_EQUAL 48)
        set(icon "${PROJECT_SOURCE_DIR}/docset/images/velmora-${size}.png")
    else()
        set(icon "${VELMORA_PACKAGING_DIR}/icons/velmora-${size}.png")
    endif()
    install(FILES "${icon}"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
        RENAME velmora.png)
endforeach()

# The copyright file: ours, then the terms of the embedded reference with
# Debian's copyright file of the source it was made from.
set(copyright_parts "${VELMORA_PACKAGING_DIR}/copyright")
if(NOT VELMORA_DOCSET)
    list(APPEND copyright_parts "${VELMORA_PACKAGING_DIR}/reference-${VELMORA_REFERENCE}.txt"
        "${VELMORA_REFERENCE_COPYRIGHT}")
endif()
set(copyright "${PROJECT_BINARY_DIR}/copyright")
add_custom_command(
    OUTPUT "${copyright}"
    COMMAND ${CMAKE_COMMAND} "-DOUTPUT=${copyright}" "-DPARTS=${copyright_parts}"
            -P "${PROJECT_SOURCE_DIR}/cmake/VelmoraConcat.cmake"
    DEPENDS ${copyright_parts} ${VELMORA_REFERENCE_DEPENDS}
            "${PROJECT_SOURCE_DIR}/cmake/VelmoraConcat.cmake"
    COMMENT "Writing the copyright file of the package"
    VERBATIM)
add_custom_target(velmora_copyright ALL DEPENDS "${copyright}")
install(FILES "${copyright}" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/velmora")

# The Debian package: `cpack -G DEB` in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Tessaravox")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0")
set(CPACK_PACKAGE_CONTACT "Velmora developers <dev@tessaravox.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "offline browser for the Qt reference documentation")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://tessaravox.example/velmora")
# The long description; CPack puts the summary above it as the synopsis.
set(reference_name "Qt")
if(VELMORA_REFERENCE_SERIES)
    set(reference_name "Qt ${VELMORA_REFERENCE_SERIES}")
endif()
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Velmora is a desktop browser for the ${reference_name} reference documentation.\n"
    "The class reference, member lists, examples and overviews are built into\n"
    "the program, with a contents tree, an index that narrows as you type,\n"
    "full-text search over every page, bookmarks, find in page and printing.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION doc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Web links are handed to xdg-open; desktop menus find the icons in hicolor.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, hicolor-icon-theme")

# dpkg-shlibdeps reads the real library versions from the linked executable;
# without it, fall back to what it reports for the Debian 12 build. zlib is
# only used at build time, so the program does not link it; SQLite reads the
# full-text index at run time, so it does.
find_program(VELMORA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VELMORA_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 5), libqt6core6 (>= 6.4.0), libqt6gui6 (>= 6.2.0), libqt6widgets6 (>= 6.1.2), libqt6printsupport6 (>= 6.1.2), libqt6network6 (>= 6.1.2), libsqlite3-0 (>= 3.40.0)")
endif()

set(CPACK_STRIP_FILES ON)
include(CPack)
