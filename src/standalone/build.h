// The build of a stand-alone game: every switched-on entry of a
// multi-project list becomes "level" + NNN + ".prj" in program folder +
// "tarvoexe/", with every resource it names copied beside it under a
// derived name, the data files the player reads, the list the player
// follows and a copy of the engine named "tarvoexe.exe".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "standalone/multilist.h"

namespace standalone {

// The text hash of a path: from 0, hash x 31 + byte (bytes as signed
// values), modulo 2^32.
uint32_t text_hash(std::string_view text);
// The name a resource gets in a built game: "null_.wav" stays, any other
// path gives the hash of its lower-cased text (tabs as blanks) as eight
// upper-case hex digits + ".dat".
std::string derived_name(std::string_view path);

// The output folder: program folder + "tarvoexe/".
std::string output_folder();

struct BuildReport {
  bool aborted = false;             // the confirmation was declined
  std::vector<int> levels;          // entries built, as indexes
  std::vector<int> skipped;         // switched-on entries left out (their project failed)
  std::vector<std::string> failed;  // files that could not be written
  bool networking = false;          // netmode.ini was written
};

// Builds the game of `list` with the window name `name`; messages and
// confirmations go through core::box and core::notice.
BuildReport build_game(const MultiList& list, const std::string& name);

}  // namespace standalone
