// Which built-ins are still placeholders once the shell has bound every
// subsystem: only rows of families that are not built yet.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "brain/bind.h"
#include "brain/table.h"
#include "shell/bindings.h"

namespace {

TEST(Bindings, OnlyUnbuiltFamiliesKeepPlaceholders) {
  shell::bind_builtins();
  const std::set<brain::Family> built = {brain::Family::kStartup,    brain::Family::kAngles,  brain::Family::kRunLoop,
                                         brain::Family::kMotion,     brain::Family::kDisplay, brain::Family::kImages,
                                         brain::Family::kRendering,  brain::Family::kTracks,  brain::Family::kInput,
                                         brain::Family::kCollisions, brain::Family::kSound,   brain::Family::kGeneral,
                                         brain::Family::kNetwork};
  for (std::string_view name : brain::placeholder_rows()) {
    const brain::Row& row = brain::row(brain::find_row(name));
    EXPECT_EQ(built.count(row.family), 0u) << name << " is still a placeholder";
  }
  // The hit queries of the 3D views, bound with the 3D views.
  for (const char* name : {"bottom", "visual_ray", "h_poly_collision", "h_cpoint_x", "h_cpoint_y", "h_cpoint_z",
                           "h_cnormal_x", "h_cnormal_y", "h_cnormal_z"})
    EXPECT_FALSE(brain::is_placeholder(brain::find_row(name))) << name;
  // The player's rows and its cut-scenes.
  for (const char* name :
       {"play", "play_task", "play_task_status", "stop_task", "save", "save_x", "resume", "resume_x", "reset"})
    EXPECT_FALSE(brain::is_placeholder(brain::find_row(name))) << name;
  for (const char* name : {"print", "print_num", "sprite_picked", "animate", "show", "hide", "frame_refresh"})
    EXPECT_FALSE(brain::is_placeholder(brain::find_row(name))) << name;
  // The dialogs of the tool screen.
  for (const char* name : {"input_box", "list_box", "file_box"})
    EXPECT_FALSE(brain::is_placeholder(brain::find_row(name))) << name;
}

}  // namespace
