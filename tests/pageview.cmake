# Velmora: tests of the page view, alone and with other views.
# Copyright the Velmora developers; see vxlicense.html for the terms.
velmora_add_test(tst_pageview
    SOURCES tst_pageview.cpp
    LIBS velmora_pageview velmora_store velmora_fixturedata)
