// The multi-level player: what a built game does when it starts (run mode
// 0). It plays "level" + NNN + ".prj" of the program folder one after
// another, each behind its loading image or cut-scene, carries the global
// variables between levels (and runs) in globvars.dat, and resumes saved
// games.
#pragma once

#include <cstdint>
#include <string>

namespace standalone {

// Exit codes the player acts on (any other value N goes to level N).
constexpr int32_t kExitPlain = static_cast<int32_t>(0x80000000u);
constexpr int32_t kExitNone = -1;
constexpr int32_t kExitEndScreen = -2;
constexpr int32_t kExitDesktop = -3;
constexpr int32_t kExitResume = -4;

struct Player {
  int32_t level = -1;      // the level being played; -1 before the first
  bool resuming = false;   // the next level starts from a save file
  int32_t slot = 0;        // the save slot of save_x / resume_x (0 for save, resume)
  int32_t hearer = 0;      // the hearer element read from a save file
  std::string level_path;  // the last level file played
  int32_t exit_code = 1;   // what ended the last level
  // The sound system's hearer element (an index): asked when a game is
  // saved, given back when it is resumed. Null: 0 is saved, nothing given.
  int32_t (*hearer_of_sound)() = nullptr;
  void (*set_hearer_of_sound)(int32_t element) = nullptr;
};

Player& player();

// "level" + three digits (the number modulo 1000) + ".prj" in the program
// folder.
std::string level_path(int32_t level);

// The level's loading and load-complete images from multilev.ini line
// `level` (program folder + the file names of item 1 and item 2); program
// folder alone for items that are missing.
void level_images(int32_t level, std::string& loading, std::string& complete);

// The size of a cut-scene from its name: "intro_320x240.avi" gives 320 by
// 240; a name without a positive size gives 0 by 0.
void cutscene_size(const std::string& path, int32_t& width, int32_t& height);

// Plays one level to its end; player().exit_code tells what follows.
void run_level(const std::string& path);

// Plays the game; returns the exit code that ended it.
int32_t play();

}  // namespace standalone
