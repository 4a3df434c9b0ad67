# Velmora: the desktop launcher and the software-centre description, checked by the distributions' own validators.
# Copyright the Velmora developers; see vxlicense.html for the terms.

# The tools are named bare so that a machine without them fails these tests
# instead of skipping them; scripts/install-deps.sh --test installs both.
add_test(NAME packaging_desktop_file
    COMMAND desktop-file-validate "${PROJECT_SOURCE_DIR}/packaging/velmora.desktop")
add_test(NAME packaging_metainfo
    COMMAND appstreamcli validate --no-net
            "${PROJECT_SOURCE_DIR}/packaging/example.tessaravox.Velmora.metainfo.xml")
# desktop-file-validate exits 0 after warnings; hold the launcher to the
# same bar as appstreamcli, which fails on them.
set_tests_properties(packaging_desktop_file PROPERTIES FAIL_REGULAR_EXPRESSION "error:;warning:")
set_tests_properties(packaging_desktop_file packaging_metainfo PROPERTIES TIMEOUT 60)

# The manual page against the program's --help and --version, rendered as
# the package checker renders it.
velmora_add_test(tst_manpage SOURCES tst_manpage.cpp)
target_compile_definitions(tst_manpage PRIVATE VELMORA_EXECUTABLE="$<TARGET_FILE:velmora>")
add_dependencies(tst_manpage velmora)

# The Debian package built from this build (cpack) and checked by lintian:
# no errors, no warnings. Runs alone: cpack installs the whole build again.
# The package is made from the normal build only, never the sanitized one.
if(NOT VELMORA_SANITIZE)
    add_test(NAME packaging_lintian
        COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/smoke/check_package.sh"
                "${PROJECT_BINARY_DIR}" "${CMAKE_CURRENT_BINARY_DIR}/package")
    set_tests_properties(packaging_lintian PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
endif()
