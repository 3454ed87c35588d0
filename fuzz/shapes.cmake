# The 3D-shape reader: arbitrary .a3d files, and the model built from them.
quill_fuzz(shapes_a3d_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/shapes_a3d.cpp quill_media quill_core)
add_test(NAME shapes_a3d_fuzz_short COMMAND shapes_a3d_fuzz -max_total_time=20 -rss_limit_mb=2048)
