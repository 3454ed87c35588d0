# The project loader: arbitrary project files, loaded, saved and loaded again.
quill_fuzz(project_load_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/project_load.cpp quill_project quill_core)
# A short run from an empty corpus (about 20 seconds).
add_test(NAME project_load_fuzz_short COMMAND project_load_fuzz -max_total_time=20 -rss_limit_mb=2048)
