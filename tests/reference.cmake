# Velmora: the generation of the Qt 6 reference, run with a stand-in qdoc.
# Copyright the Velmora developers; see vxlicense.html for the terms.
velmora_add_test(tst_referencegen SOURCES tst_referencegen.cpp LIBS Qt6::Core)
