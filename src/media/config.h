// The engine settings of config.ini: eight values stored in the structure
// encoding of profile files.
#pragma once

#include <cstdint>
#include <string>

namespace media {

struct EngineSettings {
  int32_t available_rendering_devices = 3;
  int32_t rendering_device = 1;
  int32_t available_display_modes = 63;
  int32_t display_mode = 1;
  int32_t filtering = 3;
  int32_t sound = 1;
  int32_t sound_mixing = 0;
  int32_t legal_display_modes = 63;
};

// The settings of this run (read at start-up).
EngineSettings& settings();

// The file start-up reads and writes: the current directory + "/config.ini".
std::string config_path();

// Defaults, then every key that is present and well formed, then normalised.
EngineSettings read_config(const std::string& path);
// Writes the eight keys, keeping every other line of the file.
bool write_config(const std::string& path, const EngineSettings& s);
void normalise(EngineSettings& s);

// The display mode to use: `wanted` halved until it lies in `available`;
// when the halving runs out, the lowest available mode (640x480x16 when none).
int32_t choose_display_mode(int32_t wanted, int32_t available);

}  // namespace media
