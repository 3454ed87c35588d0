# The image, font and sound readers: arbitrary PCX, BMP, PPM, .fnt and WAV files.
foreach(target pcx bmp fnt ppm wav)
  quill_fuzz(media_${target}_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/media_${target}.cpp quill_media quill_core)
  add_test(NAME media_${target}_fuzz_short COMMAND media_${target}_fuzz -max_total_time=20 -rss_limit_mb=2048)
endforeach()
