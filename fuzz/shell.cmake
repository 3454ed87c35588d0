# The settings files: config.ini through the profile reader, runmode.ini,
# tarvo.ini and data/curpaths.ini. The shell's settings reader needs nothing
# but the core, so it is built in here rather than linking the whole shell.
quill_fuzz(settings_files_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/settings_files.cpp quill_media quill_core)
target_sources(settings_files_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/src/shell/settings.cpp)
