# Velmora: the command line, and requests handed from a second start to the window.
# Copyright the Velmora developers; see vxlicense.html for the terms.
velmora_add_test(tst_commandline SOURCES tst_commandline.cpp LIBS velmora_cli)

# The real program as the second start, handing over to a window this test
# holds, and the socket against clients that misbehave.
velmora_add_test(tst_instance SOURCES tst_instance.cpp
    LIBS velmora_cli velmora_browser velmora_docdata Qt6::Network)
target_compile_definitions(tst_instance PRIVATE VELMORA_EXECUTABLE="$<TARGET_FILE:velmora>")
add_dependencies(tst_instance velmora)
