velmora_add_test(tst_shell SOURCES tst_shell.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_pages SOURCES tst_pages.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_contentsindex SOURCES tst_contentsindex.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_bookmarks SOURCES tst_bookmarks.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_savedstate SOURCES tst_savedstate.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_search SOURCES tst_search.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_fonts SOURCES tst_fonts.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_print SOURCES tst_print.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_history SOURCES tst_history.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_pageparts SOURCES tst_pageparts.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_keyboard SOURCES tst_keyboard.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_indexfilter SOURCES tst_indexfilter.cpp LIBS velmora_browser velmora_docdata)

# A window stored at one scale opened at another: a screen of 1600 x 1000 at
# scale 2 leaves 800 x 500 for the window.
velmora_add_test(tst_screenfit SOURCES tst_screenfit.cpp LIBS velmora_browser velmora_docdata)
set_property(TEST tst_screenfit APPEND PROPERTY ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen:configfile=${CMAKE_CURRENT_SOURCE_DIR}/offscreen-hidpi.json"
    "QT_SCALE_FACTOR=2")
velmora_add_test(tst_tabs SOURCES tst_tabs.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_theme SOURCES tst_theme.cpp LIBS velmora_browser velmora_docdata)

# The images drawn at twice the size, on a screen of scale 2.
velmora_add_test(tst_sharpimages SOURCES tst_sharpimages.cpp LIBS velmora_browser velmora_docdata)
set_property(TEST tst_sharpimages APPEND PROPERTY ENVIRONMENT "QT_SCALE_FACTOR=2")
velmora_add_test(tst_accessibility SOURCES tst_accessibility.cpp LIBS velmora_browser velmora_docdata)
velmora_add_test(tst_firstscreen SOURCES tst_firstscreen.cpp LIBS velmora_browser velmora_docdata)
