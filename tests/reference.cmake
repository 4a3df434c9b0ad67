# Velmora: generating the Qt 6 reference, importing it, and the set the build assembled.
# Copyright the Velmora developers; see vxlicense.html for the terms.
velmora_add_test(tst_referencegen SOURCES tst_referencegen.cpp LIBS Qt6::Core)

# The import step on pages and index files as qdoc 6 writes them, beside the
# Qt 5 fixtures of tst_importtool.
velmora_add_test(tst_importqt6 SOURCES tst_importqt6.cpp LIBS Qt6::Core)
target_compile_definitions(tst_importqt6 PRIVATE
    VELMORA_IMPORT_TOOL="$<TARGET_FILE:velmora-import>")
add_dependencies(tst_importqt6 velmora-import)

# The folder the build assembled from the configured reference; a custom
# folder (VELMORA_DOCSET) is someone else's to check.
if(NOT VELMORA_DOCSET)
    velmora_add_test(tst_referenceset SOURCES tst_referenceset.cpp LIBS velmora_importlib)
    target_compile_definitions(tst_referenceset PRIVATE
        VELMORA_ASSEMBLED_DIR="${PROJECT_BINARY_DIR}/docset/assembled"
        VELMORA_REFERENCE_VERSION="${VELMORA_REFERENCE_VERSION}"
        VELMORA_REFERENCE_HTML="${VELMORA_REFERENCE_HTML}")
    add_dependencies(tst_referenceset velmora_docdata)
endif()
