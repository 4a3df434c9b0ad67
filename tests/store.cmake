# The store: invariants of the real tables, and decoding and serving checked
# against the small fixture table with its odd images.
velmora_add_test(tst_embeddedtables
    SOURCES tst_embeddedtables.cpp
    LIBS velmora_store velmora_docdata ZLIB::ZLIB)
velmora_add_test(tst_embeddedimages
    SOURCES tst_embeddedimages.cpp
    LIBS velmora_store velmora_fixturedata)
velmora_add_test(tst_mimesourcefactory
    SOURCES tst_mimesourcefactory.cpp
    LIBS velmora_store velmora_fixturedata)

# The fixture table depends on the folder; editing one file in it does not
# touch the folder, so name the files too.
file(GLOB velmora_fixture_docset_files CONFIGURE_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/fixtures/docset/*")
add_custom_command(
    OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/velmora_fixturedata/embedded_files.cpp"
    APPEND
    DEPENDS ${velmora_fixture_docset_files})
