# Velmora: tests of the two designer forms.
# Copyright the Velmora developers; see vxlicense.html for the terms.
velmora_add_test(tst_mainwidget
    SOURCES tst_mainwidget.cpp
    LIBS velmora_forms velmora_store velmora_fixturedata)
velmora_add_test(tst_searchdialog
    SOURCES tst_searchdialog.cpp
    LIBS velmora_forms velmora_store velmora_fixturedata)
