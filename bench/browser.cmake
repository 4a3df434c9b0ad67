# The window over the real set: construction, index filter, page loads, Back,
# and peak memory with a class page shown (measured in a fresh child process).
add_executable(velmora-bench-browser bench_browser.cpp)
target_link_libraries(velmora-bench-browser
    PRIVATE velmora_browser velmora_docdata velmora_flags)

# A whole reading session in one process: every page through load, RSS as it
# goes, Back and Forward on large pages, the first screen of the largest page.
add_executable(velmora-bench-session bench_session.cpp)
target_link_libraries(velmora-bench-session
    PRIVATE velmora_browser velmora_docdata velmora_flags)
