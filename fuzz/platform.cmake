# The --input-script reader and the delivery of its events.
quill_fuzz(platform_input_script_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/platform_input_script.cpp quill_platform quill_core)
# Cut-scene videos (.avi) through the video decoder.
quill_fuzz(platform_avi_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/platform_avi.cpp quill_platform quill_core)
