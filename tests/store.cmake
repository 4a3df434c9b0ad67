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
