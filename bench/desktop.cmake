# The desktop's search over the real index: the lookup in this process, then
# the real program as the provider, started by a private session bus
# (dbus-run-session), with each call's round trip and the provider's memory.
add_executable(velmora-bench-desktop bench_desktop.cpp)
target_link_libraries(velmora-bench-desktop
    PRIVATE velmora_desktop velmora_browser velmora_store velmora_docdata velmora_flags)
target_compile_definitions(velmora-bench-desktop PRIVATE VELMORA_PROGRAM="$<TARGET_FILE:velmora>")
add_dependencies(velmora-bench-desktop velmora)
