velmora_add_test(tst_lists SOURCES tst_lists.cpp LIBS velmora_browser velmora_fixturedata)
velmora_add_test(tst_shell SOURCES tst_shell.cpp LIBS velmora_browser velmora_docdata)
