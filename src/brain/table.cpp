#include "brain/table.h"

#include <algorithm>
#include <array>

#include "core/element_state.h"

namespace brain {

namespace {

using F = Family;

// clang-format off
constexpr std::array<Row, kRowCount> kRows{{
    // start-up and run modes
    {"exemode", 1, F::kStartup}, {"par_count", 0, F::kStartup}, {"par_get", 1, F::kStartup},
    // lookup tables and angle units
    {"atan_512", 1, F::kAngles}, {"cos_512", 1, F::kAngles}, {"factor_512", 2, F::kAngles},
    {"sin_512", 1, F::kAngles}, {"sqrt_512", 1, F::kAngles}, {"tan_512", 1, F::kAngles},
    // general built-ins
    {"a", 2, F::kGeneral}, {"a2", 4, F::kGeneral}, {"a2_set", 5, F::kGeneral},
    {"a_byte", 2, F::kGeneral}, {"a_byte_set", 3, F::kGeneral}, {"a_copy", 5, F::kGeneral},
    {"a_create", 1, F::kGeneral}, {"a_dword", 2, F::kGeneral}, {"a_dword_set", 3, F::kGeneral},
    {"a_interpolate", 5, F::kGeneral}, {"a_kill", 1, F::kGeneral}, {"a_load", 1, F::kGeneral},
    {"a_save", 2, F::kGeneral}, {"a_set", 3, F::kGeneral}, {"a_size", 1, F::kGeneral},
    {"a_word", 2, F::kGeneral}, {"a_word_set", 3, F::kGeneral}, {"abs", 1, F::kGeneral},
    {"absolute_value", 1, F::kGeneral}, {"angle", 2, F::kGeneral}, {"between", 3, F::kGeneral},
    {"clear", 0, F::kGeneral}, {"counter_picked", 1, F::kGeneral}, {"credits", 1, F::kGeneral},
    {"credits_add", 2, F::kGeneral}, {"credits_set", 2, F::kGeneral}, {"day", 0, F::kGeneral},
    {"debug", 1, F::kGeneral}, {"direction_xz", 2, F::kGeneral}, {"disable", 1, F::kGeneral},
    {"distance", 2, F::kGeneral}, {"distance_xz", 2, F::kGeneral}, {"divide", 2, F::kGeneral},
    {"element", 1, F::kGeneral}, {"element_find", 4, F::kGeneral}, {"element_id", 1, F::kGeneral},
    {"element_id_set", 2, F::kGeneral}, {"element_index", 2, F::kGeneral},
    {"enable", 1, F::kGeneral}, {"every_tics", 2, F::kGeneral}, {"execute", 1, F::kGeneral},
    {"file_box", 3, F::kGeneral}, {"file_exists", 1, F::kGeneral},
    {"first_element", 0, F::kGeneral}, {"global", 1, F::kGeneral}, {"global_add", 2, F::kGeneral},
    {"global_set", 2, F::kGeneral}, {"globals_load", 3, F::kGeneral},
    {"globals_save", 3, F::kGeneral}, {"globals_sort", 2, F::kGeneral}, {"hour", 0, F::kGeneral},
    {"input_b", 1, F::kGeneral}, {"input_box", 3, F::kGeneral}, {"input_d", 1, F::kGeneral},
    {"input_w", 1, F::kGeneral}, {"last_element", 0, F::kGeneral}, {"limit", 3, F::kGeneral},
    {"list_box", 5, F::kGeneral}, {"local", 2, F::kGeneral}, {"local_set", 3, F::kGeneral},
    {"minute", 0, F::kGeneral}, {"month", 0, F::kGeneral}, {"msg_box", 4, F::kGeneral},
    {"multiply", 2, F::kGeneral}, {"off", 1, F::kGeneral}, {"on", 1, F::kGeneral},
    {"on_list", 3, F::kGeneral}, {"on_range", 2, F::kGeneral}, {"output_b", 2, F::kGeneral},
    {"output_d", 2, F::kGeneral}, {"output_w", 2, F::kGeneral}, {"play", 1, F::kGeneral},
    {"play_task", 1, F::kGeneral}, {"play_task_status", 0, F::kGeneral}, {"pocket", 2, F::kGeneral},
    {"pocket_add", 3, F::kGeneral}, {"pocket_set", 3, F::kGeneral}, {"pop", 1, F::kGeneral},
    {"push", 1, F::kGeneral}, {"random", 2, F::kGeneral}, {"random_element", 2, F::kGeneral},
    {"random_position_xz", 5, F::kGeneral}, {"register", 2, F::kGeneral},
    {"register_set", 3, F::kGeneral}, {"reset", 0, F::kGeneral}, {"resume", 0, F::kGeneral},
    {"resume_x", 1, F::kGeneral}, {"run", 1, F::kGeneral}, {"run_task", 1, F::kGeneral},
    {"save", 0, F::kGeneral}, {"save_x", 1, F::kGeneral}, {"score", 1, F::kGeneral},
    {"score_add", 2, F::kGeneral}, {"score_set", 2, F::kGeneral}, {"second", 0, F::kGeneral},
    {"signal", 2, F::kGeneral}, {"signal_reset", 2, F::kGeneral}, {"signal_set", 2, F::kGeneral},
    {"state", 2, F::kGeneral}, {"state_reset", 2, F::kGeneral}, {"state_set", 2, F::kGeneral},
    {"status", 1, F::kGeneral}, {"stop_task", 0, F::kGeneral}, {"str_add", 2, F::kGeneral},
    {"str_chr", 2, F::kGeneral}, {"str_comp", 3, F::kGeneral}, {"str_copy", 4, F::kGeneral},
    {"str_create", 1, F::kGeneral}, {"str_input", 1, F::kGeneral},
    {"str_input_set", 1, F::kGeneral}, {"str_kill", 1, F::kGeneral}, {"str_len", 1, F::kGeneral},
    {"str_num", 3, F::kGeneral}, {"str_val", 1, F::kGeneral}, {"subtract", 2, F::kGeneral},
    {"sum", 2, F::kGeneral}, {"timer", 1, F::kGeneral}, {"timer_set", 2, F::kGeneral},
    {"type", 1, F::kGeneral}, {"wrap", 3, F::kGeneral}, {"year", 0, F::kGeneral},
    // run loop
    {"exit", 1, F::kRunLoop}, {"max_framerate", 0, F::kRunLoop},
    {"max_framerate_set", 1, F::kRunLoop}, {"pause", 0, F::kRunLoop},
    // motion and physics
    {"attract", 3, F::kMotion}, {"attract_point", 5, F::kMotion}, {"attract_xr", 3, F::kMotion},
    {"attract_xz", 3, F::kMotion}, {"attract_y", 3, F::kMotion}, {"attract_yr", 3, F::kMotion},
    {"attract_zr", 3, F::kMotion}, {"boing_x", 1, F::kMotion}, {"boing_y", 1, F::kMotion},
    {"boing_z", 1, F::kMotion}, {"child_pos", 5, F::kMotion}, {"child_rot", 5, F::kMotion},
    {"drag", 2, F::kMotion}, {"drag_xz", 2, F::kMotion}, {"drag_y", 2, F::kMotion},
    {"follow", 5, F::kMotion}, {"friction", 2, F::kMotion}, {"friction_xr", 2, F::kMotion},
    {"friction_xz", 2, F::kMotion}, {"friction_y", 2, F::kMotion}, {"friction_yr", 2, F::kMotion},
    {"friction_zr", 2, F::kMotion}, {"gravity", 4, F::kMotion}, {"interpolate", 5, F::kMotion},
    {"join", 2, F::kMotion}, {"join_pos", 2, F::kMotion}, {"lift", 3, F::kMotion},
    {"local_axis", 3, F::kMotion}, {"orient_forward", 5, F::kMotion},
    {"orient_straight", 3, F::kMotion}, {"orientation_set", 1, F::kMotion},
    {"oscillate", 3, F::kMotion}, {"position", 3, F::kMotion}, {"position_copy", 2, F::kMotion},
    {"position_set", 4, F::kMotion}, {"position_x", 1, F::kMotion},
    {"position_x_add", 2, F::kMotion}, {"position_x_set", 2, F::kMotion},
    {"position_y", 1, F::kMotion}, {"position_y_add", 2, F::kMotion},
    {"position_y_set", 2, F::kMotion}, {"position_z", 1, F::kMotion},
    {"position_z_add", 2, F::kMotion}, {"position_z_set", 2, F::kMotion},
    {"rebound_x", 1, F::kMotion}, {"rebound_y", 1, F::kMotion}, {"rebound_z", 1, F::kMotion},
    {"rotation_angle", 2, F::kMotion}, {"rotation_axis", 1, F::kMotion},
    {"rotation_axis_add", 4, F::kMotion}, {"rotation_axis_set", 4, F::kMotion},
    {"rotation_copy", 2, F::kMotion}, {"rotation_x", 1, F::kMotion},
    {"rotation_x_add", 2, F::kMotion}, {"rotation_x_set", 2, F::kMotion},
    {"rotation_y", 1, F::kMotion}, {"rotation_y_add", 2, F::kMotion},
    {"rotation_y_set", 2, F::kMotion}, {"rotation_z", 1, F::kMotion},
    {"rotation_z_add", 2, F::kMotion}, {"rotation_z_set", 2, F::kMotion},
    {"scale_set", 4, F::kMotion}, {"scale_x", 1, F::kMotion}, {"scale_y", 1, F::kMotion},
    {"scale_z", 1, F::kMotion}, {"speed", 1, F::kMotion}, {"speed_lz", 1, F::kMotion},
    {"speed_set", 2, F::kMotion}, {"speed_xz", 1, F::kMotion}, {"speed_xz_limit", 2, F::kMotion},
    {"speed_xz_set", 2, F::kMotion}, {"spin_copy", 2, F::kMotion}, {"spin_update", 1, F::kMotion},
    {"spin_x", 1, F::kMotion}, {"spin_x_add", 2, F::kMotion}, {"spin_x_set", 2, F::kMotion},
    {"spin_y", 1, F::kMotion}, {"spin_y_add", 2, F::kMotion}, {"spin_y_set", 2, F::kMotion},
    {"spin_z", 1, F::kMotion}, {"spin_z_add", 2, F::kMotion}, {"spin_z_set", 2, F::kMotion},
    {"steer", 3, F::kMotion}, {"steer_angle_to", 3, F::kMotion}, {"thrust", 2, F::kMotion},
    {"thrust_xz", 2, F::kMotion}, {"velocity", 1, F::kMotion}, {"velocity_copy", 2, F::kMotion},
    {"velocity_set", 2, F::kMotion}, {"velocity_set_xz", 2, F::kMotion},
    {"velocity_update", 1, F::kMotion}, {"velocity_x", 1, F::kMotion},
    {"velocity_x_add", 2, F::kMotion}, {"velocity_x_set", 2, F::kMotion},
    {"velocity_xz", 1, F::kMotion}, {"velocity_y", 1, F::kMotion},
    {"velocity_y_add", 2, F::kMotion}, {"velocity_y_set", 2, F::kMotion},
    {"velocity_z", 1, F::kMotion}, {"velocity_z_add", 2, F::kMotion},
    {"velocity_z_set", 2, F::kMotion},
    // collisions, ground and boundaries
    {"above_ground_level", 1, F::kCollisions}, {"agl", 1, F::kCollisions},
    {"aglevel", 1, F::kCollisions}, {"bottom", 1, F::kCollisions},
    {"boundary_rebound", 2, F::kCollisions}, {"box_collisions_off", 1, F::kCollisions},
    {"box_collisions_on", 1, F::kCollisions}, {"collision", 2, F::kCollisions},
    {"collision_check", 2, F::kCollisions}, {"collision_color", 1, F::kCollisions},
    {"collision_list", 3, F::kCollisions}, {"collision_map", 2, F::kCollisions},
    {"collision_map_set", 3, F::kCollisions}, {"collision_range", 3, F::kCollisions},
    {"collisions_off", 1, F::kCollisions}, {"collisions_on", 1, F::kCollisions},
    {"dimension_abs", 2, F::kCollisions}, {"ground_color", 1, F::kCollisions},
    {"ground_color_rebound", 2, F::kCollisions}, {"ground_level", 1, F::kCollisions},
    {"ground_set", 1, F::kCollisions}, {"ground_slope", 1, F::kCollisions},
    {"h_cnormal_x", 1, F::kCollisions}, {"h_cnormal_y", 1, F::kCollisions},
    {"h_cnormal_z", 1, F::kCollisions}, {"h_cpoint_x", 1, F::kCollisions},
    {"h_cpoint_y", 1, F::kCollisions}, {"h_cpoint_z", 1, F::kCollisions},
    {"h_poly_collision", 3, F::kCollisions}, {"inside_area_xz", 5, F::kCollisions},
    {"inside_volume", 1, F::kCollisions}, {"nearest_element", 2, F::kCollisions},
    {"over_ground", 2, F::kCollisions}, {"over_ground_g", 3, F::kCollisions},
    {"over_ground_slope", 3, F::kCollisions}, {"radius", 1, F::kCollisions},
    {"radius_max", 1, F::kCollisions}, {"rebound", 2, F::kCollisions},
    {"rebound_yr", 2, F::kCollisions}, {"rebound_yr_factor", 1, F::kCollisions},
    {"sight", 4, F::kCollisions}, {"visual_ray", 2, F::kCollisions},
    {"volume_rebound", 4, F::kCollisions}, {"volume_set", 1, F::kCollisions},
    {"volume_slide", 5, F::kCollisions},
    // rendering of a frame
    {"3dbg_color_set", 3, F::kRendering}, {"animate", 4, F::kRendering},
    {"animation_frame", 1, F::kRendering}, {"animation_frame_set", 2, F::kRendering},
    {"antialias_set", 1, F::kRendering}, {"background3d_set", 1, F::kRendering},
    {"background_color", 1, F::kRendering}, {"camera_fov", 1, F::kRendering},
    {"camera_fov_set", 2, F::kRendering}, {"clip_distance", 0, F::kRendering},
    {"env_map_update", 1, F::kRendering}, {"flash", 1, F::kRendering},
    {"flat_scale_set", 3, F::kRendering}, {"flat_scale_x", 1, F::kRendering},
    {"flat_scale_y", 1, F::kRendering}, {"flats_priority_set", 1, F::kRendering},
    {"fog_color_set", 3, F::kRendering}, {"fog_end", 0, F::kRendering},
    {"fog_set", 2, F::kRendering}, {"fog_start", 0, F::kRendering},
    {"frame_refresh", 1, F::kRendering}, {"frame_refresh_all", 0, F::kRendering},
    {"h_animation_range_end", 1, F::kRendering}, {"h_animation_range_set", 3, F::kRendering},
    {"h_animation_range_start", 1, F::kRendering}, {"h_animation_speed", 1, F::kRendering},
    {"h_animation_speed_set", 2, F::kRendering}, {"h_animation_tick", 1, F::kRendering},
    {"h_animation_tick_set", 2, F::kRendering}, {"h_cpart1_set", 5, F::kRendering},
    {"h_cpart2_set", 5, F::kRendering}, {"h_part_set", 5, F::kRendering},
    {"h_part_show", 2, F::kRendering}, {"h_sort_mode_set", 2, F::kRendering},
    {"hide", 1, F::kRendering}, {"last_animation_frame", 1, F::kRendering},
    {"light_color_blue", 1, F::kRendering}, {"light_color_green", 1, F::kRendering},
    {"light_color_red", 1, F::kRendering}, {"light_color_set", 4, F::kRendering},
    {"light_intensity", 1, F::kRendering}, {"light_intensity_set", 2, F::kRendering},
    {"make_flat", 1, F::kRendering}, {"material_apply", 1, F::kRendering},
    {"material_set", 5, F::kRendering}, {"normals", 0, F::kRendering},
    {"normals_get", 3, F::kRendering}, {"normals_optimize", 1, F::kRendering},
    {"normals_set", 3, F::kRendering}, {"poly_sort_mode_set", 1, F::kRendering},
    {"print", 4, F::kRendering}, {"print_num", 5, F::kRendering}, {"render", 0, F::kRendering},
    {"rendering_optimize", 1, F::kRendering}, {"shadow_add", 2, F::kRendering},
    {"shadow_location_set", 3, F::kRendering}, {"shadow_orientation_set", 3, F::kRendering},
    {"show", 1, F::kRendering}, {"sort_mode_set", 1, F::kRendering},
    {"sprite_3d_pos", 5, F::kRendering}, {"sprite_clip_set", 5, F::kRendering},
    {"sprite_clip_x1", 1, F::kRendering}, {"sprite_clip_x2", 1, F::kRendering},
    {"sprite_clip_y1", 1, F::kRendering}, {"sprite_clip_y2", 1, F::kRendering},
    {"sprite_dim_x", 1, F::kRendering}, {"sprite_dim_y", 1, F::kRendering},
    {"sprite_picked", 1, F::kRendering}, {"translucent", 2, F::kRendering},
    {"v_shadow_create", 1, F::kRendering}, {"v_shadow_delete", 0, F::kRendering},
    {"v_shadow_factor", 2, F::kRendering}, {"v_shadow_set", 5, F::kRendering},
    {"v_shadow_update", 1, F::kRendering}, {"v_shadow_volume_add", 3, F::kRendering},
    {"v_shadow_volume_reset", 0, F::kRendering}, {"vertex_pos", 3, F::kRendering},
    {"vertex_pos_add", 5, F::kRendering}, {"vertex_pos_set", 5, F::kRendering},
    {"vertex_posw_set", 5, F::kRendering}, {"vertex_u", 2, F::kRendering},
    {"vertex_uv_add", 5, F::kRendering}, {"vertex_uv_set", 4, F::kRendering},
    {"vertex_v", 2, F::kRendering}, {"vertices", 1, F::kRendering},
    {"vertices_get", 3, F::kRendering}, {"vertices_set", 3, F::kRendering},
    {"visual_color_set", 4, F::kRendering}, {"visual_picked", 1, F::kRendering},
    {"visual_picked_get", 0, F::kRendering}, {"visual_picked_get_ex", 1, F::kRendering},
    {"visual_rgba_set", 5, F::kRendering}, {"x_clone", 2, F::kRendering},
    {"x_element_get", 5, F::kRendering}, {"x_kill", 1, F::kRendering}, {"x_load", 2, F::kRendering},
    {"x_pick_pt", 1, F::kRendering}, {"x_picked", 1, F::kRendering},
    {"zbuffer_mode_set", 2, F::kRendering},
    // tracks and races
    {"checkpoint", 2, F::kTracks}, {"checkpoint_add", 4, F::kTracks},
    {"checkpoint_height_set", 2, F::kTracks}, {"checkpoint_reset", 0, F::kTracks},
    {"race_lap", 1, F::kTracks}, {"race_lap_set", 2, F::kTracks},
    {"race_next_checkpoint", 1, F::kTracks}, {"race_next_checkpoint_set", 2, F::kTracks},
    {"race_off", 1, F::kTracks}, {"race_on", 1, F::kTracks}, {"race_position", 1, F::kTracks},
    {"spline", 4, F::kTracks}, {"spline_key_add", 3, F::kTracks},
    {"spline_key_remove", 2, F::kTracks}, {"spline_key_set", 5, F::kTracks},
    {"spline_pos_x", 3, F::kTracks}, {"spline_pos_y", 3, F::kTracks},
    {"spline_pos_z", 3, F::kTracks}, {"track", 2, F::kTracks}, {"track_play", 2, F::kTracks},
    {"track_play_back", 2, F::kTracks}, {"track_play_loop", 2, F::kTracks},
    {"track_play_reset", 2, F::kTracks}, {"track_record", 1, F::kTracks},
    {"track_record_reset", 0, F::kTracks}, {"track_smooth", 3, F::kTracks},
    {"track_yr", 2, F::kTracks}, {"track_yr_smooth", 3, F::kTracks},
    // rendering device and display modes
    {"display_mode", 0, F::kDisplay}, {"display_mode_set", 1, F::kDisplay},
    {"dithering_set", 1, F::kDisplay}, {"fogeffect_set", 1, F::kDisplay},
    {"rendering_device_set", 1, F::kDisplay}, {"specular_set", 1, F::kDisplay},
    {"state_change_optimize", 1, F::kDisplay},
    // input
    {"any_input", 0, F::kInput}, {"any_input_exit", 1, F::kInput}, {"input_process", 0, F::kInput},
    {"joy1_b", 1, F::kInput}, {"joy1_dir1", 0, F::kInput}, {"joy1_dir2", 0, F::kInput},
    {"joy1_dir3", 0, F::kInput}, {"joy1_dir4", 0, F::kInput}, {"joy1_u", 2, F::kInput},
    {"joy1_v", 2, F::kInput}, {"joy1_x", 2, F::kInput}, {"joy1_xr", 0, F::kInput},
    {"joy1_y", 2, F::kInput}, {"joy1_yr", 0, F::kInput}, {"joy1_z", 2, F::kInput},
    {"joy1_zr", 0, F::kInput}, {"joy2_b", 1, F::kInput}, {"joy2_dir1", 0, F::kInput},
    {"joy2_dir2", 0, F::kInput}, {"joy2_dir3", 0, F::kInput}, {"joy2_dir4", 0, F::kInput},
    {"joy2_u", 2, F::kInput}, {"joy2_v", 2, F::kInput}, {"joy2_x", 2, F::kInput},
    {"joy2_xr", 0, F::kInput}, {"joy2_y", 2, F::kInput}, {"joy2_yr", 0, F::kInput},
    {"joy2_z", 2, F::kInput}, {"joy2_zr", 0, F::kInput}, {"joy_b", 1, F::kInput},
    {"keyboard", 1, F::kInput}, {"mouse_click", 0, F::kInput}, {"mouse_off", 0, F::kInput},
    {"mouse_on", 0, F::kInput}, {"mouse_set", 2, F::kInput}, {"mouse_wheel", 0, F::kInput},
    {"mouse_x", 0, F::kInput}, {"mouse_y", 0, F::kInput}, {"scancode", 0, F::kInput},
    // sound
    {"esound_frequency_set", 2, F::kSound}, {"esound_load", 1, F::kSound},
    {"esound_location_set", 4, F::kSound}, {"esound_minmaxdist_set", 3, F::kSound},
    {"esound_play", 2, F::kSound}, {"esound_state", 1, F::kSound}, {"esound_stop", 1, F::kSound},
    {"esound_unload", 1, F::kSound}, {"esound_volume_set", 2, F::kSound}, {"hearer", 1, F::kSound},
    {"listener", 1, F::kSound}, {"play_set", 5, F::kSound}, {"play_sound", 1, F::kSound},
    {"restart_sound_system", 0, F::kSound}, {"samplerate_set", 2, F::kSound},
    {"sound_mixing_set", 1, F::kSound}, {"sound_mode_set", 2, F::kSound},
    {"sound_rate_set", 2, F::kSound}, {"sound_set", 1, F::kSound}, {"sound_status", 1, F::kSound},
    {"stop_sound", 1, F::kSound}, {"stop_sound_system", 0, F::kSound},
    // images and fonts
    {"bmp_show", 1, F::kImages}, {"color_set", 3, F::kImages}, {"font_set", 4, F::kImages},
    // network play
    {"host", 0, F::kNetwork}, {"machine_element", 1, F::kNetwork},
    {"machine_element_find", 4, F::kNetwork}, {"machine_number", 0, F::kNetwork},
    {"machine_number_set", 1, F::kNetwork}, {"machine_status", 1, F::kNetwork},
    {"network_mismatch", 0, F::kNetwork}, {"network_mode", 0, F::kNetwork},
    {"str_poll", 2, F::kNetwork}, {"str_send", 2, F::kNetwork},
}};
// clang-format on

// Names that call one routine.
constexpr std::string_view kAliases[][3] = {
    {"above_ground_level", "agl", "aglevel"},
    {"absolute_value", "abs", {}},
    {"boing_x", "rebound_x", {}},
    {"boing_y", "rebound_y", {}},
    {"boing_z", "rebound_z", {}},
    {"credits_add", "score_add", {}},
    {"credits_set", "score_set", {}},
    {"credits", "score", {}},
    {"flat_scale_x", "scale_x", {}},
    {"flat_scale_y", "scale_y", {}},
    {"joy_b", "joy1_b", {}},
    {"samplerate_set", "sound_rate_set", {}},
    {"speed_set", "velocity_set", {}},
    {"speed_xz_set", "velocity_set_xz", {}},
    {"boundary_rebound", "ground_color_rebound", {}},
    {"hearer", "listener", {}},
    {"a_kill", "str_kill", {}},
};

// The in-line forms of table.h.
struct FormEntry {
  std::string_view name;
  InlineForm form;
};
constexpr InlineForm word_form(InlineKind k, int word) { return {k, static_cast<uint8_t>(word)}; }
using K = InlineKind;
constexpr FormEntry kForms[] = {
    {"abs", {K::kAbs}},
    {"absolute_value", {K::kAbs}},
    {"sum", {K::kSum}},
    {"subtract", {K::kSubtract}},
    {"multiply", {K::kMultiply}},
    {"divide", {K::kDivide}},
    {"limit", {K::kLimit}},
    {"between", {K::kBetween}},
    {"wrap", {K::kWrap}},
    {"factor_512", {K::kFactor512}},
    {"sqrt_512", {K::kSqrt512}},
    {"random", {K::kRandom}},
    {"position_x", word_form(K::kWordGet, core::kPosition)},
    {"position_y", word_form(K::kWordGet, core::kPosition + 1)},
    {"position_z", word_form(K::kWordGet, core::kPosition + 2)},
    {"position_x_set", word_form(K::kWordSet, core::kPosition)},
    {"position_y_set", word_form(K::kWordSet, core::kPosition + 1)},
    {"position_z_set", word_form(K::kWordSet, core::kPosition + 2)},
    {"position_x_add", word_form(K::kWordAdd, core::kPosition)},
    {"position_y_add", word_form(K::kWordAdd, core::kPosition + 1)},
    {"position_z_add", word_form(K::kWordAdd, core::kPosition + 2)},
    {"rotation_x_set", word_form(K::kWordSet, core::kRotation)},
    {"rotation_y_set", word_form(K::kWordSet, core::kRotation + 1)},
    {"rotation_z_set", word_form(K::kWordSet, core::kRotation + 2)},
    {"rotation_x_add", word_form(K::kWordAdd, core::kRotation)},
    {"rotation_y_add", word_form(K::kWordAdd, core::kRotation + 1)},
    {"rotation_z_add", word_form(K::kWordAdd, core::kRotation + 2)},
    {"velocity_x", word_form(K::kWordGet, core::kVelocity)},
    {"velocity_y", word_form(K::kWordGet, core::kVelocity + 1)},
    {"velocity_z", word_form(K::kWordGet, core::kVelocity + 2)},
    {"velocity_x_set", word_form(K::kWordSet, core::kVelocity)},
    {"velocity_y_set", word_form(K::kWordSet, core::kVelocity + 1)},
    {"velocity_z_set", word_form(K::kWordSet, core::kVelocity + 2)},
    {"velocity_x_add", word_form(K::kWordAdd, core::kVelocity)},
    {"velocity_y_add", word_form(K::kWordAdd, core::kVelocity + 1)},
    {"velocity_z_add", word_form(K::kWordAdd, core::kVelocity + 2)},
    {"spin_x", word_form(K::kWordGet, core::kSpin)},
    {"spin_y", word_form(K::kWordGet, core::kSpin + 1)},
    {"spin_z", word_form(K::kWordGet, core::kSpin + 2)},
    {"spin_x_set", word_form(K::kWordSet, core::kSpin)},
    {"spin_y_set", word_form(K::kWordSet, core::kSpin + 1)},
    {"spin_z_set", word_form(K::kWordSet, core::kSpin + 2)},
    {"spin_x_add", word_form(K::kWordAdd, core::kSpin)},
    {"spin_y_add", word_form(K::kWordAdd, core::kSpin + 1)},
    {"spin_z_add", word_form(K::kWordAdd, core::kSpin + 2)},
};

constexpr std::array<uint16_t, kRowCount> make_sorted() {
  std::array<uint16_t, kRowCount> idx{};
  for (int i = 0; i < kRowCount; ++i) idx[i] = static_cast<uint16_t>(i);
  std::sort(idx.begin(), idx.end(), [](uint16_t a, uint16_t b) { return kRows[a].name < kRows[b].name; });
  return idx;
}
constexpr auto kSorted = make_sorted();

constexpr int find_constexpr(std::string_view name) {
  auto it = std::lower_bound(kSorted.begin(), kSorted.end(), name,
                             [](uint16_t i, std::string_view n) { return kRows[i].name < n; });
  return it != kSorted.end() && kRows[*it].name == name ? *it : -1;
}

constexpr bool names_unique() {
  for (int i = 1; i < kRowCount; ++i)
    if (kRows[kSorted[i - 1]].name == kRows[kSorted[i]].name) return false;
  return true;
}
static_assert(names_unique(), "built-in names must be unique");

constexpr std::array<uint16_t, kRowCount> make_leaders() {
  std::array<uint16_t, kRowCount> lead{};
  for (int i = 0; i < kRowCount; ++i) lead[i] = static_cast<uint16_t>(i);
  for (const auto& group : kAliases) {
    int first = kRowCount;
    for (std::string_view n : group)
      if (!n.empty()) first = std::min(first, find_constexpr(n));
    for (std::string_view n : group)
      if (!n.empty()) lead[find_constexpr(n)] = static_cast<uint16_t>(first);
  }
  return lead;
}
constexpr auto kLeaders = make_leaders();

constexpr bool aliases_consistent() {
  for (const auto& group : kAliases)
    for (std::string_view n : group) {
      if (n.empty()) continue;
      int r = find_constexpr(n);
      if (r < 0 || kRows[r].argc != kRows[find_constexpr(group[0])].argc) return false;
    }
  return true;
}
static_assert(aliases_consistent(), "aliases must name rows with equal argument counts");

constexpr bool counts_valid() {
  for (const Row& r : kRows)
    if (r.argc > kMaxArgs) return false;
  return true;
}
static_assert(counts_valid());

constexpr std::array<InlineForm, kRowCount> make_forms() {
  std::array<InlineForm, kRowCount> forms{};
  for (const FormEntry& f : kForms) forms[static_cast<size_t>(find_constexpr(f.name))] = f.form;
  return forms;
}
constexpr auto kFormOf = make_forms();

constexpr bool forms_valid() {
  for (const FormEntry& f : kForms) {
    const int r = find_constexpr(f.name);
    if (r < 0) return false;
    const int argc = kRows[r].argc;
    switch (f.form.kind) {
      case K::kAbs:
      case K::kSqrt512:
      case K::kWordGet:
        if (argc != 1) return false;
        break;
      case K::kLimit:
      case K::kBetween:
      case K::kWrap:
        if (argc != 3) return false;
        break;
      default:
        if (argc != 2) return false;
    }
    // Word forms stay below the variables, which compiled code keeps in registers.
    if (is_word_form(f.form.kind) && f.form.word >= core::kFirstBrainVariable) return false;
  }
  // Aliases share a routine, so they share a form.
  for (size_t i = 0; i < kRowCount; ++i) {
    const InlineForm a = kFormOf[i], b = kFormOf[kLeaders[i]];
    if (a.kind != b.kind || a.word != b.word) return false;
  }
  return true;
}
static_assert(forms_valid(), "in-line forms need the argument counts of their rows");
// The names hashed into a table of twice the power of two above the row
// count, probed linearly: a lookup hashes the name once and usually
// compares it with one row.
constexpr size_t kNameSlots = 1024;
static_assert(kNameSlots >= 2 * kRowCount);
constexpr uint32_t name_hash(std::string_view name) {
  uint32_t h = 2166136261u;
  for (char c : name) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h ^ (h >> 15);
}
constexpr std::array<uint16_t, kNameSlots> make_name_slots() {
  std::array<uint16_t, kNameSlots> slots{};  // row + 1, or 0 for an empty slot
  for (size_t i = 0; i < kRowCount; ++i) {
    size_t k = name_hash(kRows[i].name) & (kNameSlots - 1);
    while (slots[k] != 0) k = (k + 1) & (kNameSlots - 1);
    slots[k] = static_cast<uint16_t>(i + 1);
  }
  return slots;
}
constexpr auto kNameSlotsOf = make_name_slots();

constexpr int find_hashed(std::string_view name) {
  for (size_t k = name_hash(name) & (kNameSlots - 1);; k = (k + 1) & (kNameSlots - 1)) {
    const int entry = kNameSlotsOf[k];
    if (entry == 0) return -1;
    const std::string_view row_name = kRows[static_cast<size_t>(entry - 1)].name;
    if (row_name.size() != name.size()) continue;
    size_t i = 0;  // compared here: names are short, a library call costs more
    while (i < name.size() && row_name[i] == name[i]) ++i;
    if (i == name.size()) return entry - 1;
  }
}
// Names are lower-case letters, digits and underscores, so a name with any
// other character finds no row.
constexpr bool names_plain() {
  for (const Row& r : kRows)
    for (char ch : r.name)
      if (!((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '_')) return false;
  return true;
}
static_assert(names_plain());

constexpr bool hashed_agrees() {
  for (int i = 0; i < kRowCount; ++i)
    if (find_hashed(kRows[static_cast<size_t>(i)].name) != find_constexpr(kRows[static_cast<size_t>(i)].name))
      return false;
  return find_hashed("") < 0 && find_hashed("no_such_row") < 0;
}
static_assert(hashed_agrees(), "the name table finds every row");

// Keyword entries (the rows and a terminator) stay below the 672 the
// compiler's symbol table holds, so "Too many keywords!" cannot arise.
static_assert(kRowCount + 1 < 672);

}  // namespace

std::string_view family_name(Family f) {
  switch (f) {
    case F::kStartup: return "start-up";
    case F::kAngles: return "angles";
    case F::kGeneral: return "general";
    case F::kRunLoop: return "run loop";
    case F::kMotion: return "motion";
    case F::kCollisions: return "collisions";
    case F::kRendering: return "rendering";
    case F::kTracks: return "tracks";
    case F::kDisplay: return "display";
    case F::kInput: return "input";
    case F::kSound: return "sound";
    case F::kImages: return "images";
    case F::kNetwork: return "network";
  }
  return "?";
}

const Row& row(int index) { return kRows[static_cast<size_t>(index)]; }

int find_row(std::string_view name) { return find_hashed(name); }

int alias_leader(int index) { return kLeaders[static_cast<size_t>(index)]; }

InlineForm inline_form(int index) { return kFormOf[static_cast<size_t>(index)]; }

}  // namespace brain
