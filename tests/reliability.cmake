# Velmora: damaged settings, killed and stopped processes, and the generators on bad input.
# Copyright the Velmora developers; see vxlicense.html for the terms.
velmora_add_test(tst_damagedsettings
    SOURCES tst_damagedsettings.cpp
    LIBS velmora_browser velmora_fixturedata)

# A window that adds a bookmark and waits to be killed, and the real program.
add_executable(tst_lifecycle_helper tst_lifecycle_helper.cpp)
target_link_libraries(tst_lifecycle_helper PRIVATE velmora_browser velmora_fixturedata velmora_flags)
velmora_add_test(tst_lifecycle SOURCES tst_lifecycle.cpp LIBS velmora_core)
target_compile_definitions(tst_lifecycle PRIVATE
    VELMORA_EXECUTABLE="$<TARGET_FILE:velmora>"
    VELMORA_LIFECYCLE_HELPER="$<TARGET_FILE:tst_lifecycle_helper>")
add_dependencies(tst_lifecycle velmora tst_lifecycle_helper)

velmora_add_test(tst_generatorrobustness
    SOURCES tst_generatorrobustness.cpp
    LIBS Qt6::Gui velmora_core)
target_compile_definitions(tst_generatorrobustness PRIVATE
    VELMORA_EMBEDGEN="$<TARGET_FILE:velmora-embedgen>"
    VELMORA_IMPORT_TOOL="$<TARGET_FILE:velmora-import>")
add_dependencies(tst_generatorrobustness velmora-embedgen velmora-import)
