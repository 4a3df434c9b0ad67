# Full-text search over the real set: every query of the goals with its
# ranking, hard queries, the field in the window, the first search and memory
# measured in fresh child processes, and the index step of the build timed.
add_executable(velmora-bench-search bench_search.cpp)
target_link_libraries(velmora-bench-search
    PRIVATE velmora_browser velmora_docdata velmora_searchdata velmora_flags)
target_compile_definitions(velmora-bench-search PRIVATE
    VELMORA_SEARCHINDEX="$<TARGET_FILE:velmora-searchindex>"
    VELMORA_INDEXED_FOLDER="$<TARGET_PROPERTY:velmora_searchdata,VELMORA_INDEXED_FOLDER>"
    VELMORA_PROGRAM="$<TARGET_FILE:velmora>"
    VELMORA_RELEVANCE_SET="${PROJECT_SOURCE_DIR}/tests/fixtures/relevance/queries.tsv")
add_dependencies(velmora-bench-search velmora-searchindex velmora)
