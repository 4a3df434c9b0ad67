# The import step: link rewriting and list generation as functions, and the
# whole tool run against tests/fixtures/qtdoc, refusals included.
velmora_add_test(tst_importlinks
    SOURCES tst_importlinks.cpp
    LIBS velmora_importlib)
velmora_add_test(tst_importlists
    SOURCES tst_importlists.cpp
    LIBS velmora_importlib)
velmora_add_test(tst_importtool
    SOURCES tst_importtool.cpp
    LIBS velmora_importlib)
target_compile_definitions(tst_importtool PRIVATE
    VELMORA_IMPORT_TOOL="$<TARGET_FILE:velmora-import>")
add_dependencies(tst_importtool velmora-import)
velmora_add_test(tst_importanchors
    SOURCES tst_importanchors.cpp
    LIBS velmora_importlib)
# The folder the build imported: every link and list target leads somewhere.
# A folder given with VELMORA_DOCSET is not ours to judge.
if(VELMORA_IMPORTED_DIR)
    velmora_add_test(tst_importedset
        SOURCES tst_importedset.cpp
        LIBS velmora_importlib)
    target_compile_definitions(tst_importedset PRIVATE
        VELMORA_IMPORTED_DIR="${VELMORA_IMPORTED_DIR}")
    add_dependencies(tst_importedset velmora_assembled)
endif()
