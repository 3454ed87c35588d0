// Project field text to ElementState units.
#pragma once

#include <cstdint>
#include <string_view>

namespace engine {

// Position: thousandths x 512 (1.5 gives 768000).
int32_t position_units(std::string_view text);
// Rotation: thousandths x 512 / 1000 (90 gives 46080).
int32_t rotation_units(std::string_view text);
// Velocity: thousandths x 17067 / 1000 (30 gives 512010).
int32_t velocity_units(std::string_view text);
// Spin: thousandths x 1024 / 10000.
int32_t spin_units(std::string_view text);
// Credits and element ID: the integer part.
int32_t whole_units(std::string_view text);

}  // namespace engine
