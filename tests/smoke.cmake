# Velmora: the real program started on its own X display, and the installed file tree.
# Copyright the Velmora developers; see vxlicense.html for the terms.

# Needs no X server of ours: the script starts its own display and window
# manager, so it runs beside the offscreen unit tests.
add_test(NAME smoke_window
    COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/smoke/window_smoke.sh"
            "$<TARGET_FILE:velmora>" "${CMAKE_CURRENT_BINARY_DIR}/smoke")
set_tests_properties(smoke_window PROPERTIES TIMEOUT 120)

add_test(NAME smoke_install_tree
    COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/smoke/install_tree.sh"
            "${PROJECT_BINARY_DIR}" "${CMAKE_CURRENT_BINARY_DIR}/smoke/install")
set_tests_properties(smoke_install_tree PROPERTIES TIMEOUT 300)
