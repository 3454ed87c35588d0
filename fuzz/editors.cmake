# The brain editor: arbitrary bytes opened as a brain and edited by
# arbitrary keys.
quill_fuzz(editors_brain_text_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/editors_brain_text.cpp quill_editors)
add_test(NAME editors_brain_text_fuzz_short COMMAND editors_brain_text_fuzz -max_total_time=20 -rss_limit_mb=2048)
# The tool modes' text readers: explode scripts and the visual editor's
# record edits.
quill_fuzz(editors_text_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/editors_text.cpp quill_editors)
add_test(NAME editors_text_fuzz_short COMMAND editors_text_fuzz -max_total_time=20 -rss_limit_mb=2048)
