// Saved games: "curr" + slot + ".dat" in the program folder, little-endian:
// the level number, the index of the sound's hearer element, the 256
// element states (1,024 bytes each) and the 2,048 global variables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace standalone {

constexpr size_t kSaveLevelAt = 0;
constexpr size_t kSaveHearerAt = 4;
constexpr size_t kSaveStatesAt = 8;
constexpr size_t kSaveStatesBytes = 256 * 1024;
constexpr size_t kSaveGlobalsAt = kSaveStatesAt + kSaveStatesBytes;  // 262,152
constexpr size_t kSaveGlobalsBytes = 2048 * 4;
constexpr size_t kSaveBytes = kSaveGlobalsAt + kSaveGlobalsBytes;  // 270,344

// program folder + "curr" + slot + ".dat" (slot without padding).
std::string save_path(int32_t slot);

// The save file's bytes for the running game.
std::string save_image(int32_t level, int32_t hearer);

// The level and hearer words of a save file's bytes; false (and both left
// alone) when the bytes are shorter than the whole layout.
bool save_header(std::string_view bytes, int32_t& level, int32_t& hearer);

// Puts a save file's element states and globals in place: every element
// keeps its freshly compiled brain entry. Bytes shorter than the layout
// change nothing (false).
bool apply_save(std::string_view bytes);

}  // namespace standalone
