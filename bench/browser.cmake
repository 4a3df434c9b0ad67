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

# The real program's start, measured from outside it: to main, window built,
# lists filled, first paint. Run it as velmora-bench-start <velmora>.
add_executable(velmora-bench-start bench_start.cpp)
target_link_libraries(velmora-bench-start PRIVATE velmora_browser velmora_flags)

# Tabs: twenty on large class pages against one, switching to a kept tab,
# and a restored tab's first screen against a load of the same page.
add_executable(velmora-bench-tabs bench_tabs.cpp)
target_link_libraries(velmora-bench-tabs
    PRIVATE velmora_browser velmora_docdata velmora_flags)
