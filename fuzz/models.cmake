# The model readers: arbitrary .3ds files and .v3d visual descriptions.
foreach(target 3ds v3d)
  quill_fuzz(models_${target}_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/models_${target}.cpp quill_media quill_core)
  add_test(NAME models_${target}_fuzz_short COMMAND models_${target}_fuzz -max_total_time=20 -rss_limit_mb=2048)
endforeach()
