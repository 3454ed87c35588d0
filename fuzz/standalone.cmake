# The stand-alone player's readers: save files, and level files with the
# multi-project lists beside them.
quill_fuzz(standalone_save_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/standalone_save.cpp quill_standalone)
quill_fuzz(standalone_level_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/standalone_level.cpp quill_standalone)
