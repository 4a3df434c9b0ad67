# Velmora: the tree is formatted as .clang-format says.
# Copyright the Velmora developers; see vxlicense.html for the terms.

# Once is enough: the sanitized build of the same tree would only repeat it.
if(NOT VELMORA_SANITIZE)
    add_test(NAME format
        COMMAND bash "${PROJECT_SOURCE_DIR}/scripts/check-format.sh")
    set_tests_properties(format PROPERTIES TIMEOUT 120)
endif()
