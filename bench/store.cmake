# Lookup and inflate of every embedded page, and image requests through the
# default factory, over the table the program embeds.
add_executable(velmora-bench-store bench_store.cpp)
target_link_libraries(velmora-bench-store
    PRIVATE velmora_store velmora_docdata velmora_flags)
