# The generator: its output for the fixture folder, and its refusals, run as
# the real executable.
velmora_add_test(tst_embedgen
    SOURCES tst_embedgen.cpp
    LIBS velmora_store velmora_core velmora_fixturedata)
target_compile_definitions(tst_embedgen PRIVATE
    VELMORA_EMBEDGEN="$<TARGET_FILE:velmora-embedgen>")
add_dependencies(tst_embedgen velmora-embedgen)
