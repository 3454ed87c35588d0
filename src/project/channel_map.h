// The collision channel map: one byte per pair of elements, at row
// min(a, b) and column max(a, b), and the ".col" companion file that holds
// it with the scene-setting words in row 254.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace project {

constexpr int kChannelCount = 12;  // channels 0 (never tested) to 11
constexpr uint32_t kColBytes = 65536;
constexpr uint32_t kSceneWordsAt = 65036;  // row 254, column 12
constexpr int kSceneWords = 6;             // bytes 65,036 to 65,059

// The display colour of a channel as 0x00RRGGBB, shared by the channel-map
// tool and the collision pairs: with b = 64 n, channels 0-3 run from red to
// blue (255 - b, 0, b), 4-7 from blue to green (0, b - 256, 511 - b) and
// 8-11 from green to red (b - 512, 767 - b, 0). Other values count as 0.
uint32_t channel_colour(int channel);

// The channel of the pair; 0 for an index outside 0..255.
int channel(int a, int b);
void set_channel(int a, int b, int value);
void clear_channels();

// Moves the rows and columns of elements index..old_last up by one, as an
// inserted record moves those elements; the inserted element's pairs with
// the elements up to old_last + 1 become 0.
void shift_channels_up(int index, int old_last);
// Clears every pair that names an element above last.
void clear_channels_above(int last);

// The project path with its last three characters replaced by "col".
std::string col_path(std::string_view project_path);

// Reads a ".col" file into the map and the scene settings. A missing file
// changes nothing (false); a file of another size is reported and changes
// nothing (false).
bool load_col(const std::string& path);
// The 65,536 bytes of the file: the map with the scene words over row 254.
std::string col_image();
bool save_col(const std::string& path);

}  // namespace project
