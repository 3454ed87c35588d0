// Texts cut to a width in the current tool font, for names and paths that
// are longer than the room a screen gives them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

// The text when it fits; otherwise its longest start that fits with "..."
// after it (just "..." when nothing fits beside it).
std::string fit_end(std::string_view text, int32_t width);
// The text when it fits; otherwise "..." and its longest end that fits.
std::string fit_tail(std::string_view text, int32_t width);

}  // namespace ui
