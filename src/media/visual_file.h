// Visual description files (.v3d): an animated 3D object made of parts.
//
// Text lines ending in CR LF, read up to the first empty line; each line is
// one part, its fields separated by `|`. In each line `\` becomes `/`, and a
// field that starts with "./" starts with the program folder instead. Field 1
// is the frame number; the parts of one frame are consecutive lines with the
// same positive frame number, and every such run is one frame of the visual,
// in file order. A line whose frame number is not positive belongs to no
// frame and ends the run before it.
//
// Hostile files: at most kMaxVisualFileBytes are read and at most
// kMaxVisualLines lines; a line longer than kMaxVisualLineBytes (after the
// program folder is put in) is skipped as if it were not there. Numbers out
// of range are clamped into it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace media {

inline constexpr size_t kMaxVisualFileBytes = size_t{1} << 20;
inline constexpr int kMaxVisualLines = 8192;
inline constexpr size_t kMaxVisualLineBytes = 2048;
inline constexpr int kVisualFields = 32;

// The part source used when field 3 is empty, under the program folder.
inline constexpr std::string_view kDefault3dsFile = "3dsfiles/default_.3ds";

struct VisualPart {
  int32_t frame = 1;         // field 1, positive
  std::string texture;       // field 2: a .bmp path, empty for none
  std::string source;        // field 3: the .3ds mesh
  int32_t texture_mode = 0;  // field 4: 0 colour only, 1 six views, 2 flat projection, 3 cylindrical wrap
  int32_t quality = 3;       // field 5: 0 wireframe, 1 unlit flat, 2 flat, 3 Gouraud
  int32_t material = 0;      // field 6: 0 dull, 1 metal
  bool faces_flip = false;   // field 7: every triangle's winding reversed
  bool translucent = false;  // field 10
  bool transparent = false;  // field 11
  uint8_t red = 255, green = 255, blue = 255;  // fields 25, 26, 27
  int32_t wrap_shape = 0;                      // field 28: 0 flat, 1 cylinder, 2 sphere, 3 chrome
  int32_t wrap_direction = 1;                  // field 29: 1 back, 2 right, 3 front, 4 left, 5 top, 6 bottom
  std::string target;                          // field 30: the .3ds morph target, empty for none
  int32_t morph_percent = 0;                   // field 31: 0 to 100
  // Every field 1..kVisualFields read as an integer (index k - 1 for field
  // k), for the fields the list above does not name.
  int32_t numbers[kVisualFields] = {};
};

struct VisualFrame {
  int32_t number = 0;  // the frame number of its lines
  std::vector<VisualPart> parts;
};

struct Visual {
  std::vector<VisualFrame> frames;
};

// `program_folder` replaces a leading "./" (a "/" is added when it lacks one).
Visual parse_visual(std::string_view text, std::string_view program_folder);
// False when the file cannot be read or is larger than kMaxVisualFileBytes.
bool read_visual(const std::string& path, std::string_view program_folder, Visual& out);

// One record line as read: `\` turned into `/` and a leading "./" of every
// field replaced by the folder; empty when longer than kMaxVisualLineBytes.
std::string fix_visual_line(std::string_view line, std::string_view program_folder);

}  // namespace media
