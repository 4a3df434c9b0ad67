# One INTERFACE target carries the warnings and string macros; every target links it.
add_library(velmora_flags INTERFACE)
target_compile_options(velmora_flags INTERFACE -Wall -Wextra)
target_compile_definitions(velmora_flags INTERFACE
    QT_NO_CAST_TO_ASCII
    QT_RESTRICTED_CAST_FROM_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER
    QT_NO_KEYWORDS)

# AddressSanitizer and UndefinedBehaviorSanitizer on everything we build,
# the build-time generators included: instrumented they add only a few
# seconds to a build (import about 1 s -> 4 s, embedding 4 s -> 7 s), and in
# return the generator tests run them checked too.
if(VELMORA_SANITIZE)
    target_compile_options(velmora_flags INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(velmora_flags INTERFACE -fsanitize=address,undefined)
    # What every sanitized test runs with: stop at the first report, with its
    # stack, and leave the leaks of the system libraries we load to the
    # suppressions file (those are not ours to fix).
    set(VELMORA_SANITIZER_ENV
        "ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1"
        "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
        "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
else()
    set(VELMORA_SANITIZER_ENV "")
endif()
