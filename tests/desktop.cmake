# Velmora: the desktop's search: what the bus may send, the shared lookup, and
# the provider as a real process on a private session bus.
# Copyright the Velmora developers; see vxlicense.html for the terms.
velmora_add_test(tst_busterms SOURCES tst_busterms.cpp LIBS velmora_desktop)
velmora_add_test(tst_lookupservice SOURCES tst_lookupservice.cpp LIBS velmora_desktop)
