# The ground-map cache reader: arbitrary .m3d files. The grid code needs
# nothing but the standard library, so it is built in here rather than
# linking the whole engine.
quill_fuzz(engine_m3d_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/engine_m3d.cpp quill_core)
target_sources(engine_m3d_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/src/engine/ground_grid.cpp)
