# Velmora: the core library's contracts, tested without any widget.
# Copyright the Velmora developers; see vxlicense.html for the terms.
velmora_add_test(tst_listformat SOURCES tst_listformat.cpp LIBS velmora_core)
velmora_add_test(tst_lookup SOURCES tst_lookup.cpp LIBS velmora_core)
velmora_add_test(tst_session SOURCES tst_session.cpp LIBS velmora_core)
