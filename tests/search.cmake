# Velmora: full-text search: the word breaker, the query translation, the page
# reader and the indexer at build time, the index over the real set, and the
# search field in the real window.
# Copyright the Velmora developers; see vxlicense.html for the terms.
velmora_add_test(tst_wordbreak SOURCES tst_wordbreak.cpp LIBS velmora_search)
velmora_add_test(tst_querytranslator
    SOURCES tst_querytranslator.cpp
    LIBS velmora_search SQLite::SQLite3)
velmora_add_test(tst_pagecontent SOURCES tst_pagecontent.cpp LIBS velmora_pagecontent)
velmora_add_test(tst_searchindexer SOURCES tst_searchindexer.cpp LIBS velmora_search)
target_compile_definitions(tst_searchindexer PRIVATE
    VELMORA_SEARCHINDEX="$<TARGET_FILE:velmora-searchindex>")
add_dependencies(tst_searchindexer velmora-searchindex)
velmora_add_test(tst_searchindex
    SOURCES tst_searchindex.cpp
    LIBS velmora_search velmora_searchdata)
velmora_add_test(tst_searchfield
    SOURCES tst_searchfield.cpp
    LIBS velmora_browser velmora_docdata velmora_searchdata)
# The lookup over the real reference: the Index's order, overloads told apart
# and the search that puts the API a query names first.
velmora_add_test(tst_apilookup
    SOURCES tst_apilookup.cpp
    LIBS velmora_browser velmora_docdata velmora_searchdata)
