# The brain compiler: arbitrary bytes as a brain file, compiled and run on
# both back ends.
quill_fuzz(brain_compile_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/brain_compile.cpp quill_brain quill_core)
add_test(NAME brain_compile_fuzz_short COMMAND brain_compile_fuzz -max_total_time=20 -rss_limit_mb=2048)
