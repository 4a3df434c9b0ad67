# Full-text search over the real set: every query of the goals with its
# ranking, hard queries, the field in the window, and the first search and
# memory measured in fresh child processes.
add_executable(velmora-bench-search bench_search.cpp)
target_link_libraries(velmora-bench-search
    PRIVATE velmora_browser velmora_docdata velmora_searchdata velmora_flags)
